#pragma once
// Fixed text sizes and item filters for the tests of the views' display
// lists.

#include <string_view>
#include <variant>
#include <vector>

#include "presentation/scene.h"

namespace qv::scene_test {

// Every glyph 6 px wide, every line 10 px high.
class FixedMetrics : public TextMetrics {
  public:
    int Height(std::string_view, int) const override { return 10; }
    int Width(std::string_view text, int) const override {
        return 6 * static_cast<int>(text.size());
    }
};

template <class T>
std::vector<T> ItemsOf(const Scene& scene) {
    std::vector<T> out;
    for (const SceneItem& item : scene.items)
        if (const T* t = std::get_if<T>(&item))
            out.push_back(*t);
    return out;
}

}  // namespace qv::scene_test
