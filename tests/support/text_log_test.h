#pragma once
// The session a text log reader (NMEA, GPX, VBO) decodes into, its local
// time UTC, and the same texts opened as files.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/session.h"
#include "core/date_time.h"
#include "decode/load_log.h"
#include "decode/mtk_decoder.h"
#include "support/temp_dir.h"

namespace qv::test {

inline constexpr TDateTime kUtc = 25569.0;  // local time is UTC
inline constexpr double kMsDays = 1.0 / 86400000;

inline TDateTime Utc(int y, int mo, int d, int h, int mi, double s) {
    return EncodeDate(y, mo, d) + (h * 3600 + mi * 60 + s) / 86400;
}

class TextLogTest : public ::testing::Test {
  protected:
    TextLogTest() : session_(std::make_unique<Session>(kUtc)) {}

    // The target of a decode, emptied of what an earlier one left.
    MtkTarget FreshTarget() {
        session_->log.Reset();
        session_->diagnostics.Clear();
        return Target();
    }
    MtkTarget Target() { return {session_->log, session_->diagnostics, session_->LocalTimeBase}; }
    const TLogItem& Fix(int i) const { return session_->log.LogItems[i]; }
    int Fixes() const { return session_->log.LogItemNum; }

    // `text` written as the file `name` and opened as the open-log command
    // opens it.
    LoadLogResult Open(const std::string& name, const std::string& text) {
        const auto path = dir_ / name;
        WriteText(path, text);
        session_->diagnostics.Clear();
        return LoadLogFile(*session_, path);
    }

    std::unique_ptr<Session> session_;
    TempDir dir_;
};

}  // namespace qv::test
