#include "core/local_time.h"

#include <cmath>
#include <ctime>

namespace qv {

int StandardTimeBiasMinutes() {
    tzset();
    // `timezone` is the standard-time offset in seconds west of UTC, which
    // is the bias itself; the daylight-saving offset lives elsewhere.
    return static_cast<int>(std::lround(static_cast<double>(timezone) / 60.0));
}

TDateTime LocalTimeBaseFromBias(int biasMinutes) {
    return kUnixEpochDays - static_cast<double>(biasMinutes) / 1440.0;
}

}  // namespace qv
