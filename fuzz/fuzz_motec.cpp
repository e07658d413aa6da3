// MoTeC exports of arbitrary bytes: the import either refuses or yields
// samples whose times, distances and speeds come from their own line, and
// the G loader never writes past the lap.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/text_file.h"
#include "exchange/motec_csv.h"
#include "exchange/motec_g.h"
#include "exchange/motec_import.h"
#include "laps/lap_file.h"

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<char> input(data, data + size);
    const std::vector<std::string> lines =
        qv::SplitTextLines(std::string_view(input.data(), input.size()));
    const qv::MotecLap lap = qv::ParseMotecLap(lines, {}, 4);
    const std::optional<qv::MotecLayout> layout = qv::FindMotecLayout(lines);
    if (lap.refusal == qv::MotecRefusal::None) {
        Check(layout.has_value());
        Check(!lap.samples.empty());
        Check(lap.samples.size() <= lines.size() - layout->dataStartLine);
        qv::Float80 top = 0;
        for (const qv::TLapElmRec& s : lap.samples) {
            Check(std::isfinite(s.DtTm) && std::isfinite(s.Tm));
            Check(std::isfinite(qv::Float80(s.Sec)) && std::isfinite(qv::Float80(s.Dist)));
            Check(s.UseSat == 4);
            top = std::max(top, qv::Float80(s.Spd));
        }
        Check(lap.topSpeed == top);
        qv::TLapDtRec slotA = qv::MakeLapDt("0000", lap.samples);
        std::vector<qv::TLapElmRec> fitted = lap.samples;
        qv::FitMotecLapToSlotA(fitted, slotA);
        Check(fitted.size() == lap.samples.size());
    } else {
        Check(lap.samples.empty() || lap.refusal == qv::MotecRefusal::NoSamples);
    }
    // The G loader on laps shorter and longer than the file.
    for (size_t n : {size_t{0}, size_t{1}, size_t{3}, lines.size() + 2}) {
        qv::TLapDtRec dt = qv::MakeLapDt("0001", std::vector<qv::TLapElmRec>(n));
        const bool applied = qv::ApplyMotecG(lines, dt);
        Check(!applied || layout.has_value());
        Check(dt.GElm.size() == n);
    }
    return 0;
}
