#include "presentation/label_placement.h"

#include <cstddef>

namespace qv {

bool Overlap(const LabelBox& a, const LabelBox& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

std::vector<LabelBox> PlaceLabels(std::vector<LabelBox> labels) {
    for (std::size_t k = 1; k < labels.size(); ++k) {
        LabelBox& label = labels[k];
        // Each move puts the label below a box it covered, and y only
        // grows, so every earlier box moves it at most once.
        for (bool moved = true; moved;) {
            moved = false;
            for (std::size_t j = 0; j < k; ++j) {
                if (Overlap(label, labels[j])) {
                    label.y = labels[j].y + labels[j].height;
                    moved = true;
                }
            }
        }
    }
    return labels;
}

}  // namespace qv
