// The settings file reader and the configuration dialog rules on arbitrary
// bytes: every value read lies in its range, what is written reads back the
// same, and the dialog always accepts the values it shows.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "core/text_file.h"

namespace {

bool InRange(const qv::Settings& s) {
    return s.sectorGateHalfLength >= 1.0 && s.sectorGateHalfLength <= 30.0 &&
           s.MinLapDist >= 0.001 && s.MinLapDist <= 9.999 && s.MinLapTime >= 1.0 &&
           s.MinLapTime <= 99.9 && s.SpeedInKmh && s.DistInKm;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized copy, so that any read past the end is caught.
    std::unique_ptr<char[]> copy(new char[size > 0 ? size : 1]);
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    const std::string_view text(copy.get(), size);

    const std::vector<std::string> lines = qv::SplitTextLines(text);
    const qv::Settings s = qv::ParseSettingsLines(lines);
    if (!InRange(s))
        __builtin_trap();

    const std::string written = qv::FormatSettingsText(s);
    const std::vector<std::string> writtenLines = qv::SplitTextLines(written);
    // The two optional last lines appear only when their values are not the
    // defaults.
    if (writtenLines.size() < static_cast<size_t>(qv::kSettingsLineCount) ||
        writtenLines.size() > static_cast<size_t>(qv::kSettingsLineCount) + 2)
        __builtin_trap();
    const qv::Settings back = qv::ParseSettingsLines(writtenLines);
    if (!InRange(back) || qv::FormatSettingsText(back) != written ||
        back.MinSatNum != s.MinSatNum || back.diffTimeGraphShown != s.diffTimeGraphShown ||
        back.elevationGraphShown != s.elevationGraphShown ||
        back.driftGraphShown != s.driftGraphShown || back.libraryAutoAdd != s.libraryAutoAdd ||
        back.windowLanguage != s.windowLanguage) {
        __builtin_trap();
    }

    // OK on the unedited dialog never refuses and never changes the file.
    qv::Settings dialog = back;
    if (!qv::AcceptConfigTexts(qv::ConfigTextsFrom(back), dialog) || !InRange(dialog))
        __builtin_trap();

    // The first three lines as the three edits: accepted values are in range,
    // refused ones leave the settings alone.
    qv::ConfigTexts edits;
    if (!lines.empty())
        edits.sectorLength = lines[0];
    if (lines.size() > 1)
        edits.lapLength = lines[1];
    if (lines.size() > 2)
        edits.lapTime = lines[2];
    qv::Settings edited = s;
    if (qv::AcceptConfigTexts(edits, edited)) {
        if (!InRange(edited))
            __builtin_trap();
    } else if (qv::FormatSettingsText(edited) != qv::FormatSettingsText(s)) {
        __builtin_trap();
    }
    return 0;
}
