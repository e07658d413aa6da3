#pragma once
// The speed bar beside the speed graph: every slot's speed at the cursor as
// a bar on the graph's speed scale, with the speed and, while the G overlay
// is on, the G value written upwards.

#include <vector>

#include "core/records.h"
#include "core/settings.h"
#include "dynamics/align_state.h"
#include "presentation/presentation_state.h"
#include "presentation/scene.h"

namespace qv {

inline constexpr int kSpeedBarBoxWidth = 68;
inline constexpr int kSpeedBarWidth = 14;
inline constexpr int kSpeedBarPitch = 16;

struct SpeedBarInput {
    int occupied = 0;  // slots A.. that hold a lap
    const PresentationState& state;
    const AlignState& align;
    const Settings& settings;
};

// The G value a slot's bar shows at the cursor, cut to two decimals.
Float80 SpeedBarG(const CurSmp& cursor, XAxisMode axis, GGraphItem item);

Scene SpeedBarScene(const SpeedBarInput& in, const TextMetrics& metrics, int boxWidth,
                    int boxHeight);

}  // namespace qv
