#include "ui/report/report_actions.h"

#include <QPrintDialog>
#include <QPrinter>

#include "app/report_command.h"
#include "ui/report/report_document.h"

namespace qv::ui {

bool ExportReportPdf(Session& session, Prompter& prompter) {
    const SaveFileResult saved = ExportReport(session, prompter, [&session] {
        const QByteArray pdf = ReportPdf(MakeReport(session, LocalePaper()));
        return pdf.toStdString();
    });
    return saved.written;
}

bool PrintReport(Session& session, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(PageSizeOf(LocalePaper()));
    printer.setDocName(QString::fromLatin1(kReportTitle));
    bool& dialogOpen = session.presentation.dialogOpen;
    dialogOpen = true;
    QPrintDialog dialog(&printer, parent);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    dialogOpen = false;
    if (!accepted)
        return false;
    const QPageSize::PageSizeId chosen = printer.pageLayout().pageSize().id();
    const Paper paper = chosen == QPageSize::Letter ? Paper::kLetter
                        : chosen == QPageSize::A4   ? Paper::kA4
                                                    : LocalePaper();
    printer.setFullPage(true);
    return PaintReport(printer, MakeReport(session, paper));
}

}  // namespace qv::ui
