#pragma once
// The machine's standard-time bias, read once at start-up. Daylight saving
// is deliberately not applied: logger times are shown in standard time the
// whole year, as the rest of the program expects.

#include "core/date_time.h"

namespace qv {

// Minutes to add to local standard time to get UTC (UTC = local + bias), so
// UTC+9 gives -540. Honours the TZ environment variable.
int StandardTimeBiasMinutes();

// 25569 - bias / 1440: the local date-time of 1970-01-01 00:00 UTC.
TDateTime LocalTimeBaseFromBias(int biasMinutes);

// The local date-time of a logger time in seconds since 1970-01-01 UTC.
inline TDateTime LoggerTimeToLocal(double utcSeconds, TDateTime localTimeBase) {
    return utcSeconds / kSecondsPerDay + localTimeBase;
}

}  // namespace qv
