// Text laps of arbitrary bytes: every sample must come from a line of at
// least eight fields, and no number may come out unusable.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/text_file.h"
#include "laps/csvv_file.h"

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

bool Finite(qv::Float80 v) {
    return std::isfinite(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A buffer of exactly the input's size, so a read past it is caught.
    const std::vector<char> input(data, data + size);
    const std::string_view text(input.data(), input.size());
    constexpr int kMinSat = 4;
    const qv::CsvvRead read = qv::ParseCsvvText(text, kMinSat);

    size_t usable = 0;
    for (const std::string& line : qv::SplitTextLines(text)) {
        if (qv::ParseCsvvLine(line, kMinSat))
            ++usable;
    }
    Check(read.samples.size() == usable);
    qv::Float80 top = 0;
    for (const qv::TLapElmRec& s : read.samples) {
        Check(std::isfinite(s.DtTm) && std::isfinite(s.Tm));
        Check(Finite(s.Sec) && Finite(s.Ido) && Finite(s.Kdo) && Finite(s.Elv));
        Check(Finite(s.Spd) && Finite(s.Dir) && Finite(s.Dist));
        if (s.Spd > top)
            top = s.Spd;
    }
    Check(read.topSpeed == top);
    return 0;
}
