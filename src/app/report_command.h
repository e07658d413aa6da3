#pragma once
// "Export report (PDF)…": the file choice and the write, the way the
// program's other exports save. The pages are drawn by the window, which
// hands the PDF's bytes over.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/session.h"
#include "core/prompter.h"
#include "core/save_path.h"

namespace qv {

inline constexpr const char* kReportMenuText = "Export report (PDF)\u2026";
inline constexpr const char* kPrintMenuText = "Print\u2026";
inline constexpr const char* kReportDialogTitle = "Export report as PDF file";
inline constexpr const char* kReportFilter = "PDF files|*.pdf|All files|*.*";

// The file to write (".pdf" whatever was typed), or nothing when the dialog
// was cancelled or replacing was refused. The folder is the one the CSV,
// KML and picture dialogs share; the dialog-open flag is set while asking.
std::optional<std::filesystem::path> ChooseReportPath(Session& session, Prompter& prompter);

// Asks for the file and writes what `makePdf` returns, through a temporary
// file beside it, so a failed write leaves the old file as it was and shows
// the platform's message. Not written when the choice was cancelled.
SaveFileResult ExportReport(Session& session, Prompter& prompter,
                            const std::function<std::string()>& makePdf);

}  // namespace qv
