#pragma once
// The marks of the lap list: the three best lap times and top speeds, and
// how every cell is drawn (slot colours, load-group shading, rank colours).

#include <array>
#include <cstdint>
#include <vector>

#include "core/colours.h"
#include "core/records.h"
#include "core/stores.h"

namespace qv {

// Lap indexes (0-based over LapList), -1 when none.
using Ranks3 = std::array<int, 3>;
inline constexpr Ranks3 kNoRanks = {-1, -1, -1};

struct BestLapMarks {
    Ranks3 lapTime = kNoRanks;   // fastest, second, third
    Ranks3 topSpeed = kNoRanks;  // highest, second, third
};

// First of equal values wins; the second and third never precede the one
// above them.
BestLapMarks ComputeBestLapMarks(const std::vector<TLapStrLstRec>& lapList);

// Every rank of the list: the lap marks and those of the sector and drift
// columns (lap indexes as above).
struct LapListMarks {
    BestLapMarks laps;
    std::array<Ranks3, 5> sectorTime{kNoRanks, kNoRanks, kNoRanks, kNoRanks, kNoRanks};   // 8..12
    Ranks3 driftScore = kNoRanks;                                                         // 13
    std::array<Ranks3, 5> sectorScore{kNoRanks, kNoRanks, kNoRanks, kNoRanks, kNoRanks};  // 14..18
};

inline constexpr Rgb kGroupShade = FromBgr(14737632);  // light grey
// Best, second and third: pink, light yellow, light green.
inline constexpr std::array<Rgb, 3> kRankColours = {FromBgr(0xFFC0FF), FromBgr(0x80FFFF),
                                                    FromBgr(0xC0FFC0)};

enum class CellAlign { Left, Center, Right };

struct LapListCellStyle {
    Rgb font = kBlack;
    Rgb background = kWhite;
    CellAlign align = CellAlign::Left;
    int inset = 2;  // pixels from the aligned edge; the text starts 2 below the top
};

// How the cell of lap `lap` (grid row lap + 1) and `column` is drawn.
// `slotNames` are the DtName of the laps in the slots, in slot order.
LapListCellStyle LapListCellStyleOf(const LapRow& row, int lap, int column,
                                    const std::vector<std::string>& slotNames,
                                    const LapListMarks& marks);

}  // namespace qv
