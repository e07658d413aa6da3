#include "presentation/speed_bar.h"

#include <algorithm>
#include <cmath>

#include "core/display_format.h"
#include "presentation/axis_window.h"
#include "presentation/speed_graph.h"

namespace qv {
namespace {

SceneText Upward(ScenePoint at, std::string text, Rgb colour,
                 std::optional<SceneClip> clip = std::nullopt) {
    SceneText t = MakeText(at, std::move(text), colour);
    t.upwards = true;
    t.clip = clip;
    return t;
}

}  // namespace

Float80 SpeedBarG(const CurSmp& cursor, XAxisMode axis, GGraphItem item) {
    const bool time = axis == XAxisMode::kTime;
    const Float80 late = time ? cursor.CsLateG3 : cursor.CsLateG3D;
    const Float80 logi = time ? cursor.CsLogiG3 : cursor.CsLogiG3D;
    Float80 g = 0;
    switch (item) {
        case GGraphItem::kXG:
            g = late;
            break;
        case GGraphItem::kYG:
            g = logi;
            break;
        case GGraphItem::kXYG:
            g = std::sqrt(late * late + logi * logi);
            break;
    }
    return std::trunc(g * 100) / 100;
}

Scene SpeedBarScene(const SpeedBarInput& in, const TextMetrics& metrics, int boxWidth,
                    int boxHeight) {
    Scene scene = BlankScene(boxWidth, boxHeight);
    const Float80 lowest = in.state.extremes.MinSpd, highest = in.state.extremes.MaxSpd;
    if (highest == lowest)
        return scene;
    const SpeedGraphLayout g = SpeedGraphLayoutFor(metrics, boxWidth, boxHeight);
    const int bottom = g.T + g.H;
    const bool time = in.state.xAxis == XAxisMode::kTime;
    const Float80 kmhPerUnit = in.settings.SpeedInKmh ? 1 : kKmhPerMph;
    const int occupied = std::min(in.occupied, kLapSlots);
    for (int k = 0; k < occupied; ++k) {
        const CurSmp& c = in.align.cursor[k];
        const int x0 = 4 + kSpeedBarPitch * k, tx = 3 + kSpeedBarPitch * k;
        const Float80 v = time ? c.CsSpd : c.CsSpdD;
        // A speed below the scale leaves no bar rather than one upside down.
        const int yb = std::min(SpeedToY(g, v, lowest, highest), bottom);
        const std::string speed = StrFormat("%6.2f", static_cast<double>(v / kmhPerUnit));
        scene.Add(Upward({tx, bottom - 2}, speed, kBlack));

        std::string gValue;
        int gBottom = 0;
        if (in.state.showGGraph) {
            gValue = StrFormat(
                "%.2f", static_cast<double>(SpeedBarG(c, in.state.xAxis, in.state.gGraphItem)));
            const std::string label = gValue + " G";
            // Written upwards so that it ends 2 px below the plot's top.
            gBottom = g.T + metrics.Width(label, kViewFontSize) + 2;
            scene.Add(Upward({tx, gBottom}, label, kBlack));
        }

        const SceneClip bar{x0, yb, x0 + kSpeedBarWidth, bottom};
        scene.Add(SceneRect{bar.left, bar.top, bar.right, bar.bottom, kSlotColours[k]});
        // White over the bar, the black copy showing above it.
        scene.Add(Upward({tx, bottom - 2}, speed, kWhite, bar));
        if (!gValue.empty() && yb < gBottom)
            scene.Add(Upward({tx, gBottom}, gValue, kWhite,
                             SceneClip{x0, yb, x0 + kSpeedBarWidth, gBottom}));
    }
    return scene;
}

}  // namespace qv
