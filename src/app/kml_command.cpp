#include "app/kml_command.h"

#include "core/atomic_file.h"
#include "core/save_path.h"
#include "exchange/kml_export.h"

namespace qv {

KmlSaveResult SpeedButtonGoogleEarthClick(Session& session, Prompter& prompter) {
    KmlSaveResult result;
    if (session.laps.LapDt.empty())
        return result;
    bool& dialogOpen = session.presentation.dialogOpen;
    dialogOpen = true;
    FileDialogRequest request;
    request.title = kKmlDialogTitle;
    request.filter = kKmlFilter;
    request.initialFolder = session.folders.csvFolder.string();
    const std::optional<std::string> chosen = prompter.ChooseSaveFile(request);
    if (!chosen) {
        dialogOpen = false;
        return result;
    }
    session.folders.csvFolder = std::filesystem::path(*chosen).parent_path();
    const std::optional<std::filesystem::path> path = ConfirmSavePath(prompter, *chosen, ".kml");
    dialogOpen = false;
    if (!path)
        return result;
    const std::string text =
        KmlText(KmlDocumentName(path->stem().string()), OccupiedSlots(session.laps));
    const WriteResult written = WriteFileAtomically(*path, text);
    result.path = *path;
    result.written = written.ok;
    result.error = written.error;
    if (!written.ok)
        prompter.Inform(written.error, MessageIcon::Error);
    return result;
}

}  // namespace qv
