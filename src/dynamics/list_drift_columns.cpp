#include "dynamics/list_drift_columns.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "core/display_format.h"
#include "core/text_utils.h"
#include "dynamics/drift_angle.h"
#include "dynamics/drift_scan.h"
#include "geometry/sector_timing.h"
#include "laps/lap_file.h"
#include "laps/lap_file_io.h"

namespace qv {
namespace {

constexpr int kDriftLastColumn = kDriftSectorColumn + kMaxSectors - 1;

bool IsListed(const LapRow& row) {
    return !row[1].empty();
}

std::string TruncatedDegrees(Float80 angle) {
    if (!std::isfinite(angle))
        return "0";
    const Float80 t = std::clamp(std::trunc(angle), Float80(INT_MIN), Float80(INT_MAX));
    return StrFormat("%d", static_cast<int>(t));
}

void ClearDriftCells(LapRow& row) {
    for (int c = kDriftScoreColumn; c <= kDriftLastColumn; ++c)
        row[static_cast<size_t>(c)].clear();
}

void FillDriftCells(LapRow& row, const DriftListScratch& scratch, int gateCount) {
    ClearDriftCells(row);
    std::string& lapCell = row[kDriftScoreColumn];
    if (!scratch.driftFlag) {
        lapCell = "-";
        for (int j = 0; j <= gateCount; ++j)
            row[static_cast<size_t>(kDriftSectorColumn + j)] = "-";
        return;
    }
    lapCell = TruncatedDegrees(scratch.topAngle);
    if (gateCount == 0)
        return;
    const SectRes& res = scratch.sectRes;
    lapCell += res.DrScoreSum > 0 ? StrFormat(" (%5.1Lf)", res.DrScoreSum) : " (       )";
    for (int j = 0; j <= gateCount; ++j) {
        const auto at = static_cast<size_t>(j);
        if (res.SectDrPeak[at] == 0)
            continue;
        row[static_cast<size_t>(kDriftSectorColumn + j)] =
            TruncatedDegrees(res.SectDrPeak[at]) +
            (res.SectDrScore[at] > 0 ? StrFormat(" (%4.1Lf)", res.SectDrScore[at]) : " (      )");
    }
}

struct ColumnRanks {
    int32_t first = -1, second = -1, third = -1;
};

ColumnRanks RankColumn(const std::vector<LapRow>& rows, size_t listed, int column) {
    std::vector<int64_t> values(listed);
    for (size_t r = 0; r < listed; ++r)
        values[r] = std::llabs(DriftCellScore(rows[r][static_cast<size_t>(column)]));
    ColumnRanks ranks;
    int64_t best = 0, second = 0, third = 0;
    for (size_t r = 0; r < listed; ++r) {
        if (values[r] > best) {
            best = values[r];
            ranks.first = static_cast<int32_t>(r);
        }
    }
    for (size_t r = 0; r < listed; ++r) {
        const auto row = static_cast<int32_t>(r);
        if (row != ranks.first && values[r] > second && values[r] <= best) {
            second = values[r];
            ranks.second = row;
        }
    }
    for (size_t r = 0; r < listed; ++r) {
        const auto row = static_cast<int32_t>(r);
        if (row != ranks.first && row != ranks.second && values[r] > third && values[r] <= second &&
            values[r] <= best) {
            third = values[r];
            ranks.third = row;
        }
    }
    return ranks;
}

}  // namespace

bool LoadLapFileBinForDAngle(const std::filesystem::path& path, DriftListScratch& scratch) {
    scratch.driftFlag = false;
    scratch.topAngle = 0;
    TLapDtRec& lap = scratch.lap;
    lap.Elm.clear();
    lap.DElm.clear();
    lap.ElmNum = 0;
    lap.driftAct = false;
    LapFileRead read = ReadLapFile(path);
    if (!read.isLapFile || read.samples.empty())
        return false;
    if (LapNeedsDirections(read.samples)) {
        lap.Elm.assign(1, read.samples.front());
        lap.DElm.assign(1, TDriftRec{});
        lap.ElmNum = 1;
        return true;
    }
    lap.Elm = std::move(read.samples);
    lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
    scratch.driftFlag = CalcDriftAngles(lap.Elm, lap.DElm);
    lap.driftAct = scratch.driftFlag;
    scratch.topAngle = TopDriftAngle(lap.DElm);
    return true;
}

void SetDriftHeaders(LapRow& header, const GateTable& gates) {
    const int gateCount = gates.UsedCount();
    for (int c = kDriftSectorColumn; c <= kDriftLastColumn; ++c)
        header[static_cast<size_t>(c)].clear();
    if (gateCount == 0) {
        header[kDriftSectorColumn] = "Sector(Score)";
        return;
    }
    for (int i = 0; i <= gateCount; ++i)
        header[static_cast<size_t>(kDriftSectorColumn + i)] = StrFormat("Sector%d(Score)", i + 1);
}

void SetDriftAngleList(std::vector<LapRow>& rows, LapRow& header, const Folders& folders,
                       const GateTable& gates, DriftListState& state) {
    SetDriftHeaders(header, gates);
    const int gateCount = gates.UsedCount();
    DriftListScratch& scratch = state.scratch;
    for (LapRow& row : rows) {
        if (!IsListed(row))
            break;
        LoadLapFileBinForDAngle(TempLapFilePath(folders, row[1]), scratch);
        if (scratch.driftFlag && gateCount > 0) {
            scratch.sectRes = SectRes{};
            CalcSectors(scratch.lap, gates, scratch.sectRes);
            CalcSectorDrift(scratch.lap, gates, scratch.sectRes);
        }
        FillDriftCells(row, scratch, gateCount);
    }
    state.ranks = RankDrScores(rows);
}

int64_t DriftCellScore(const std::string& cell) {
    if (cell.empty() || cell == "-")
        return 0;
    const size_t open = cell.find('(');
    if (open == std::string::npos)
        return 0;
    const size_t close = cell.find(')', open + 1);
    if (close == std::string::npos)
        return 0;
    const Float80 score = TextToFloat(std::string_view(cell).substr(open + 1, close - open - 1));
    // The cells hold one decimal; the nudge keeps 4.3 from reading as 42.
    const Float80 tenths = score * 10 + (score < 0 ? -1e-6L : 1e-6L);
    if (!std::isfinite(tenths) || std::fabs(tenths) > 1e15L)
        return 0;
    return static_cast<int64_t>(std::trunc(tenths));
}

DriftRanks RankDrScores(const std::vector<LapRow>& rows) {
    const size_t listed = static_cast<size_t>(
        std::find_if(rows.begin(), rows.end(), [](const LapRow& r) { return !IsListed(r); }) -
        rows.begin());
    DriftRanks ranks;
    const ColumnRanks lap = RankColumn(rows, listed, kDriftScoreColumn);
    ranks.DrRank1 = lap.first;
    ranks.DrRank2 = lap.second;
    ranks.DrRank3 = lap.third;
    for (int j = 0; j < kMaxSectors; ++j) {
        const ColumnRanks sector = RankColumn(rows, listed, kDriftSectorColumn + j);
        const auto at = static_cast<size_t>(j);
        ranks.DrSectRank1[at] = sector.first;
        ranks.DrSectRank2[at] = sector.second;
        ranks.DrSectRank3[at] = sector.third;
    }
    return ranks;
}

}  // namespace qv
