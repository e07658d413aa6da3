#pragma once
// The fixed colours of the four lap slots. Slot k (0 = A) keeps its colour
// whatever lap it holds.

#include <array>
#include <cstdint>

namespace qv {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Traces, markers, labels and lap-list rows.
inline constexpr std::array<Rgb, 4> kSlotColours{
    {{255, 0, 0}, {0, 0, 255}, {0, 128, 128}, {128, 128, 0}}};

// The G and drift overlays of the speed graph.
inline constexpr std::array<Rgb, 4> kSlotPaleColours{
    {{255, 176, 176}, {160, 160, 255}, {128, 192, 128}, {224, 224, 64}}};

// Views paint slots D, C, B, A so that A ends on top.
inline constexpr std::array<int, 4> kSlotPaintOrder{3, 2, 1, 0};

}  // namespace qv
