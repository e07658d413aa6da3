#pragma once
// The report's pages replayed onto a paged device: a PDF in memory or a
// printer. Needs Qt Gui only, so the command-line tool draws the same PDF
// as the window without a display.

#include <QByteArray>
#include <QPageSize>

#include "app/report_pages.h"

class QPagedPaintDevice;

namespace qv::ui {

QPageSize PageSizeOf(Paper paper);

// The paper of the user's locale (LC_ALL, LC_PAPER, LANG).
Paper LocalePaper();

// The report of the session on `paper`, measured with the views' font.
ReportDocument MakeReport(const Session& session, Paper paper);

// Every page on `device`, whose page size and margins are set here; the
// painter scales the report's 96-per-inch pixels to the device's
// resolution, so vector devices keep lines and text as vectors. False when
// the device could not be painted on.
bool PaintReport(QPagedPaintDevice& device, const ReportDocument& report);

// The report as PDF bytes; empty when painting failed.
QByteArray ReportPdf(const ReportDocument& report);

}  // namespace qv::ui
