#include "core/progress_text.h"

#include <algorithm>
#include <cmath>

#include "core/display_format.h"

namespace qv {
namespace {

constexpr double kMiB = 1024.0 * 1024.0;
// Below this the rate is mostly start-up noise.
constexpr double kFirstRateSeconds = 0.5;

std::string DurationText(double seconds) {
    const int64_t whole = static_cast<int64_t>(std::ceil(seconds));
    const int64_t h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    if (h > 0)
        return StrFormat("%lld:%02lld:%02lld", static_cast<long long>(h), static_cast<long long>(m),
                         static_cast<long long>(s));
    return StrFormat("%lld:%02lld", static_cast<long long>(m), static_cast<long long>(s));
}

}  // namespace

std::string ByteSizeText(int64_t bytes) {
    if (bytes < 1024)
        return StrFormat("%lld B", static_cast<long long>(bytes));
    if (bytes < 1024 * 1024)
        return StrFormat("%lld KiB", static_cast<long long>(bytes / 1024));
    return StrFormat("%.1f MiB", static_cast<double>(bytes) / kMiB);
}

std::string ProgressText(int64_t done, int64_t total, double elapsedSeconds) {
    done = std::max<int64_t>(done, 0);
    if (total > 0)
        done = std::min(done, total);
    std::string text = ByteSizeText(done);
    if (total > 0) {
        text += " of " + ByteSizeText(total);
        text += StrFormat(", %d%%", static_cast<int>(done * 100 / total));
    }
    const bool rateKnown = elapsedSeconds >= kFirstRateSeconds && done > 0;
    const double rate = rateKnown ? static_cast<double>(done) / elapsedSeconds : 0.0;
    text += rateKnown ? ", " + ByteSizeText(static_cast<int64_t>(rate)) + "/s" : ", -- /s";
    if (total > 0 && done == total)
        text += ", 0:00 left";
    else if (total > 0)
        text += rateKnown ? ", " + DurationText(static_cast<double>(total - done) / rate) + " left"
                          : ", --:-- left";
    return text;
}

}  // namespace qv
