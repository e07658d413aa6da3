#pragma once
// Saving a graph as a PNG picture: the file choice and which graph is drawn; the
// window draws the graph into a white bitmap of its box and writes it with
// WritePngFile.

#include <filesystem>
#include <optional>

#include "app/session.h"
#include "core/prompter.h"
#include "presentation/presentation_state.h"

namespace qv {

inline constexpr const char* kGraphPictureTitle = "Seva graph as PNG file";
inline constexpr const char* kGraphPictureFilter = "PNG files|*.png|BMP files|*.bmp|All files|*.*";

// The file to write (always PNG, whatever filter entry was picked), or
// nothing when the dialog was cancelled or replacing was refused. The CSV
// folder is shared with the CSV and KML dialogs; the dialog-open flag is
// set while asking.
std::optional<std::filesystem::path> ChooseGraphPicturePath(Session& session, Prompter& prompter);

// The graph a right click named; any value outside the five counts as the
// drift view.
GraphView GraphToDraw(std::optional<GraphView> exportTarget);

}  // namespace qv
