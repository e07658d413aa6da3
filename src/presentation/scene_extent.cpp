#include "presentation/scene_extent.h"

#include <algorithm>
#include <climits>
#include <type_traits>

namespace qv {
namespace {

class Extent {
  public:
    void Add(ScenePoint p, int width) { Add(p.x, p.y, p.x + 1LL, p.y + 1LL, width); }

    void Add(long long left, long long top, long long right, long long bottom, int width) {
        const long long reach = 2LL * std::max(width, 1) + 1;
        left_ = std::min(left_, left - reach);
        top_ = std::min(top_, top - reach);
        right_ = std::max(right_, right + reach);
        bottom_ = std::max(bottom_, bottom + reach);
    }

    SceneClip Box() const {
        if (right_ <= left_)
            return {};
        return {Cut(left_), Cut(top_), Cut(right_), Cut(bottom_)};
    }

  private:
    static int Cut(long long v) {
        return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
    }

    long long left_ = LLONG_MAX, top_ = LLONG_MAX, right_ = LLONG_MIN, bottom_ = LLONG_MIN;
};

}  // namespace

std::optional<SceneClip> SceneItemsExtent(const std::vector<SceneItem>& items) {
    Extent extent;
    for (const SceneItem& item : items) {
        const bool known = std::visit(
            [&extent](const auto& i) {
                using T = std::decay_t<decltype(i)>;
                if constexpr (std::is_same_v<T, SceneLine>) {
                    extent.Add(i.from, i.width);
                    extent.Add(i.to, i.width);
                } else if constexpr (std::is_same_v<T, ScenePolyline> ||
                                     std::is_same_v<T, ScenePolygon>) {
                    for (ScenePoint p : i.points)
                        extent.Add(p, i.width);
                } else if constexpr (std::is_same_v<T, SceneRect>) {
                    extent.Add(i.left, i.top, i.right, i.bottom, 1);
                } else if constexpr (std::is_same_v<T, SceneEllipse>) {
                    extent.Add(i.left, i.top, i.right, i.bottom, i.width);
                } else {
                    return false;
                }
                return true;
            },
            item);
        if (!known)
            return std::nullopt;
    }
    return extent.Box();
}

}  // namespace qv
