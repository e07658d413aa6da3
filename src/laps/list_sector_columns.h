#pragma once
// The sector time columns 8 to 12 of the lap list, timed from each row's
// temporary lap file, and the marks of the three best times of each.

#include <array>
#include <cstdint>
#include <vector>

#include "core/stores.h"
#include "geometry/sector_gates.h"
#include "geometry/sector_results.h"

namespace qv {

inline constexpr int kSectColumnFirst = 8;
inline constexpr int kSectColumnCount = kMaxSectors;

// 0-based lap-list rows of the best, second and third time of each sector
// column; -1 when none.
struct SectRanks {
    std::array<int32_t, kMaxSectors> SectRank1{-1, -1, -1, -1, -1};
    std::array<int32_t, kMaxSectors> SectRank2{-1, -1, -1, -1, -1};
    std::array<int32_t, kMaxSectors> SectRank3{-1, -1, -1, -1, -1};
};

// The headers of columns 8 to 12: "Sector" alone without gates, else
// "Sector1" .. one past the last gate.
void SetSectHeaders(LapRow& header, const GateTable& gates);

// `SetSectTmList`: the headers, then the sector times of every row up to
// the first without a lap number, then the ranks. A row whose lap file
// cannot be read, and every row while there are no gates, gets empty cells.
SectRanks SetSectTmList(LapRow& header, std::vector<LapRow>& rows, const Folders& folders,
                        const GateTable& gates);

// The digits of a cell read as one number, 9999999999 for an empty cell;
// it orders the times the way the cells show them.
int64_t SectCellValue(const std::string& cell);

// `RankSectTimes`: per column, the first row with the smallest value, then
// the next smallest among the others (equal values allowed), then the next.
// Rows after the first without a lap number are not laps and never rank.
SectRanks RankSectTimes(const std::vector<LapRow>& rows);

}  // namespace qv
