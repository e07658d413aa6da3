// The input is a .bnx4 flash image: its first bytes form block 0's header.
// It is copied into a buffer of exactly its size, so any read past the image
// is caught by AddressSanitizer. Every stored fix must pass the decoder's
// plausibility rules, and smoothing must keep speeds within their range.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/session.h"
#include "decode/bnx4_decoder.h"
#include "decode/log_check_value.h"
#include "decode/smooth_speeds.h"

namespace {
// The stores are large; build them once and reset them for every input.
qv::Session& FuzzSession() {
    static auto session = std::make_unique<qv::Session>(25569.0 - 540 / 1440.0);
    return *session;
}

bool Plausible(const qv::TLogItem& f, int blocks) {
    return f.valid == 3 && f.Spd > 0 && f.Spd <= 2000 && f.Ido >= -90 && f.Ido <= 90 &&
           f.Kdo >= -180 && f.Kdo <= 180 && f.ms <= 998 && f.DtTm >= 44197.0 &&
           std::isfinite(f.Elv) && f.Dir == 0 && !f.Act && f.BlkIdx >= 0 && f.BlkIdx < blocks;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::Session& session = FuzzSession();
    qv::LogStore& log = session.log;
    log.Reset();
    session.diagnostics.Clear();
    const std::vector<uint8_t> image(data, data + size);
    const size_t blocks = (size + qv::kBlock4kSize - 1) / qv::kBlock4kSize;
    qv::DecodeBlock4kImage({log, session.diagnostics, session.LocalTimeBase}, image, blocks);

    int counted = 0;
    for (const qv::TLogBlock& b : log.LogBlocks)
        counted += b.RecNum;
    if (counted != log.LogItemNum || !session.diagnostics.Lines().empty())
        __builtin_trap();
    float lo = 2000, hi = 0;
    for (int i = 0; i < log.LogItemNum; ++i) {
        if (!Plausible(log.LogItems[i], log.LogBlockNum()))
            __builtin_trap();
        lo = std::min(lo, log.LogItems[i].Spd);
        hi = std::max(hi, log.LogItems[i].Spd);
    }
    (void)qv::LogCheckValueOf(log);

    // A weighted mean of positive speeds stays between their extremes.
    qv::SmoothSpeeds(log);
    for (int i = 0; i < log.LogItemNum; ++i) {
        const float s = log.LogItems[i].Spd;
        if (!(s >= lo && s <= hi))
            __builtin_trap();
    }
    return 0;
}
