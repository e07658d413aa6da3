#pragma once
// The stores a log is decoded into: the raw image, the fix store and the
// diagnostic list, with the time base that turns logger times into local
// dates. The decoders work on this slice of the program's state only.

#include <array>
#include <cstdint>
#include <optional>

#include "core/date_time.h"
#include "core/diagnostic_list.h"
#include "core/ext80.h"
#include "core/fixed_array.h"
#include "core/stores.h"

namespace qv {

struct LogSession {
    // `localTimeBase` is the local date-time of 1970-01-01 00:00 UTC (see
    // LocalTimeBaseFromBias); tests pass a fixed one.
    explicit LogSession(TDateTime localTimeBase) : LocalTimeBase(localTimeBase) {}
    LogSession(const LogSession&) = delete;
    LogSession& operator=(const LogSession&) = delete;

    TDateTime LocalTimeBase;
    FixedArray<uint8_t> RawLogBuf{kRawLogBufSize};
    LogStore log;
    DiagnosticList diagnostics{kDiagnosticLines};  // newest first
    // A start/finish line the log file names itself (a VBO's [laptiming]
    // "Start"): two points, latitude and longitude in degrees, east and north
    // positive. Cleared whenever another log is read.
    struct FileLinePoint {
        Float80 lat = 0;
        Float80 lon = 0;
    };
    std::optional<std::array<FileLinePoint, 2>> fileStartLine;
};

}  // namespace qv
