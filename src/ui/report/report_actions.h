#pragma once
// The window's "Export report (PDF)…" and "Print…".

#include "app/session.h"
#include "core/prompter.h"

class QWidget;

namespace qv::ui {

// Asks for the file and writes the report's PDF; true when it was written.
bool ExportReportPdf(Session& session, Prompter& prompter);

// The print dialog, then the report's pages on the chosen printer, on its
// paper when that is Letter or A4 and on the locale's otherwise. False when
// cancelled or when the printer could not be painted on.
bool PrintReport(Session& session, QWidget* parent);

}  // namespace qv::ui
