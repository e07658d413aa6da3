#pragma once
// The drift columns of the lap list: column 13 holds a lap's top angle and
// drift score, columns 14 to 18 the peak angle and score of each sector.
// Each listed lap is read from its temporary lap file and evaluated in one
// scratch record.

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/records.h"
#include "core/stores.h"
#include "geometry/sector_gates.h"
#include "geometry/sector_results.h"

namespace qv {

inline constexpr int kDriftScoreColumn = 13;
inline constexpr int kDriftSectorColumn = 14;  // sector 1; sector j + 1 is column 14 + j

// The lap being listed: its samples and drift angles in `lap` (Elm,
// ElmNum, DElm), evaluated into `sectRes`.
struct DriftListScratch {
    TLapDtRec lap;
    bool driftFlag = false;
    Float80 topAngle = 0;  // the smoothed angle of largest magnitude, signed
    SectRes sectRes;
};

// Rows (0-based over the lap list, -1 when none) of the three best lap
// scores and of the three best scores of each sector column.
struct DriftRanks {
    int32_t DrRank1 = -1, DrRank2 = -1, DrRank3 = -1;
    std::array<int32_t, kMaxSectors> DrSectRank1{-1, -1, -1, -1, -1};
    std::array<int32_t, kMaxSectors> DrSectRank2{-1, -1, -1, -1, -1};
    std::array<int32_t, kMaxSectors> DrSectRank3{-1, -1, -1, -1, -1};
};

struct DriftListState {
    DriftListScratch scratch;
    DriftRanks ranks;
};

// Reads a lap file into the scratch samples and computes its drift angles,
// flag and top angle. A lap whose first sample carries no logged heading
// (Dir 0, 180 or 360) is not evaluated: only that sample is kept and it
// counts as no drift run. Returns false, with the flag and top angle
// cleared, when the path is no lap file or holds no samples.
bool LoadLapFileBinForDAngle(const std::filesystem::path& path, DriftListScratch& scratch);

// Names the sector score columns 14 to 18 of the header row.
void SetDriftHeaders(LapRow& header, const GateTable& gates);

// Fills columns 13 to 18 of every listed lap (rows up to the first without
// a lap number), names the header's sector score columns and ranks the
// scores into state.ranks.
void SetDriftAngleList(std::vector<LapRow>& rows, LapRow& header, const Folders& folders,
                       const GateTable& gates, DriftListState& state);

// The score of a drift cell times ten, 0 for an empty cell, "-" or a blank
// score.
int64_t DriftCellScore(const std::string& cell);

// The three best scores of column 13 and of each sector column, over rows
// up to the first without a lap number.
DriftRanks RankDrScores(const std::vector<LapRow>& rows);

}  // namespace qv
