// The first input byte picks the run-file variant; the rest is the file. It
// is copied into a buffer of exactly its size, so any read past the file is
// caught by AddressSanitizer.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/session.h"
#include "decode/run_file_decoder.h"

namespace {
// The stores are large; build them once and reset them for every input.
qv::Session& FuzzSession() {
    static auto session = std::make_unique<qv::Session>(25569.0 - 540 / 1440.0);
    return *session;
}

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    constexpr qv::RunFileVariant kVariants[] = {qv::RunFileVariant::Bon, qv::RunFileVariant::Bon4,
                                                qv::RunFileVariant::Bonz, qv::RunFileVariant::Bnz4};
    const qv::RunFileVariant variant = kVariants[data[0] % 4];
    const qv::RunFileVariantInfo& info = qv::RunFileVariantInfoOf(variant);

    qv::Session& session = FuzzSession();
    session.log.Reset();
    session.diagnostics.Clear();
    const std::vector<uint8_t> file(data + 1, data + size);
    const qv::RunFileResult result =
        qv::DecodeRunFile({session.log, session.diagnostics, session.LocalTimeBase}, file, variant);
    const qv::LogStore& log = session.log;

    Check(result.sizeOk == qv::IsRunFileSize(file.size(), variant));
    Check(result.checkPassed == qv::RunFileCheckPasses(file, variant));
    if (!result.checkPassed)
        Check(log.LogItemNum == 0 && log.LogBlockNum() == 0);
    Check(log.LogItemNum == result.storedFixes && log.LogItemNum >= 0 &&
          log.LogItemNum <= qv::MaxLogItemNum);
    Check(static_cast<size_t>(result.storedFixes) + static_cast<size_t>(result.speedAbnormal) <=
          result.fileRecords);
    Check(session.diagnostics.Lines().size() <= 33);

    int counted = 0;
    for (const qv::TLogBlock& b : log.LogBlocks)
        counted += b.RecNum;
    Check(counted == log.LogItemNum);
    for (int i = 0; i < log.LogItemNum; ++i) {
        const qv::TLogItem& fix = log.LogItems[i];
        Check(fix.Ido >= -90 && fix.Ido <= 90 && fix.Kdo >= -180 && fix.Kdo <= 180);
        Check(fix.Spd >= 0 && fix.Spd <= 2000 && std::isfinite(fix.DtTm));
        Check(fix.ms <= 999 && fix.valid == info.valid);
        Check(fix.BlkIdx >= 0 && fix.BlkIdx < log.LogBlockNum());
        if (info.motion) {
            Check(fix.Dir >= 0 && fix.Dir <= 360);
            const qv::TMotionSens& m = log.MotionItems[i];
            Check(m.Yaw >= 0 && m.Yaw <= 360 && std::isfinite(m.gX));
        } else {
            Check(fix.Dir == 0);
        }
    }
    return 0;
}
