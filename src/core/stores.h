#pragma once
// The stores of the open log and of the lap list. One of each lives in the
// Session; engine functions receive the store they work on by reference.

#include <cstddef>
#include <cstdint>
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

// The lap list and the laps shown in the four lap slots.
struct LapStore {
    std::vector<TLapStrLstRec> LapList;  // one per lap-list row
    int LapGroupNo = 0;
    std::vector<TLapDtRec> LapDt;  // index 0 is slot A; at most kMaxLapSlots

    static constexpr int kMaxLapSlots = 4;
    int LapNum() const { return static_cast<int>(LapList.size()); }
    int LapDtNum() const { return static_cast<int>(LapDt.size()); }
};

// Values read from the settings file; defaults for a first start.
struct Settings {
    int MinSatNum = 4;
    double MinLapDist = 0.2;  // km, 0.001 to 9.999
    double MinLapTime = 8.0;  // s, 1 to 99.9
    bool SpeedInKmh = true;
    bool DistInKm = true;
};

}  // namespace qv
