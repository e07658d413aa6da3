#include "app/settings_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "app/folders.h"
#include "core/text_file.h"
#include "core/text_utils.h"

namespace qv {
namespace fs = std::filesystem;
namespace {

// The file is nine short lines; anything this large is not a settings file.
constexpr uintmax_t kMaxSettingsFileSize = 1024 * 1024;

constexpr double kSectorLengthMin = 1.0;
constexpr double kSectorLengthMax = 30.0;
constexpr double kLapDistMin = 0.001;
constexpr double kLapDistMax = 9.999;
constexpr double kLapTimeMin = 1.0;
constexpr double kLapTimeMax = 99.9;
constexpr int kLapLengthMinM = 1;
constexpr int kLapLengthMaxM = 9999;

// Compared as doubles: the limits are double literals, and the extended
// value of "0.001" lies just below the double 0.001.
double NumberOf(std::string_view text) {
    return static_cast<double>(TextToFloat(text));
}

bool InRange(double value, double lo, double hi) {
    return value >= lo && value <= hi;
}

double RangedOr(std::string_view text, double lo, double hi, double fallback) {
    const double value = NumberOf(text);
    return InRange(value, lo, hi) ? value : fallback;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsOne(std::string_view line) {
    return TrimBlanks(line) == "1";
}

const char* Flag(bool on) {
    return on ? "1" : "0";
}

WindowLanguage WindowLanguageFromLine(std::string_view line) {
    if (line == "en")
        return WindowLanguage::English;
    if (line == "ja")
        return WindowLanguage::Japanese;
    return WindowLanguage::System;
}

std::string_view WindowLanguageLine(WindowLanguage language) {
    switch (language) {
        case WindowLanguage::English:
            return "en";
        case WindowLanguage::Japanese:
            return "ja";
        case WindowLanguage::System:
            break;
    }
    return {};
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
    char buffer[512];
    const auto res =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (res.ec != std::errc())
        return "0";
    return std::string(buffer, res.ptr);
}

Settings ParseSettingsLines(const std::vector<std::string>& lines) {
    const Settings defaults;
    Settings s;
    const size_t n = lines.size();
    if (n > 0)
        s.sectorGateHalfLength =
            RangedOr(lines[0], kSectorLengthMin, kSectorLengthMax, defaults.sectorGateHalfLength);
    if (n > 1)
        s.MinLapDist = RangedOr(lines[1], kLapDistMin, kLapDistMax, defaults.MinLapDist);
    if (n > 2)
        s.MinLapTime = RangedOr(lines[2], kLapTimeMin, kLapTimeMax, defaults.MinLapTime);
    // The program works in km/h and metres only: lines 4 and 5 are read as
    // just that, whatever they hold.
    s.SpeedInKmh = true;
    s.DistInKm = true;
    if (n > 5)
        s.diffTimeGraphShown = IsOne(lines[5]);
    if (n > 6)
        s.elevationGraphShown = IsOne(lines[6]);
    if (n > 7)
        s.MinSatNum = TextToIntDef(lines[7], defaults.MinSatNum);
    if (n > 8)
        s.driftGraphShown = IsOne(lines[8]);
    if (n > 9)
        s.libraryAutoAdd = TrimBlanks(lines[9]) != "0";
    if (n > 10)
        s.windowLanguage = WindowLanguageFromLine(TrimBlanks(lines[10]));
    return s;
}

std::string FormatSettingsText(const Settings& s) {
    std::vector<std::string> lines{
        FormatFixed(s.sectorGateHalfLength, 1),
        FormatFixed(s.MinLapDist, 3),
        FormatFixed(s.MinLapTime, 1),
        "0",
        "0",
        Flag(s.diffTimeGraphShown),
        Flag(s.elevationGraphShown),
        std::to_string(s.MinSatNum),
        Flag(s.driftGraphShown),
    };
    // Written only when not the default, so that a file of the defaults
    // stays nine lines.
    const std::string_view language = WindowLanguageLine(s.windowLanguage);
    if (!s.libraryAutoAdd || !language.empty())
        lines.emplace_back(Flag(s.libraryAutoAdd));
    if (!language.empty())
        lines.emplace_back(language);
    return JoinCrLf(lines);
}

SettingsLoad LoadSettingsFile(const fs::path& path, Settings& settings) {
    SettingsLoad load;
    std::error_code ec;
    const bool exists = fs::exists(path, ec);
    TextFileRead read;
    if (exists) {
        read = ReadTextLines(path, kMaxSettingsFileSize);
        if (!read.ok) {
            settings = Settings{};
            load.source = SettingsSource::DefaultsOnly;
            load.error = read.error;
            return load;
        }
    }
    if (!exists || read.lines.empty()) {
        settings = Settings{};
        load.source = SettingsSource::DefaultsWritten;
        const WriteResult written = SaveSettingsFile(path, settings);
        if (!written.ok)
            load.error = written.error;
        return load;
    }
    settings = ParseSettingsLines(read.lines);
    load.source = SettingsSource::File;
    return load;
}

WriteResult SaveSettingsFile(const fs::path& path, const Settings& settings) {
    return WriteFileAtomically(path, FormatSettingsText(settings));
}

MigrationResult MigrateSettingsFile(const fs::path& from, const fs::path& to) {
    MigrationResult result;
    std::error_code ec;
    if (!fs::is_regular_file(from, ec))
        return result;
    if (!CopyFileReplacing(from, to, result.error))
        return result;
    fs::remove(from, ec);
    if (ec) {
        result.error = from.string() + ": " + ec.message();
        return result;
    }
    result.moved = true;
    return result;
}

ConfigTexts ConfigTextsFrom(const Settings& settings) {
    ConfigTexts texts;
    texts.sectorLength = FormatFixed(settings.sectorGateHalfLength, 1);
    // Whole metres, fractions dropped; the small allowance keeps 2.01 km from
    // showing as 2009 m because 2.01 x 1000 is a hair below 2010 in binary.
    const double metres = std::floor(settings.MinLapDist * 1000.0 + 1e-7);
    texts.lapLength = std::isfinite(metres) && std::fabs(metres) < 2e9
                          ? std::to_string(static_cast<long long>(metres))
                          : std::string("0");
    texts.lapTime = FormatFixed(settings.MinLapTime, 1);
    return texts;
}

bool AcceptConfigTexts(const ConfigTexts& texts, Settings& settings) {
    const double sector = NumberOf(texts.sectorLength);
    const int lapLength = TextToIntDef(texts.lapLength, 0);
    const double lapTime = NumberOf(texts.lapTime);
    if (!InRange(sector, kSectorLengthMin, kSectorLengthMax) || lapLength < kLapLengthMinM ||
        lapLength > kLapLengthMaxM || !InRange(lapTime, kLapTimeMin, kLapTimeMax)) {
        return false;
    }
    settings.sectorGateHalfLength = sector;
    settings.MinLapDist = lapLength / 1000.0;
    settings.MinLapTime = lapTime;
    return true;
}

}  // namespace qv
