#pragma once
// The upper layer of the log-block map: the lines with their handles, the
// marker, and while the mouse drags, the rubber line or zoom rectangle.

#include <QPainter>
#include <optional>

#include "laps/line_state.h"
#include "laps/log_block_rules.h"

namespace qv::ui {

// Half the side of an end handle; within LineEditor::kGrabPixels so that
// what can be seen can be grabbed.
inline constexpr int kHandleHalf = 2;

inline const QColor kControlLineColour{0, 0, 0};
inline const QColor kStartLineColour{0, 0, 255};
inline const QColor kFinishLineColour{0, 128, 0};
inline const QColor kDirectionMarkGrey{128, 128, 128};
inline const QColor kSuggestedLineColour{96, 96, 96};

// The grey direction mark of a line from (x0, y0) to (x1, y1): the second
// end turned by 90 degrees about the first, in screen pixels.
QLine DirectionMark(int x0, int y0, int x1, int y1);

// `suggestion`, a control line waiting for the user to take it, is drawn
// dashed while no line is set.
void PaintLineLayer(QPainter& painter, const MapProjection& projection, const LineState& lines,
                    const LineEditor& editor, const std::optional<Line>& suggestion = {});

}  // namespace qv::ui
