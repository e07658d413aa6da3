#include "laps/lap_list_marks.h"

#include <cstdlib>
#include <string>

namespace qv {
namespace {

// The three best rows of `value` under `better` (strictly better replaces,
// so the first of equals wins); each later rank may equal but never beat
// the ones above it.
template <typename Better>
Ranks3 ThreeBest(const std::vector<TLapStrLstRec>& list, Float80 start,
                 Float80 (*value)(const TLapStrLstRec&), Better better) {
    Ranks3 ranks = kNoRanks;
    for (int rank = 0; rank < 3; ++rank) {
        Float80 best = start;
        for (int k = 0; k < static_cast<int>(list.size()); ++k) {
            bool taken = false;
            for (int above = 0; above < rank; ++above)
                taken |= ranks[static_cast<size_t>(above)] == k;
            if (taken)
                continue;
            const Float80 v = value(list[static_cast<size_t>(k)]);
            bool notAbove = true;
            for (int above = 0; above < rank; ++above) {
                const int r = ranks[static_cast<size_t>(above)];
                if (r >= 0 && better(v, value(list[static_cast<size_t>(r)])))
                    notAbove = false;
            }
            if (notAbove && better(v, best)) {
                best = v;
                ranks[static_cast<size_t>(rank)] = k;
            }
        }
    }
    return ranks;
}

Float80 LapSec(const TLapStrLstRec& r) {
    return r.Sec;
}
Float80 TopSpeed(const TLapStrLstRec& r) {
    return r.MaxSpd;
}

int RankOf(const Ranks3& ranks, int lap) {
    for (int k = 0; k < 3; ++k) {
        if (ranks[static_cast<size_t>(k)] == lap)
            return k;
    }
    return -1;
}

}  // namespace

BestLapMarks ComputeBestLapMarks(const std::vector<TLapStrLstRec>& lapList) {
    BestLapMarks marks;
    marks.lapTime =
        ThreeBest(lapList, 999999999.9L, LapSec, [](Float80 a, Float80 b) { return a < b; });
    marks.topSpeed = ThreeBest(lapList, 0, TopSpeed, [](Float80 a, Float80 b) { return a > b; });
    return marks;
}

LapListCellStyle LapListCellStyleOf(const LapRow& row, int lap, int column,
                                    const std::vector<std::string>& slotNames,
                                    const LapListMarks& marks) {
    LapListCellStyle style;
    for (size_t slot = 0; slot < slotNames.size() && slot < kSlotColours.size(); ++slot) {
        if (!row[1].empty() && row[1] == slotNames[slot]) {
            style.font = kSlotColours[slot];
            break;
        }
    }
    if (column == 19)
        style.font = kWhite;  // the group number is for the shading only
    const bool oddGroup = std::atoi(row[19].c_str()) % 2 != 0;
    if (column <= 18 && oddGroup)
        style.background = kGroupShade;

    int rank = -1;
    if (column == 4)
        rank = RankOf(marks.laps.lapTime, lap);
    else if (column == 5)
        rank = RankOf(marks.laps.topSpeed, lap);
    else if (column >= 8 && column <= 12)
        rank = RankOf(marks.sectorTime[static_cast<size_t>(column - 8)], lap);
    else if (column == 13)
        rank = RankOf(marks.driftScore, lap);
    else if (column >= 14 && column <= 18)
        rank = RankOf(marks.sectorScore[static_cast<size_t>(column - 14)], lap);
    if (rank >= 0)
        style.background = kRankColours[static_cast<size_t>(rank)];

    if (column >= 1 && column <= 3) {
        style.align = CellAlign::Center;
    } else if ((column >= 4 && column <= 6) || (column >= 8 && column <= 18)) {
        style.align = CellAlign::Right;
    } else if (column == 7) {
        style.inset = 6;
    }
    return style;
}

}  // namespace qv
