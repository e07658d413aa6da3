#pragma once
// Text labels on a map that must stay readable where their points meet,
// such as the start and the end of a trace that both lie at the control
// line.

#include <vector>

namespace qv {

// A label's box in pixels: its top-left corner and its size.
struct LabelBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const LabelBox&) const = default;
};

bool Overlap(const LabelBox& a, const LabelBox& b);

// The labels in drawing order, each wanted at its own box. A label that
// would cover one placed before it moves down, just below that one, until
// it covers none; it keeps its x, so it still starts at its point.
std::vector<LabelBox> PlaceLabels(std::vector<LabelBox> labels);

}  // namespace qv
