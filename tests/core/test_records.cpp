#include "core/records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "app/session.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

TEST(LapElmRecTest, FileRoundTripKeepsEveryValueBitForBit) {
    TLapElmRec rec;
    rec.DtTm = 45410.354166666664;
    rec.Tm = 83.456 / 86400.0;
    rec.Sec = 83.456L + std::ldexp(1.0L, -50);  // beyond double precision
    rec.Ido = 35.371234567890123456L;
    rec.Kdo = 138.927381234567890123L;
    rec.Elv = -12.3456789012345L;
    rec.Spd = 187.654321098765L;
    rec.Dir = 359.999999999999999L;
    rec.Dist = 2.412345678901234567L;
    rec.UseSat = 11;

    test::TempDir dir;
    const auto path = dir / "lap.dtb";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&rec), sizeof rec);
    }
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 128u);

    // The reserved bytes are written as zero.
    for (size_t off :
         {26, 27, 28, 29, 30, 31, 42, 47, 58, 63, 74, 79, 90, 95, 106, 111, 122, 123}) {
        EXPECT_EQ(bytes[off], 0) << "offset " << off;
    }
    // UseSat is little-endian at offset 124.
    EXPECT_EQ(bytes[124], 11);
    EXPECT_EQ(bytes[127], 0);

    TLapElmRec back;
    std::memcpy(&back, bytes.data(), sizeof back);
    const Ext80 TLapElmRec::*fields[] = {&TLapElmRec::Sec, &TLapElmRec::Ido, &TLapElmRec::Kdo,
                                         &TLapElmRec::Elv, &TLapElmRec::Spd, &TLapElmRec::Dir,
                                         &TLapElmRec::Dist};
    for (auto field : fields) {
        EXPECT_EQ(0, std::memcmp((rec.*field).Bytes(), (back.*field).Bytes(), 10));
        EXPECT_EQ(static_cast<Float80>(rec.*field), static_cast<Float80>(back.*field));
    }
    EXPECT_EQ(back.DtTm, rec.DtTm);
    EXPECT_EQ(back.Tm, rec.Tm);
    EXPECT_EQ(back.UseSat, 11);
}

TEST(SessionTest, StoresStartEmptyWithTheirCapacities) {
    Session session(25569.0);
    EXPECT_EQ(session.RawLogBuf.size(), 16u * 1024 * 1024);
    EXPECT_EQ(session.log.LogItems.size(), 630000u);
    EXPECT_EQ(session.log.MotionItems.size(), 630000u);
    EXPECT_EQ(session.log.LogItemNum, 0);
    EXPECT_EQ(session.laps.LapNum(), 0);
    EXPECT_EQ(session.laps.LapDtNum(), 0);
    // Allocated zeroed: the last slots read as empty fixes.
    EXPECT_EQ(session.log.LogItems[629999].DtTm, 0.0);
    EXPECT_EQ(session.log.MotionItems[629999].Yaw, 0.0);
    EXPECT_EQ(session.log.LogRect.IdoMin, 90);
    EXPECT_EQ(session.log.LogRect.KdoMax, -180);
}

TEST(SessionTest, ResetEmptiesTheLogButKeepsTheSatelliteFlag) {
    Session session(25569.0);
    LogStore& log = session.log;
    log.LogItemNum = 5;
    log.LogBlocks.push_back({});
    log.LogRect.IdoMin = 35;
    log.UnexpectedFormatSeen = true;
    log.SatDetailFormatSeen = true;
    log.Reset();
    EXPECT_EQ(log.LogItemNum, 0);
    EXPECT_EQ(log.LogBlockNum(), 0);
    EXPECT_EQ(log.LogRect.IdoMin, 90);
    EXPECT_FALSE(log.UnexpectedFormatSeen);
    // Cleared only by the download, which reports it.
    EXPECT_TRUE(log.SatDetailFormatSeen);
}

TEST(DiagnosticListTest, KeepsTheNewestLinesFirst) {
    DiagnosticList list(33);
    for (int i = 0; i < 40; ++i)
        list.Insert(std::to_string(i));
    ASSERT_EQ(list.Lines().size(), 33u);
    EXPECT_EQ(list.Lines().front(), "39");
    EXPECT_EQ(list.Lines().back(), "7");
}

}  // namespace
}  // namespace qv
