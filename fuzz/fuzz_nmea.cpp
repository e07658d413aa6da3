// Arbitrary bytes read as an NMEA log: sound fixes only, and the same fixes
// whether the text arrives whole or cut in two.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "decode/nmea_log_reader.h"
#include "text_log_checks.h"

using namespace qv::fuzz;

namespace {
constexpr qv::TDateTime kWritten = 45413.75;  // 2024-05-01 18:00 UTC
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qv::LogStore& log = FuzzSession().log;
    log.Reset();
    const qv::NmeaLogStats whole = qv::DecodeNmeaText(FuzzTarget(), text, kWritten);
    const std::vector<qv::TLogItem> fixes = CheckedFixes(log);
    Check(whole.sentences + whole.badChecksums + whole.unreadLines >= log.LogItemNum);
    Check(whole.Recognised() || log.LogItemNum == 0);

    log.Reset();
    qv::NmeaLogDecoder decoder(FuzzTarget(), kWritten);
    const size_t cut = CutOf(text);
    decoder.Feed(text.substr(0, cut));
    decoder.Feed(text.substr(cut));
    const qv::NmeaLogStats parts = decoder.Finish();
    Check(parts.sentences == whole.sentences && parts.unreadLines == whole.unreadLines);
    Check(SameFixes(fixes, CheckedFixes(log)));
    return 0;
}
