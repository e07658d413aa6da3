// Arbitrary bytes read as a GPX track: sound fixes only, a document without
// a gpx element yields none, and the same fixes whether the text arrives
// whole or cut in two.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "decode/gpx_log_reader.h"
#include "text_log_checks.h"

using namespace qv::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qv::LogStore& log = FuzzSession().log;
    log.Reset();
    const qv::GpxLogStats whole = qv::DecodeGpxText(FuzzTarget(), text);
    const std::vector<qv::TLogItem> fixes = CheckedFixes(log);
    Check(whole.Recognised() || log.LogItemNum == 0);

    log.Reset();
    qv::GpxLogDecoder decoder(FuzzTarget());
    const size_t cut = CutOf(text);
    if (decoder.Feed(text.substr(0, cut)))
        decoder.Feed(text.substr(cut));
    const qv::GpxLogStats parts = decoder.Finish();
    Check(parts.gpxRoot == whole.gpxRoot && parts.xmlError.empty() == whole.xmlError.empty());
    Check(SameFixes(fixes, CheckedFixes(log)));
    return 0;
}
