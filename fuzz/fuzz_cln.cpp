// Control-line text under both ways of reading it: what a file sets must
// agree with the kind reported, an unusable file must change nothing, and
// writing the lines back must read the same.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_file.h"
#include "core/text_utils.h"
#include "laps/cln_file.h"

namespace {

bool Same(const qv::LineState& a, const qv::LineState& b) {
    auto sameLine = [](const qv::Line& x, const qv::Line& y) {
        return x[0].lat == y[0].lat && x[0].lon == y[0].lon && x[1].lat == y[1].lat &&
               x[1].lon == y[1].lon;
    };
    return a.controlLineSet == b.controlLineSet && a.startLineSet == b.startLineSet &&
           a.finishLineSet == b.finishLineSet && a.Rally == b.Rally && sameLine(a.first, b.first) &&
           sameLine(a.finish, b.finish);
}

bool Degenerate(const qv::Line& l) {
    return l[0].lat == l[1].lat && l[0].lon == l[1].lon;
}

// Ends closer than the six written decimals meet in the written file.
bool MeetWhenWritten(const qv::Line& l) {
    auto written = [](qv::Float80 v) { return qv::TextToFloat(qv::FormatFixed6(v)); };
    return written(l[0].lat) == written(l[1].lat) && written(l[0].lon) == written(l[1].lon);
}

void Check(const std::vector<std::string>& lines, const qv::LineState& before, qv::ClnRally rally) {
    qv::LineState state = before;
    const qv::ClnKind kind = qv::ApplyClnLines(lines, state, rally);
    switch (kind) {
        case qv::ClnKind::None:
            if (!Same(state, before))
                __builtin_trap();
            return;
        case qv::ClnKind::ControlLine:
            if (!state.controlLineSet || state.startLineSet || state.finishLineSet || state.Rally ||
                Degenerate(state.first)) {
                __builtin_trap();
            }
            break;
        case qv::ClnKind::StartFinish:
            if (state.controlLineSet || !state.startLineSet || !state.finishLineSet ||
                Degenerate(state.first) || Degenerate(state.finish) ||
                (rally == qv::ClnRally::Ignored && state.Rally != before.Rally)) {
                __builtin_trap();
            }
            break;
    }
    const std::optional<std::string> written = qv::FormatClnText(state);
    if (!written)
        __builtin_trap();
    const bool meets = MeetWhenWritten(state.first) ||
                       (kind == qv::ClnKind::StartFinish && MeetWhenWritten(state.finish));
    qv::LineState again;
    const qv::ClnKind reread =
        qv::ApplyClnLines(qv::SplitTextLines(*written), again, qv::ClnRally::FromFile);
    if (meets ? reread != qv::ClnKind::None
              : (reread != kind || qv::FormatClnText(again) != written)) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<char> input(data, data + size);
    const std::vector<std::string> lines =
        qv::SplitTextLines(std::string_view(input.data(), input.size()));

    qv::LineState empty;
    qv::LineState startFinish;
    startFinish.startLineSet = startFinish.finishLineSet = true;
    startFinish.first = {{{35.1L, 138.1L}, {35.2L, 138.2L}}};
    startFinish.finish = {{{35.3L, 138.3L}, {35.4L, 138.4L}}};
    startFinish.Rally = true;
    for (const qv::ClnRally rally : {qv::ClnRally::FromFile, qv::ClnRally::Ignored}) {
        Check(lines, empty, rally);
        Check(lines, startFinish, rally);
    }
    return 0;
}
