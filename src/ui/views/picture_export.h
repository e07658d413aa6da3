#pragma once
// "Save graph as PNG file": the view that was right-clicked, drawn into a
// picture of its box's size and written through the engine's PNG writer.

#include <QImage>
#include <functional>

#include "app/session.h"
#include "core/prompter.h"
#include "exchange/png_writer.h"

namespace qv::ui {

// The picture's PNG pixels, top row first.
ImageView PngViewOf(const QImage& rgba);

// Asks for the file, draws the export target's picture and writes it; a
// write that fails shows the platform's message. True when a file was
// written.
bool SaveGraphPicture(Session& session, Prompter& prompter,
                      const std::function<QImage(GraphView)>& drawPicture);

}  // namespace qv::ui
