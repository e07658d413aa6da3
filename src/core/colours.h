#pragma once
// Colours the engine decides (slot colours, list and table shading), as
// red, green, blue. Values given as 0x00BBGGRR words convert with FromBgr.

#include <array>
#include <cstdint>

namespace qv {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb FromBgr(uint32_t bgr) {
    return Rgb{static_cast<uint8_t>(bgr & 0xFF), static_cast<uint8_t>((bgr >> 8) & 0xFF),
               static_cast<uint8_t>((bgr >> 16) & 0xFF)};
}

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

// Slot k (0 = A) keeps its colour whatever lap it holds: traces, markers,
// labels, lap-list rows and table rows.
inline constexpr std::array<Rgb, 4> kSlotColours{
    {{255, 0, 0}, {0, 0, 255}, {0, 128, 128}, {128, 128, 0}}};

}  // namespace qv
