#include "laps/list_sector_columns.h"

#include <algorithm>

#include "core/display_format.h"
#include "geometry/sector_timing.h"
#include "laps/lap_file_io.h"

namespace qv {
namespace {

constexpr int64_t kEmptyCellValue = 9999999999;
// More digits than any time cell holds; longer texts saturate instead of
// overflowing.
constexpr int kMaxCellDigits = 15;

// The rows up to the first without a lap number: the list's laps.
size_t ListedRows(const std::vector<LapRow>& rows) {
    size_t n = 0;
    while (n < rows.size() && !rows[n][1].empty())
        ++n;
    return n;
}

size_t Column(int j) {
    return static_cast<size_t>(kSectColumnFirst + j);
}

int32_t FindRank(const std::vector<LapRow>& rows, size_t column, int64_t lowest, int32_t skipA,
                 int32_t skipB) {
    int32_t found = -1;
    int64_t best = kEmptyCellValue;
    for (size_t r = 0; r < ListedRows(rows); ++r) {
        const auto row = static_cast<int32_t>(r);
        if (row == skipA || row == skipB)
            continue;
        const int64_t v = SectCellValue(rows[r][column]);
        if (v < best && v >= lowest) {
            best = v;
            found = row;
        }
    }
    return found;
}

int64_t ValueAt(const std::vector<LapRow>& rows, int32_t row, size_t column) {
    return row < 0 ? kEmptyCellValue : SectCellValue(rows[static_cast<size_t>(row)][column]);
}

}  // namespace

void SetSectHeaders(LapRow& header, const GateTable& gates) {
    for (int j = 0; j < kSectColumnCount; ++j)
        header[Column(j)].clear();
    if (gates.SectCount <= 0) {
        header[Column(0)] = "Sector";
        return;
    }
    const int last = gates.UsedCount();
    for (int j = 0; j <= last; ++j)
        header[Column(j)] = StrFormat("Sector%d", j + 1);
}

SectRanks SetSectTmList(LapRow& header, std::vector<LapRow>& rows, const Folders& folders,
                        const GateTable& gates) {
    SetSectHeaders(header, gates);
    for (LapRow& row : rows) {
        if (row[1].empty())
            break;
        ListSectors list;
        if (gates.SectCount > 0) {
            const LapFileRead lap = ReadLapFile(TempLapFilePath(folders, row[1]));
            if (lap.isLapFile)
                list = CalcListSectors(lap.samples, gates);
        }
        for (int j = 0; j < kSectColumnCount; ++j)
            row[Column(j)] = FormatSectTime(list.ListSectTim[static_cast<size_t>(j)]);
    }
    return RankSectTimes(rows);
}

int64_t SectCellValue(const std::string& cell) {
    if (cell.empty())
        return kEmptyCellValue;
    int64_t value = 0;
    int digits = 0;
    for (const char c : cell) {
        if (c < '0' || c > '9')
            continue;
        if (++digits > kMaxCellDigits)
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

SectRanks RankSectTimes(const std::vector<LapRow>& rows) {
    SectRanks ranks;
    for (int j = 0; j < kSectColumnCount; ++j) {
        const size_t column = Column(j);
        const auto jj = static_cast<size_t>(j);
        const int32_t first = FindRank(rows, column, 0, -1, -1);
        const int64_t firstValue = ValueAt(rows, first, column);
        const int32_t second = FindRank(rows, column, firstValue, first, -1);
        const int64_t secondValue = ValueAt(rows, second, column);
        const int32_t third =
            FindRank(rows, column, std::max(firstValue, secondValue), first, second);
        ranks.SectRank1[jj] = first;
        ranks.SectRank2[jj] = second;
        ranks.SectRank3[jj] = third;
    }
    return ranks;
}

}  // namespace qv
