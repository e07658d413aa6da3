#pragma once
// Logs built byte by byte in a test, then opened as the open-log command
// opens them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "decode/load_log.h"
#include "support/temp_dir.h"

namespace qv::test {

using Bytes = std::vector<uint8_t>;

inline constexpr TDateTime kTokyoBase = 25569.0 + 540 / 1440.0;  // UTC+9
inline constexpr TDateTime kApril29 = 45411;                     // 2024-04-29 00:00

// Local time (UTC+9) of 2024-04-29 08:00:00 UTC plus `ms` milliseconds.
constexpr TDateTime Local0800Utc(double ms) {
    return kApril29 + (17 * 3600 * 1000 + ms) / 86400000.0;
}

// A fix as its hand-written record gives it.
struct KnownFix {
    double localMs;  // see Local0800Utc
    int valid;
    double lat, lon;
    float elv, spd;
    int satView, satUsed, ms;
};

// `got` holds every field of `want`; decoders leave the heading 0.
inline void ExpectKnownFix(const TLogItem& got, const KnownFix& want) {
    SCOPED_TRACE(testing::Message() << "the fix at " << want.localMs << " ms");
    EXPECT_NEAR(got.DtTm, Local0800Utc(want.localMs), 1e-9);
    EXPECT_EQ(got.valid, want.valid);
    EXPECT_EQ(got.Ido, want.lat);
    EXPECT_EQ(got.Kdo, want.lon);
    EXPECT_EQ(got.Elv, want.elv);
    EXPECT_FLOAT_EQ(got.Spd, want.spd);
    EXPECT_EQ(got.Dir, 0.0f);
    EXPECT_EQ(got.sat_view, want.satView);
    EXPECT_EQ(got.sat_used, want.satUsed);
    EXPECT_EQ(got.ms, want.ms);
}

// The parts one after another.
inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// `size` bytes of erased flash (0xFF) holding a sector's or block's header
// at 0, its check value at 256 and the records one after another from 512.
inline Bytes FlashImage(size_t size, const Bytes& header, const Bytes& checkValue,
                        std::initializer_list<const Bytes*> records) {
    Bytes image(size, 0xFF);
    auto put = [&image](size_t at, const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
        return at + bytes.size();
    };
    put(0, header);
    put(256, checkValue);
    size_t at = 512;
    for (const Bytes* record : records)
        at = put(at, *record);
    return image;
}

// `bytes` written to `path` and opened into `session`.
inline LoadLogResult LoadLogBytes(LogSession& session, const std::filesystem::path& path,
                                  const Bytes& bytes, const LoadLogOptions& options = {}) {
    WriteBytes(path, bytes);
    return LoadLogFile(session, path, options);
}

// A fresh session that opened `bytes` as the file `name` in a scratch folder.
struct OpenedLog {
    OpenedLog(const std::string& name, const Bytes& bytes, TDateTime localTimeBase)
        : session(std::make_unique<Session>(localTimeBase)),
          result(LoadLogBytes(*session, dir / name, bytes)) {}

    TempDir dir;
    std::unique_ptr<Session> session;
    LoadLogResult result;
};

}  // namespace qv::test
