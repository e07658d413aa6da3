#pragma once
// The stores a log is decoded into: the raw image, the fix store and the
// diagnostic list, with the time base that turns logger times into local
// dates. The decoders work on this slice of the program's state only.

#include <cstdint>

#include "core/date_time.h"
#include "core/diagnostic_list.h"
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
};

}  // namespace qv
