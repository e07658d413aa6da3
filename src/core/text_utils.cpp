#include "core/text_utils.h"

#include <charconv>

namespace qv {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

void SplitAtChar(std::vector<std::string>& list, std::string_view text, char separator) {
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            list.emplace_back(text.substr(start));
            return;
        }
        list.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

int HexDigitValue(char c) {
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

int DigitValue(char c) {
    if (IsDigit(c))
        return c - '0';
    return c == '-' ? -1 : 0;
}

int32_t HexToInt(std::string_view text) {
    // Unsigned so that long texts wrap instead of overflowing.
    uint32_t value = 0;
    for (const char c : text)
        value = value * 16 + static_cast<uint32_t>(HexDigitValue(c));
    return static_cast<int32_t>(value);
}

Float80 TextToFloat(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    // from_chars takes no '+' but does take "inf" and "nan"; numbers in the
    // program's files are plain decimals, so accept exactly those.
    std::string_view number = text;
    size_t mantissaStart = 0;
    if (!number.empty() && number.front() == '+') {
        number.remove_prefix(1);
    } else if (!number.empty() && number.front() == '-') {
        mantissaStart = 1;
    }
    const std::string_view mantissa = number.substr(mantissaStart);
    const bool startsLikeNumber =
        !mantissa.empty() && (IsDigit(mantissa[0]) ||
                              (mantissa[0] == '.' && mantissa.size() > 1 && IsDigit(mantissa[1])));
    if (!startsLikeNumber)
        return 0;
    Float80 value = 0;
    const char* last = number.data() + number.size();
    const auto res = std::from_chars(number.data(), last, value, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != last)
        return 0;
    return value;
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

}  // namespace qv
