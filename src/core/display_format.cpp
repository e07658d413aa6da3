#include "core/display_format.h"

#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace qv {

std::string FormatSpeed(double kmh, bool speedInKmh) {
    return StrFormat("%.2f", speedInKmh ? kmh : kmh / kKmhPerMph);
}

std::string FormatDistance(double km, bool distInKm) {
    return distInKm ? StrFormat("%.3f", km) : StrFormat("%.0f", km / kKmPerFoot);
}

namespace {

// printf of one value, which may need any length.
template <typename... Args>
std::string PrintOne(const std::string& pattern, Args... args) {
    char small[128];
    const int length = std::snprintf(small, sizeof small, pattern.c_str(), args...);
    if (length < 0)
        return {};
    if (static_cast<size_t>(length) < sizeof small)
        return std::string(small, static_cast<size_t>(length));
    std::string out(static_cast<size_t>(length), '\0');
    std::snprintf(out.data(), out.size() + 1, pattern.c_str(), args...);
    return out;
}

// A conversion with its '*' width and precision, if it has them.
struct Stars {
    int count = 0;
    int first = 0;
    int second = 0;
};

template <typename T>
std::string PrintWithStars(const std::string& pattern, const Stars& stars, T value) {
    switch (stars.count) {
        case 0:
            return PrintOne(pattern, value);
        case 1:
            return PrintOne(pattern, stars.first, value);
        default:
            return PrintOne(pattern, stars.first, stars.second, value);
    }
}

// A value that rounds to zero at the precision shown is zero: a tiny
// negative one would otherwise read "-0.00".
template <typename T>
std::string PrintFloat(const std::string& pattern, const Stars& stars, T value) {
    std::string text = PrintWithStars(pattern, stars, value);
    if (!std::isfinite(value) || !std::signbit(value))
        return text;
    const std::string_view mantissa = std::string_view(text).substr(0, text.find_first_of("eE"));
    if (mantissa.find_first_of("123456789") == std::string_view::npos)
        text = PrintWithStars(pattern, stars, T(0));
    return text;
}

enum class Length { kNone, kChar, kShort, kLong, kLongLong, kLongDouble, kSize, kMax, kPtrDiff };

// Reads the length modifier at `p` and steps over it.
Length TakeLength(const char*& p) {
    switch (*p) {
        case 'h':
            ++p;
            if (*p == 'h') {
                ++p;
                return Length::kChar;
            }
            return Length::kShort;
        case 'l':
            ++p;
            if (*p == 'l') {
                ++p;
                return Length::kLongLong;
            }
            return Length::kLong;
        case 'L':
            ++p;
            return Length::kLongDouble;
        case 'z':
            ++p;
            return Length::kSize;
        case 'j':
            ++p;
            return Length::kMax;
        case 't':
            ++p;
            return Length::kPtrDiff;
        default:
            return Length::kNone;
    }
}

// One conversion written as `pattern`, taking its value from `args`.
std::string PrintConversion(const std::string& pattern, char conversion, Length length,
                            const Stars& stars, va_list& args) {
    switch (conversion) {
        case 'd':
        case 'i':
            switch (length) {
                case Length::kLong:
                    return PrintWithStars(pattern, stars, va_arg(args, long));
                case Length::kLongLong:
                    return PrintWithStars(pattern, stars, va_arg(args, long long));
                case Length::kSize:
                case Length::kPtrDiff:
                    return PrintWithStars(pattern, stars, va_arg(args, ptrdiff_t));
                case Length::kMax:
                    return PrintWithStars(pattern, stars, va_arg(args, intmax_t));
                default:
                    return PrintWithStars(pattern, stars, va_arg(args, int));
            }
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            switch (length) {
                case Length::kLong:
                    return PrintWithStars(pattern, stars, va_arg(args, unsigned long));
                case Length::kLongLong:
                    return PrintWithStars(pattern, stars, va_arg(args, unsigned long long));
                case Length::kSize:
                case Length::kPtrDiff:
                    return PrintWithStars(pattern, stars, va_arg(args, size_t));
                case Length::kMax:
                    return PrintWithStars(pattern, stars, va_arg(args, uintmax_t));
                default:
                    return PrintWithStars(pattern, stars, va_arg(args, unsigned));
            }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            if (length == Length::kLongDouble)
                return PrintFloat(pattern, stars, va_arg(args, long double));
            return PrintFloat(pattern, stars, va_arg(args, double));
        case 'a':
        case 'A':
            if (length == Length::kLongDouble)
                return PrintWithStars(pattern, stars, va_arg(args, long double));
            return PrintWithStars(pattern, stars, va_arg(args, double));
        case 'c':
            return PrintWithStars(pattern, stars, va_arg(args, int));
        case 's':
        case 'p':
            return PrintWithStars(pattern, stars, va_arg(args, const void*));
        case 'n':
            va_arg(args, void*);
            return {};
        default:
            return pattern;
    }
}

}  // namespace

// Each conversion is printed on its own, so that a floating value can be
// looked at as shown; text arguments pass untouched.
std::string StrFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out;
    const char* p = format;
    while (*p != '\0') {
        const char* percent = std::strchr(p, '%');
        if (percent == nullptr) {
            out += p;
            break;
        }
        out.append(p, percent);
        p = percent + 1;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        Stars stars;
        auto takeNumber = [&] {
            if (*p == '*') {
                ++p;
                (stars.count++ == 0 ? stars.first : stars.second) = va_arg(args, int);
                return;
            }
            while (*p >= '0' && *p <= '9')
                ++p;
        };
        while (*p != '\0' && std::strchr("-+ #0'", *p) != nullptr)
            ++p;
        takeNumber();
        if (*p == '.') {
            ++p;
            takeNumber();
        }
        const Length length = TakeLength(p);
        if (*p == '\0') {
            out.append(percent, p);
            break;
        }
        const char conversion = *p++;
        out += PrintConversion(std::string(percent, p), conversion, length, stars, args);
    }
    va_end(args);
    return out;
}

}  // namespace qv
