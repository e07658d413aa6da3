#include "ui/report/report_document.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <cstdlib>

#include "ui/views/scene_painter.h"

namespace qv::ui {
namespace {

std::string_view Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

QPageSize PageSizeOf(Paper paper) {
    return QPageSize(paper == Paper::kLetter ? QPageSize::Letter : QPageSize::A4);
}

Paper LocalePaper() {
    return PaperForLocale(Env("LC_ALL"), Env("LC_PAPER"), Env("LANG"));
}

ReportDocument MakeReport(const Session& session, Paper paper) {
    const LapListSummary summary = SummarizeLapList(session.laps, session.folders, session.gates);
    return BuildReport(session, summary, paper, ViewTextMetrics());
}

bool PaintReport(QPagedPaintDevice& device, const ReportDocument& report) {
    device.setPageSize(PageSizeOf(report.paper));
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const qreal scale = device.logicalDpiX() / static_cast<qreal>(kReportDpi);
    for (size_t p = 0; p < report.pages.size(); ++p) {
        if (p > 0 && !device.newPage())
            return false;
        painter.save();
        painter.scale(scale, scale);
        PaintScene(painter, report.pages[p]);
        painter.restore();
    }
    return painter.end();
}

QByteArray ReportPdf(const ReportDocument& report) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QString::fromLatin1(kReportTitle));
        writer.setCreator(QString::fromStdString(ProgramNameAndVersion()));
        if (!PaintReport(writer, report))
            return {};
    }
    return bytes;
}

}  // namespace qv::ui
