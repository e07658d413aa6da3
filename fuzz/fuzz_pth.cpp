// Track map text: the input is split into lines and read as a .pth file,
// then written and read again, which must give the same text.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_file.h"
#include "geometry/pth_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized copy, so that a read past the input is caught.
    const std::vector<char> input(data, data + size);
    const std::string_view text(input.data(), input.size());
    const std::vector<std::string> lines = qv::SplitTextLines(text);

    size_t openTags = 0;
    for (const std::string& line : lines) {
        if (line.find_first_of("\r\n") != std::string::npos)
            __builtin_trap();
        openTags += line == qv::kPthOpenTag;
    }
    qv::TrackMapStore store;
    qv::ParsePthLines(lines, store);
    size_t points = 0;
    for (const qv::TPathRec& path : store.TrackMap) {
        points += path.Elm.size();
        for (const qv::TPathElmRec& p : path.Elm) {
            if (!std::isfinite(p.Ido) || !std::isfinite(p.Kdo))
                __builtin_trap();
        }
    }
    if (static_cast<size_t>(store.TrackMapNum()) > openTags || points > lines.size())
        __builtin_trap();

    const std::string written = qv::FormatPthText(store);
    qv::TrackMapStore again;
    qv::ParsePthLines(qv::SplitTextLines(written), again);
    if (again.TrackMapNum() != store.TrackMapNum() || qv::FormatPthText(again) != written)
        __builtin_trap();
    return 0;
}
