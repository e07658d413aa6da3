#include "core/display_format.h"

#include <cstdarg>
#include <cstdio>

namespace qv {

std::string FormatSpeed(double kmh, bool speedInKmh) {
    return StrFormat("%.2f", speedInKmh ? kmh : kmh / kKmhPerMph);
}

std::string FormatDistance(double km, bool distInKm) {
    return distInKm ? StrFormat("%.3f", km) : StrFormat("%.0f", km / kKmPerFoot);
}

std::string StrFormat(const char* format, ...) {
    char small[256];
    va_list args;
    va_start(args, format);
    va_list retry;
    va_copy(retry, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (length < 0) {
        va_end(retry);
        return out;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        out.assign(small, static_cast<size_t>(length));
    } else {
        out.resize(static_cast<size_t>(length));
        std::vsnprintf(out.data(), out.size() + 1, format, retry);
    }
    va_end(retry);
    return out;
}

}  // namespace qv
