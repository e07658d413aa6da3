#pragma once
// The stores of the open log and of the lap list. One of each lives in the
// Session; engine functions receive the store they work on by reference.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/diagnostic_list.h"
#include "core/fixed_array.h"
#include "core/records.h"

namespace qv {

inline constexpr size_t kRawLogBufSize = 16 * 1024 * 1024;
inline constexpr int MaxLogItemNum = 630000;
inline constexpr size_t kDiagnosticLines = 33;

// The fixes and logging runs of the one open log, with the decoder state
// that spans the sectors or blocks of one image.
struct LogStore {
    FixedArray<TLogItem> LogItems{MaxLogItemNum};
    FixedArray<TMotionSens> MotionItems{MaxLogItemNum};
    int LogItemNum = 0;
    std::vector<TLogBlock> LogBlocks;
    TLogRect LogRect;
    TDateTime PrevFixTime = 0;
    bool UnexpectedFormatSeen = false;  // an MTK record of a foreign format word
    bool SatDetailFormatSeen = false;   // an MTK record with the satellite list
    // Records that arrived while the fix store was full; they are dropped.
    int64_t DroppedRecords = 0;

    int LogBlockNum() const { return static_cast<int>(LogBlocks.size()); }

    // Empties the fixes, blocks and bounding box before a new log is decoded.
    void Reset() {
        LogItemNum = 0;
        LogBlocks.clear();
        LogRect = TLogRect{};
        PrevFixTime = 0;
        UnexpectedFormatSeen = false;
        DroppedRecords = 0;
    }
};

inline constexpr int kLapListColumns = 20;
// The texts of one lap-list row; column 1 is the four-digit lap number that
// names the row's temporary lap file.
using LapRow = std::array<std::string, kLapListColumns>;

// The lap list and the laps shown in the four lap slots.
struct LapStore {
    std::vector<TLapStrLstRec> LapList;  // one per lap-list row
    std::vector<LapRow> LapRows;         // parallel to LapList
    int LapGroupNo = 0;
    std::vector<TLapDtRec> LapDt;  // index 0 is slot A; at most kMaxLapSlots

    static constexpr int kMaxLapSlots = 4;
    int LapNum() const { return static_cast<int>(LapList.size()); }
    int LapDtNum() const { return static_cast<int>(LapDt.size()); }
};

// Folders the engine reads and writes; filled at start-up.
struct Folders {
    std::filesystem::path TempFolder;  // temporary lap files
    std::filesystem::path documentsRoot;
    std::filesystem::path lastLogFolder;
    // Where the download saves raw logs: the user's Raw folder until a
    // download is saved elsewhere.
    std::filesystem::path rawLogFolder;
    std::filesystem::path lastLapDataFolder;
    std::filesystem::path controlLineFolder;
    std::filesystem::path trackMapFolder;
    std::filesystem::path sectorFolder;
    // The last folder of the CSV, KML and picture save dialogs, shared by all.
    std::filesystem::path csvFolder;
};

}  // namespace qv
