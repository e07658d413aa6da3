#include "app/kml_command.h"

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
    const std::optional<std::filesystem::path> path =
        ChooseSavePath(prompter, request, session.folders.csvFolder, ".kml");
    dialogOpen = false;
    if (!path)
        return result;
    const std::string text =
        KmlText(KmlDocumentName(path->stem().string()), OccupiedSlots(session.laps));
    return WriteSavedFile(prompter, *path, text);
}

}  // namespace qv
