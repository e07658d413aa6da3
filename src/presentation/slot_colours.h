#pragma once
// The fixed colours of the four lap slots. Slot k (0 = A) keeps its colour
// whatever lap it holds.

#include <array>

#include "core/colours.h"

namespace qv {

// The G and drift overlays of the speed graph.
inline constexpr std::array<Rgb, 4> kSlotPaleColours{
    {{255, 176, 176}, {160, 160, 255}, {128, 192, 128}, {224, 224, 64}}};

// Views paint slots D, C, B, A so that A ends on top.
inline constexpr std::array<int, 4> kSlotPaintOrder{3, 2, 1, 0};

}  // namespace qv
