#include "laps/lap_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/session.h"
#include "core/date_time.h"
#include "core/display_format.h"
#include "core/text_utils.h"
#include "laps/csvv_file.h"
#include "laps/lap_file_io.h"
#include "support/temp_dir.h"
#include "synth/lap_files.h"

namespace qv {
namespace {

const TDateTime kStart = EncodeDateTime({2024, 5, 3, 9, 12, 30, 250});

// A lap of `n` samples going due north at about 36 km/h, one second apart.
std::vector<TLapElmRec> NorthLap(int n, double lat0 = 35.0) {
    std::vector<synth::LatLon> points;
    for (int i = 0; i < n; ++i)
        points.push_back({lat0 + i * 0.0001 * 0.9, 139.0});
    return synth::LapSamplesOfPositions(points, 1.0, kStart);
}

class LapFileTest : public ::testing::Test {
  protected:
    LapFileTest() : session_(std::make_unique<Session>(25569.0)) {
        session_->folders.TempFolder = dir_ / "temp";
        std::filesystem::create_directory(session_->folders.TempFolder);
    }

    std::filesystem::path WriteDtb(const std::string& name, const std::vector<TLapElmRec>& lap) {
        const auto path = dir_ / name;
        EXPECT_TRUE(synth::WriteDtbFile(path, lap).ok);
        return path;
    }
    std::filesystem::path WriteText(const std::string& name, const std::string& text) {
        const auto path = dir_ / name;
        test::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        return path;
    }
    LapStore& laps() { return session_->laps; }

