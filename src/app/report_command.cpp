#include "app/report_command.h"

namespace qv {

std::optional<std::filesystem::path> ChooseReportPath(Session& session, Prompter& prompter) {
    bool& dialogOpen = session.presentation.dialogOpen;
    dialogOpen = true;
    FileDialogRequest request;
    request.title = kReportDialogTitle;
    request.filter = kReportFilter;
    std::optional<std::filesystem::path> path =
        ChooseSavePath(prompter, request, session.folders.csvFolder, ".pdf");
    dialogOpen = false;
    return path;
}

SaveFileResult ExportReport(Session& session, Prompter& prompter,
                            const std::function<std::string()>& makePdf) {
    const std::optional<std::filesystem::path> path = ChooseReportPath(session, prompter);
    if (!path)
        return {};
    return WriteSavedFile(prompter, *path, makePdf());
}

}  // namespace qv
