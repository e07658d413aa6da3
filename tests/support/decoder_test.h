#pragma once
// The session a decoder test decodes into, seen as the decoders see it.

#include <gtest/gtest.h>

#include <memory>

#include "app/session.h"
#include "decode/mtk_decoder.h"
#include "support/log_bytes.h"
#include "synth/drive.h"

namespace qv::test {

class DecoderTest : public ::testing::Test {
  protected:
    DecoderTest() : session_(std::make_unique<Session>(kTokyoBase)) {}

    MtkTarget Target() { return {session_->log, session_->diagnostics, session_->LocalTimeBase}; }
    LogStore& log() { return session_->log; }
    const TLogItem& Fix(int i) { return session_->log.LogItems[i]; }

    // Fix `i` holds every field of `want` as logged, its millisecond
    // included; no heading, not selected, in the first run.
    void ExpectLoggedFix(int i, const synth::SynthFix& want) {
        const TLogItem& got = Fix(i);
        EXPECT_EQ(got.Ido, want.lat);
        EXPECT_EQ(got.Kdo, want.lon);
        EXPECT_EQ(got.Elv, want.elv);
        EXPECT_EQ(got.Spd, want.spd);
        EXPECT_EQ(got.sat_used, want.satUsed);
        EXPECT_EQ(got.sat_view, want.satView);
        const int64_t ms = want.utcMs % 1000;
        EXPECT_EQ(got.ms, ms);
        EXPECT_EQ(got.Dir, 0.0f);
        EXPECT_FALSE(got.Act);
        EXPECT_EQ(got.BlkIdx, 0);
        const double utc = static_cast<double>(want.utcMs / 1000);
        EXPECT_DOUBLE_EQ(got.DtTm, utc / 86400 + kTokyoBase + ms / 86400000.0);
    }

    std::unique_ptr<Session> session_;
};

}  // namespace qv::test
