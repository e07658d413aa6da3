#include "core/text_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "core/file_handle.h"

namespace qv {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

std::vector<std::string> SplitTextLines(std::string_view text) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines.emplace_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n') {
            ++end;
        }
        start = end + 1;
    }
    return lines;
}

TextFileRead ReadTextLines(const std::filesystem::path& path, uintmax_t maxSize) {
    TextFileRead result;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        result.error = std::strerror(EISDIR);
        return result;
    }
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.error = std::strerror(errno);
        return result;
    }
    // Read in pieces rather than trusting the size reported beforehand: the
    // file may change while it is read, and special files report none.
    std::string text;
    char buffer[65536];
    for (;;) {
        const size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        if (got > 0) {
            if (text.size() + got > maxSize) {
                result.error = std::strerror(EFBIG);
                return result;
            }
            text.append(buffer, got);
        }
        if (got < sizeof buffer) {
            if (std::ferror(file.get())) {
                result.error = std::strerror(errno);
                return result;
            }
            break;
        }
    }
    result.lines = SplitTextLines(text);
    result.ok = true;
    return result;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string FormatFixed6(Float80 value) {
    // The longest fixed text of a long double has about 4940 digits.
    std::string out(5000, '\0');
    const auto res =
        std::to_chars(out.data(), out.data() + out.size(), value, std::chars_format::fixed, 6);
    if (res.ec != std::errc())
        return "0.000000";
    out.resize(static_cast<size_t>(res.ptr - out.data()));
    return out;
}

int32_t TextToIntDef(std::string_view text, int32_t fallback) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return fallback;
    }
    if (text.empty())
        return fallback;
    int32_t value = 0;
    const char* last = text.data() + text.size();
    const auto res = std::from_chars(text.data(), last, value, 10);
    if (res.ec != std::errc() || res.ptr != last)
        return fallback;
    return value;
}

}  // namespace qv
