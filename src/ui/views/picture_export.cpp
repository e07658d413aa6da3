#include "ui/views/picture_export.h"

#include "app/graph_picture.h"

namespace qv::ui {

ImageView PngViewOf(const QImage& rgba) {
    ImageView view;
    view.width = rgba.width();
    view.height = rgba.height();
    view.stride = static_cast<size_t>(rgba.bytesPerLine());
    view.layout = PixelLayout::kRgba;
    view.pixels = rgba.constBits();
    return view;
}

bool SaveGraphPicture(Session& session, Prompter& prompter,
                      const std::function<QImage(GraphView)>& drawPicture) {
    const std::optional<std::filesystem::path> path = ChooseGraphPicturePath(session, prompter);
    if (!path)
        return false;
    const GraphView view = GraphToDraw(session.presentation.exportTarget);
    const QImage rgba = drawPicture(view).convertToFormat(QImage::Format_RGBA8888);
    const WriteResult written = WritePngFile(*path, PngViewOf(rgba));
    if (!written.ok) {
        prompter.Inform(written.error, MessageIcon::Error);
        return false;
    }
    return true;
}

}  // namespace qv::ui
