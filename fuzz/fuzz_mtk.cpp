// The input is an MTK flash image: its first bytes form sector 0's header.
// It is copied into a buffer of exactly its size, so any read past the image
// is caught by AddressSanitizer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/session.h"
#include "decode/log_check_value.h"
#include "decode/mtk_decoder.h"

namespace {
// The stores are large; build them once and reset them for every input.
qv::Session& FuzzSession() {
    static auto session = std::make_unique<qv::Session>(25569.0 - 540 / 1440.0);
    return *session;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::Session& session = FuzzSession();
    session.log.Reset();
    session.diagnostics.Clear();
    const std::vector<uint8_t> image(data, data + size);
    const size_t sectors = (size + qv::kMtkSectorSize - 1) / qv::kMtkSectorSize;
    qv::DecodeMtkImage({session.log, session.diagnostics, session.LocalTimeBase}, image, sectors);

    int counted = 0;
    for (const qv::TLogBlock& b : session.log.LogBlocks)
        counted += b.RecNum;
    if (counted != session.log.LogItemNum || session.diagnostics.Lines().size() > 33) {
        __builtin_trap();
    }
    (void)qv::LogCheckValueOf(session.log);
    return 0;
}