    test::TempDir dir_;
    std::unique_ptr<Session> session_;
};

TEST_F(LapFileTest, BinaryFileOfWholeRecordsBecomesARow) {
    std::vector<TLapElmRec> lap = NorthLap(10);
    lap[6].Spd = 123.456L;
    const auto path = WriteDtb("20240503_0912.dtb", lap);
    ASSERT_EQ(std::filesystem::file_size(path), 1280u);

    const LapFileAddResult r = LoadLapFileToGrigBin(*session_, path);
    ASSERT_TRUE(r.added);
    EXPECT_EQ(r.lapNo, 0);
    ASSERT_EQ(laps().LapNum(), 1);
    const LapRow& row = laps().LapRows[0];
    EXPECT_EQ(row[0], "20240503_0912");
    EXPECT_EQ(row[1], "0000");
    EXPECT_EQ(row[2], "2024/05/03");
    EXPECT_EQ(row[3], "09:12:30");
    EXPECT_EQ(row[4], "0:09.000");
    EXPECT_EQ(row[5], "123.46");
    EXPECT_EQ(row[6], StrFormat("%.3f", static_cast<double>(Float80(lap.back().Dist))));
    EXPECT_EQ(row[7], "20240503_0912");
    EXPECT_EQ(row[19], "0");
    EXPECT_NEAR(static_cast<double>(laps().LapList[0].Sec), 9.0, 1e-6);
    EXPECT_EQ(laps().LapList[0].MaxSpd, 123.456L);
    EXPECT_EQ(laps().LapGroupNo, 1);
    // The temporary lap file is a copy of the loaded one, byte for byte.
    EXPECT_EQ(test::ReadBytes(TempLapFilePath(session_->folders, 0)), test::ReadBytes(path));

    // One byte more and it is no lap file: no row, no message.
    std::vector<uint8_t> bytes = test::ReadBytes(path);
    bytes.push_back(0);
    test::WriteBytes(dir_ / "odd.dtb", bytes);
    const LapFileAddResult odd = LoadLapFileToGrigBin(*session_, dir_ / "odd.dtb");
    EXPECT_FALSE(odd.added);
    EXPECT_TRUE(odd.error.empty());
    EXPECT_EQ(laps().LapNum(), 1);
    EXPECT_EQ(laps().LapGroupNo, 1);

    // Every loaded file forms a group of its own.
    ASSERT_TRUE(LoadLapFileToGrigBin(*session_, path).added);
    EXPECT_EQ(laps().LapRows[1][1], "0001");
    EXPECT_EQ(laps().LapRows[1][19], "1");
    EXPECT_EQ(laps().LapGroupNo, 2);
}

TEST_F(LapFileTest, EmptyLapFilesAreRefusedQuietly) {
    test::WriteBytes(dir_ / "empty.dtb", {});
    LapFileAddResult r = LoadLapFileToGrigBin(*session_, dir_ / "empty.dtb");
    EXPECT_FALSE(r.added);
    EXPECT_TRUE(r.error.empty());
    EXPECT_FALSE(std::filesystem::exists(TempLapFilePath(session_->folders, 0)));

    const LapSlotLoadResult slot = LoadLapFileBin(*session_, dir_ / "empty.dtb");
    EXPECT_FALSE(slot.loaded);
    EXPECT_TRUE(slot.error.empty());
    EXPECT_EQ(laps().LapDtNum(), 0);

    // A text lap without a line of eight fields is just as empty.
    r = LoadLapFileToGrig(*session_, WriteText("short.csvv", "a,b,c\r\n\r\n1,2,3,4,5,6,7\r\n"));
    EXPECT_FALSE(r.added);
    EXPECT_TRUE(r.error.empty());

    EXPECT_FALSE(LoadLapFileToGrigBin(*session_, dir_ / "missing.dtb").added);
    EXPECT_EQ(laps().LapNum(), 0);
    EXPECT_EQ(laps().LapGroupNo, 0);
}

TEST_F(LapFileTest, TextLinesByFieldPositions) {
    session_->settings.MinSatNum = 6;
    const std::string text =
        "2024/05/03 09:12:34.567,00:01:02.345,35.5,139.25,101.5,88.25,45,1.234\r\n"
        "2024/05/03 09:12:34.667,00:01:02.445,35.5,139.25,101.5,90.5,45,1.235,xx\r\n"
        "too,few,fields\r\n"
        "2024/05/03 09:12:34.767,00:01:02.545,35.5,139.25,101.5,70,45,1.236,11\r\n";
    const LapFileAddResult r = LoadLapFileToGrig(*session_, WriteText("old.csvv", text));
    ASSERT_TRUE(r.added);
    EXPECT_EQ(laps().LapRows[0][0], "old");
    EXPECT_EQ(laps().LapRows[0][7], "");
    EXPECT_EQ(laps().LapRows[0][5], "90.50");
    EXPECT_EQ(laps().LapRows[0][4], "0:00.200");

    const LapFileRead copy = ReadLapFile(TempLapFilePath(session_->folders, 0));
    ASSERT_EQ(copy.samples.size(), 3u);
    const TLapElmRec& s = copy.samples[0];
    EXPECT_EQ(s.DtTm, EncodeDateTime({2024, 5, 3, 9, 12, 34, 567}));
    EXPECT_EQ(s.Tm, EncodeTime(0, 1, 2, 345));
    EXPECT_EQ(Float80(s.Sec), 62 + 345 / 1000.0L);
    EXPECT_EQ(Float80(s.Ido), 35.5L);
    EXPECT_EQ(Float80(s.Kdo), 139.25L);
    EXPECT_EQ(Float80(s.Elv), 101.5L);
    EXPECT_EQ(Float80(s.Dir), 45.0L);
    EXPECT_EQ(Float80(s.Dist), TextToFloat("1.234"));
    EXPECT_EQ(s.UseSat, 6);
    EXPECT_EQ(copy.samples[1].UseSat, 7);
    EXPECT_EQ(copy.samples[2].UseSat, 11);
}

TEST_F(LapFileTest, ShortOrOddTextFieldsReadAsZero) {
    // Fields cut short inside the date and the lap time: the parts that are
    // not there count as 0, whatever follows in memory.
    std::optional<TLapElmRec> s = ParseCsvvLine("2024/05,00:0,1,2,3,4,5,6", 4);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->DtTm, EncodeDateTime({2024, 5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Float80(s->Sec), 0);
    EXPECT_EQ(s->UseSat, 4);

    s = ParseCsvvLine(",,,,,,,", 4);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->DtTm, EncodeDateTime({0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Float80(s->Spd), 0);

    s = ParseCsvvLine("2024/ab/03 09:12:34.567,00:01:xx.345,n,e,,fast,,", 4);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->DtTm, EncodeDateTime({2024, 0, 3, 9, 12, 34, 567}));
    EXPECT_EQ(Float80(s->Sec), 60 + 345 / 1000.0L);
    EXPECT_EQ(Float80(s->Ido), 0);
    EXPECT_EQ(Float80(s->Spd), 0);

    EXPECT_FALSE(ParseCsvvLine("", 4));
    EXPECT_FALSE(ParseCsvvLine("1,2,3,4,5,6,7", 4));
}

TEST_F(LapFileTest, WrittenTextReadsBackAsTheSamples) {
    const std::vector<TLapElmRec> lap = NorthLap(25);
    const CsvvRead read = ParseCsvvText(synth::CsvvText(lap), 4);
    ASSERT_EQ(read.samples.size(), lap.size());
    Float80 top = 0;
    for (size_t i = 0; i < lap.size(); ++i) {
        const TLapElmRec& a = lap[i];
        const TLapElmRec& b = read.samples[i];
        EXPECT_NEAR(a.DtTm, b.DtTm, 1e-9) << i;
        EXPECT_NEAR(Float80(a.Sec), Float80(b.Sec), 1e-3L) << i;
        EXPECT_NEAR(Float80(a.Ido), Float80(b.Ido), 1e-9L) << i;
        EXPECT_NEAR(Float80(a.Spd), Float80(b.Spd), 1e-3L) << i;
        EXPECT_NEAR(Float80(a.Dist), Float80(b.Dist), 1e-6L) << i;
        EXPECT_EQ(b.UseSat, 8);
        top = std::max(top, Float80(b.Spd));
    }
    EXPECT_EQ(read.topSpeed, top);
    EXPECT_EQ(ParseCsvvText(synth::CsvvText(lap, false), 5).samples[3].UseSat, 5);
}

TEST_F(LapFileTest, SlotStatisticsOfAKnownLap) {
    std::vector<TLapElmRec> lap(4);
    const Float80 lat[] = {35.10L, 35.30L, 35.20L, 35.25L};
    const Float80 lon[] = {139.5L, 139.4L, 139.7L, 139.6L};
    const Float80 elv[] = {12, -3, 40, 7};
    const Float80 spd[] = {80, 20.5L, 140, 95};
    for (int i = 0; i < 4; ++i) {
        lap[i].DtTm = kStart + i / 86400.0;
        lap[i].Tm = i * 30 / 86400.0;
        lap[i].Ido = lat[i];
        lap[i].Kdo = lon[i];
        lap[i].Elv = elv[i];
        lap[i].Spd = spd[i];
        lap[i].Dir = 45;
        lap[i].Dist = i * 0.5L;
    }
    const LapSlotLoadResult r = LoadLapFileBin(*session_, WriteDtb("temp0012.dtb", lap));
    ASSERT_TRUE(r.loaded);
    EXPECT_EQ(r.slot, 0);
    ASSERT_EQ(laps().LapDtNum(), 1);
    const TLapDtRec& dt = laps().LapDt[0];
    EXPECT_EQ(dt.DtName, "0012");
    EXPECT_EQ(dt.ElmNum, 4);
    EXPECT_EQ(dt.GElm.size(), 4u);
    EXPECT_EQ(dt.DElm.size(), 4u);
    EXPECT_FALSE(dt.driftAct);
    EXPECT_EQ(dt.MaxSpd, 140);
    EXPECT_EQ(dt.MinSpd, 20.5L);
    EXPECT_EQ(dt.IdoMin, 35.10L);
    EXPECT_EQ(dt.IdoMax, 35.30L);
    EXPECT_EQ(dt.KdoMin, 139.4L);
    EXPECT_EQ(dt.KdoMax, 139.7L);
    EXPECT_EQ(dt.ElvLo, -3);
    EXPECT_EQ(dt.ElvHi, 40);
    EXPECT_EQ(dt.LapTim, 90 / 86400.0);
    EXPECT_EQ(dt.LapDist, 1.5L);
    EXPECT_NEAR(static_cast<double>(dt.AveSpd), 1.5 / (90 / 3600.0), 1e-9);

    // Other names give no slot name; a lap of no duration no mean speed.
    lap.resize(1);
    ASSERT_TRUE(LoadLapFileBin(*session_, WriteDtb("mylap.dtb", lap)).loaded);
    EXPECT_EQ(laps().LapDt[1].DtName, "");
    EXPECT_EQ(laps().LapDt[1].AveSpd, 0);
    EXPECT_EQ(laps().LapDt[1].ElvHi, 12);
}

TEST_F(LapFileTest, AFifthLapFindsNoSlot) {
    const auto path = WriteDtb("temp0000.dtb", NorthLap(5));
    for (int k = 0; k < 4; ++k) {
        const LapSlotLoadResult r = LoadLapFileBin(*session_, path);
        EXPECT_TRUE(r.loaded);
        EXPECT_EQ(r.slot, k);
    }
    EXPECT_FALSE(LoadLapFileBin(*session_, path).loaded);
    EXPECT_EQ(laps().LapDtNum(), 4);
    EXPECT_FALSE(LoadLapFileBin(*session_, dir_ / "nothing.dtb").loaded);
}

TEST_F(LapFileTest, StoredValuesSurviveTheFileBitForBit) {
    std::vector<TLapElmRec> lap = NorthLap(3);
    // Values that a double cannot hold, with the lowest mantissa bit set.
    for (TLapElmRec& s : lap) {
        s.Sec = std::nextafter(Float80(s.Sec) + 1, 1e9L);
        s.Ido = std::nextafter(Float80(s.Ido), 100.0L);
        s.Kdo = std::nextafter(Float80(s.Kdo), 0.0L);
        s.Elv = 1.0L / 3;
        s.Spd = std::nextafter(Float80(s.Spd), 1e9L);
        s.Dir = 45.0L + 1.0L / 7;
        s.Dist = 2.0L / 3;
    }
    const auto path = WriteDtb("exact.dtb", lap);
    ASSERT_TRUE(LoadLapFileToGrigBin(*session_, path).added);
    ASSERT_TRUE(LoadLapFileBin(*session_, TempLapFilePath(session_->folders, 0)).loaded);
    const std::vector<TLapElmRec>& back = laps().LapDt[0].Elm;
    ASSERT_EQ(back.size(), lap.size());
    auto same = [](const Ext80& a, const Ext80& b) {
        return std::memcmp(a.Bytes(), b.Bytes(), 10);
    };
    for (size_t i = 0; i < lap.size(); ++i) {
        EXPECT_EQ(same(lap[i].Sec, back[i].Sec), 0) << i;
        EXPECT_EQ(same(lap[i].Ido, back[i].Ido), 0) << i;
        EXPECT_EQ(same(lap[i].Kdo, back[i].Kdo), 0) << i;
        EXPECT_EQ(same(lap[i].Elv, back[i].Elv), 0) << i;
        EXPECT_EQ(same(lap[i].Spd, back[i].Spd), 0) << i;
        EXPECT_EQ(same(lap[i].Dir, back[i].Dir), 0) << i;
        EXPECT_EQ(same(lap[i].Dist, back[i].Dist), 0) << i;
    }
}

TEST(LapDtTest, ExtremesAreEachFieldsOwnWhereverTheyLie) {
    // Five samples with each field's lowest and highest at other places.
    std::vector<TLapElmRec> lap = NorthLap(5);
    const Float80 spd[] = {40, 12.5L, 80.25L, 79, 13};
    const Float80 lat[] = {35.1234567890123L, 35.1234567890124L, 35.12345L, 35.2L, 35.15L};
    const Float80 lon[] = {139.5L, 139.25L, 139.75L, 139.3L, 139.125L};
    const Float80 elv[] = {-2.5L, 10, 3, 120.5L, 11};
    for (size_t i = 0; i < lap.size(); ++i) {
        lap[i].Spd = spd[i];
        lap[i].Ido = lat[i];
        lap[i].Kdo = lon[i];
        lap[i].Elv = elv[i];
    }
    const TLapDtRec dt = MakeLapDt("0001", lap);
    const struct {
        const char* field;
        Float80 got, want;
    } cases[] = {
        {"MinSpd", dt.MinSpd, 12.5L},     {"MaxSpd", dt.MaxSpd, 80.25L},
        {"IdoMin", dt.IdoMin, 35.12345L}, {"IdoMax", dt.IdoMax, 35.2L},
        {"KdoMin", dt.KdoMin, 139.125L},  {"KdoMax", dt.KdoMax, 139.75L},
        {"ElvLo", dt.ElvLo, -2.5L},       {"ElvHi", dt.ElvHi, 120.5L},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want) << c.field;
}

TEST(LapDirectionsTest, StepsTowardEachCompassPoint) {
    struct Case {
        double dLat, dLon, want;
    };
    const Case cases[] = {{1e-4, 0, 180}, {0, 1e-4, 270}, {-1e-4, 0, 0}, {0, -1e-4, 90}};
    for (const Case& c : cases) {
        std::vector<synth::LatLon> points;
        for (int i = 0; i < 6; ++i)
            points.push_back({35.0 + i * c.dLat, 139.0 + i * c.dLon});
        std::vector<TLapElmRec> lap = synth::LapSamplesOfPositions(points, 1.0, kStart);
        ASSERT_TRUE(LapNeedsDirections(lap));
        const TLapDtRec dt = MakeLapDt("", lap);
        for (int i = 0; i < 6; ++i) {
            // South comes out as 0 or, through the mean, 360.
            const double dir = std::fmod(static_cast<double>(Float80(dt.Elm[i].Dir)), 360.0);
            EXPECT_NEAR(dir, c.want, 1e-6) << "want " << c.want << " at " << i;
        }
    }
}

TEST(LapDirectionsTest, LoggedHeadingsAreKept) {
    std::vector<TLapElmRec> lap = NorthLap(6);
    for (TLapElmRec& s : lap)
        s.Dir = 45;
    lap[3].Dir = 0;  // only the first sample decides
    EXPECT_FALSE(LapNeedsDirections(lap));
    const TLapDtRec dt = MakeLapDt("", lap);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Float80(dt.Elm[i].Dir), i == 3 ? 0 : 45) << i;

    for (const Float80 first : {0.0L, 180.0L, 360.0L}) {
        lap[0].Dir = first;
        EXPECT_TRUE(LapNeedsDirections(lap)) << static_cast<double>(first);
    }
    lap[0].Dir = 180.0001L;
    EXPECT_FALSE(LapNeedsDirections(lap));
}

TEST(LapDirectionsTest, SlowSamplesArePassedOver) {
    std::vector<TLapElmRec> lap = NorthLap(8);
    lap[4].Spd = 1.5L;  // at the limit counts as standing
    lap[5].Spd = 0.2L;
    for (TLapElmRec& s : lap)
        s.Dir = 0;
    RecomputeLapDirections(lap);
    // The steps into samples 4 and 5 are skipped, so samples 3 and 4 keep
    // what they held; the step into 6 sets sample 5.
    const double want[] = {180, 180, 180, 0, 0, 180, 180, 180};
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(static_cast<double>(Float80(lap[i].Dir)), want[i], 1e-6) << i;

    // A lap ending at a standstill leaves the last directions alone.
    std::vector<TLapElmRec> stop = NorthLap(5);
    stop[4].Spd = 0;
    for (TLapElmRec& s : stop)
        s.Dir = 0;
    RecomputeLapDirections(stop);
    EXPECT_NEAR(static_cast<double>(Float80(stop[2].Dir)), 180, 1e-6);
    EXPECT_EQ(Float80(stop[3].Dir), 0);
    EXPECT_EQ(Float80(stop[4].Dir), 0);
}

TEST(LapDirectionsTest, MeanAcrossSouthWrapsAround) {
    // On the equator: a step heading 350 (south, a little east), then one
    // heading 30 (south-west). Sample 1 gets the mean the short way round.
    const double toRad = 3.14159265358979323846 / 180;
    auto step = [&](double heading) {
        const double a = 270 - heading;  // inverse of heading = 360 - (a + 90)
        return synth::LatLon{std::sin(a * toRad) * 1e-4, std::cos(a * toRad) * 1e-4};
    };
    const synth::LatLon s1 = step(350), s2 = step(30);
    const std::vector<synth::LatLon> points = {
        {0, 0}, {s1.lat, s1.lon}, {s1.lat + s2.lat, s1.lon + s2.lon}};
    std::vector<TLapElmRec> lap = synth::LapSamplesOfPositions(points, 1.0, kStart);
    RecomputeLapDirections(lap);
    EXPECT_NEAR(static_cast<double>(Float80(lap[0].Dir)), 350, 1e-3);
    EXPECT_NEAR(static_cast<double>(Float80(lap[1].Dir)), 10, 1e-3);
    EXPECT_NEAR(static_cast<double>(Float80(lap[2].Dir)), 30, 1e-3);
}

}  // namespace
}  // namespace qv
