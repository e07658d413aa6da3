// Arbitrary bytes read as a VBO log: sound fixes and a start line on the
// earth only, a text without its three sections yields none, and the same
// fixes whether the text arrives whole or cut in two.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "decode/vbo_log_reader.h"
#include "text_log_checks.h"

using namespace qv::fuzz;

namespace {
constexpr qv::TDateTime kWritten = 45413.75;  // 2024-05-01 18:00 UTC
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qv::LogStore& log = FuzzSession().log;
    log.Reset();
    const qv::VboLogStats whole = qv::DecodeVboText(FuzzTarget(), text, kWritten);
    const std::vector<qv::TLogItem> fixes = CheckedFixes(log);
    Check(whole.columns || log.LogItemNum == 0);
    if (whole.startLine) {
        for (const auto& point : *whole.startLine)
            Check(std::fabs(point.lat) <= 90 && std::fabs(point.lon) <= 180);
    }

    log.Reset();
    qv::VboLogDecoder decoder(FuzzTarget(), kWritten);
    const size_t cut = CutOf(text);
    decoder.Feed(text.substr(0, cut));
    decoder.Feed(text.substr(cut));
    const qv::VboLogStats parts = decoder.Finish();
    Check(parts.unreadLines == whole.unreadLines && parts.Recognised() == whole.Recognised());
    Check(parts.startLine.has_value() == whole.startLine.has_value());
    Check(SameFixes(fixes, CheckedFixes(log)));
    return 0;
}
