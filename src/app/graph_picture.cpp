#include "app/graph_picture.h"

#include "core/save_path.h"

namespace qv {

std::optional<std::filesystem::path> ChooseGraphPicturePath(Session& session, Prompter& prompter) {
    bool& dialogOpen = session.presentation.dialogOpen;
    dialogOpen = true;
    FileDialogRequest request;
    request.title = kGraphPictureTitle;
    request.filter = kGraphPictureFilter;
    std::optional<std::filesystem::path> path =
        ChooseSavePath(prompter, request, session.folders.csvFolder, ".png");
    dialogOpen = false;
    return path;
}

GraphView GraphToDraw(std::optional<GraphView> exportTarget) {
    if (!exportTarget)
        return GraphView::kDriftView;
    const int value = static_cast<int>(*exportTarget);
    if (value < 0 || value > static_cast<int>(GraphView::kDriftView))
        return GraphView::kDriftView;
    return *exportTarget;
}

}  // namespace qv
