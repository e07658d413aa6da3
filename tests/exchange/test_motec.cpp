#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "app/analysis.h"
#include "app/load_lap_data.h"
#include "app/session.h"
#include "exchange/motec_csv.h"
#include "exchange/motec_g.h"
#include "exchange/motec_import.h"
#include "laps/lap_file.h"
#include "laps/lap_file_io.h"
#include "laps/lap_rows.h"
#include "motec_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::MotecFileOptions;
using test::MotecLines;
using test::MotecMotion;
using test::WriteText;

constexpr TDateTime kBase = 25569.0;

// A straight lap of ours going north, `km` long, 10 samples a second.
std::vector<TLapElmRec> StraightLap(double km, int samples, double lat0 = 35.0, double lon0 = 139.0,
                                    double elv = 42.0) {
    std::vector<TLapElmRec> lap(static_cast<size_t>(samples));
    for (int k = 0; k < samples; ++k) {
        const double f = samples > 1 ? k / double(samples - 1) : 0;
        TLapElmRec& s = lap[static_cast<size_t>(k)];
        s.Sec = k * 0.1;
        s.Tm = k * 0.1 / 86400;
        s.DtTm = 45000.5 + k * 0.1 / 86400;
        s.Ido = lat0 + f * km * 1000 / test::kMetresPerDegree;
        s.Kdo = lon0;
        s.Elv = elv;
        s.Spd = 100;
        s.Dist = f * km;
        s.UseSat = 9;
    }
    return lap;
}

class MotecTest : public ::testing::Test {
  protected:
    MotecTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
    }
    std::filesystem::path Write(const std::string& name, const std::vector<std::string>& lines) {
        const std::filesystem::path path = dir / name;
        WriteText(path, test::JoinLines(lines));
        return path;
    }
    // The import must leave nothing behind.
    void ExpectRefused(const std::filesystem::path& path, MotecRefusal why) {
        const MotecImportResult r = LoadLapFileToGrigMotecCsv(*session, path);
        EXPECT_FALSE(r.added) << path;
        EXPECT_EQ(r.refusal, why) << path;
        EXPECT_EQ(session->laps.LapNum(), 0);
        EXPECT_TRUE(session->laps.LapRows.empty());
        EXPECT_EQ(session->laps.LapGroupNo, 0);
        EXPECT_FALSE(std::filesystem::exists(TempLapFilePath(session->folders, 0)));
    }
    std::vector<TLapElmRec> Imported(int lapNo) {
        return ReadLapFile(TempLapFilePath(session->folders, lapNo)).samples;
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
};

TEST_F(MotecTest, TwentyHertzExportBecomesAListRowWithTheTrueMotion) {
    const MotecMotion m;  // 30 s at 20 Hz
    const std::filesystem::path path = Write("Lap 3.csv", MotecLines(m));
    const MotecImportResult r = LoadLapFileToGrigMotecCsv(*session, path);
    ASSERT_TRUE(r.added);
    EXPECT_EQ(r.lapNo, 0);

    const std::vector<TLapElmRec> s = Imported(0);
    ASSERT_EQ(s.size(), 601u);
    const TDateTime start = EncodeDate(2021, 4, 23) + EncodeTime(10, 15, 30, 0);
    for (int k : {0, 1, 300, 600}) {
        const TLapElmRec& e = s[static_cast<size_t>(k)];
        EXPECT_NEAR(double(Float80(e.Sec)), m.Time(k), 1e-9) << k;
        EXPECT_NEAR(e.Tm * 86400, m.Time(k), 1e-6) << k;
        EXPECT_NEAR((e.DtTm - start) * 86400, m.Time(k), 1e-5) << k;
        EXPECT_NEAR(double(Float80(e.Dist)), m.DistM(k) / 1000, 1e-5) << k;
        EXPECT_NEAR(double(Float80(e.Spd)), m.SpeedMs(k) * 3.6, 0.006) << k;
        EXPECT_NEAR(double(Float80(e.Ido)), m.Lat(k), 1e-7) << k;
        EXPECT_NEAR(double(Float80(e.Kdo)), m.Lon(k), 1e-7) << k;
        EXPECT_EQ(double(Float80(e.Elv)), 100.0);
        EXPECT_EQ(double(Float80(e.Dir)), 0.0);
        EXPECT_EQ(e.UseSat, session->settings.MinSatNum);
    }

    ASSERT_EQ(session->laps.LapNum(), 1);
    const LapRow& row = session->laps.LapRows[0];
    EXPECT_EQ(row[0], "Lap 3");
    EXPECT_EQ(row[1], "0000");
    EXPECT_EQ(row[2], "2021/04/23");
    EXPECT_EQ(row[3], "10:15:30");
    EXPECT_EQ(row[4], "0:30.000");
    // 60 km/h + 1.5 m/s² for 30 s = 222 km/h; 500 m + 675 m.
    EXPECT_EQ(row[5], "222.00");
    EXPECT_EQ(row[6], "1.175");
    EXPECT_EQ(row[7], path.string());
    EXPECT_EQ(row[19], "0");
    EXPECT_TRUE(IsCsvImportRow(row));
    EXPECT_NEAR(double(session->laps.LapList[0].Sec), 30.0, 1e-4);
    EXPECT_NEAR(double(session->laps.LapList[0].MaxSpd), 222.0, 1e-9);
    EXPECT_EQ(session->laps.LapGroupNo, 1);
}

TEST_F(MotecTest, ThousandHertzExportKeepsEveryMillisecond) {
    MotecMotion m;
    m.rateHz = 1000;
    m.seconds = 12;
    MotecFileOptions o;
    o.lineEnd = "\n";
    const std::filesystem::path path = dir / "fast.csv";
    WriteText(path, test::JoinLines(MotecLines(m, o), "\n"));
    ASSERT_TRUE(LoadLapFileToGrigMotecCsv(*session, path).added);
    const std::vector<TLapElmRec> s = Imported(0);
    ASSERT_EQ(s.size(), 12001u);
    for (int k : {1, 2, 999, 7777, 12000}) {
        EXPECT_NEAR(double(Float80(s[static_cast<size_t>(k)].Sec)), k / 1000.0, 1e-12) << k;
        EXPECT_NEAR(double(Float80(s[static_cast<size_t>(k)].Dist)), m.DistM(k) / 1000, 1e-5);
    }
    EXPECT_EQ(session->laps.LapRows[0][4], "0:12.000");
}

TEST_F(MotecTest, SpeedAndLongitudinalSignFollowTheRightmostSpeedChannel) {
    MotecMotion m;
    m.seconds = 2;
    MotecFileOptions both;
    both.vehicleSpeedToo = true;
    const std::vector<std::string> withVehicle = MotecLines(m, both);
    const std::vector<std::string> groundOnly = MotecLines(m);

    const MotecLap lap = ParseMotecLap(withVehicle, {}, 4);
    ASSERT_EQ(lap.samples.size(), 41u);
    EXPECT_NEAR(double(Float80(lap.samples[40].Spd)), m.SpeedMs(40) * 3.6, 0.006);

    TLapDtRec dt = MakeLapDt("0000", lap.samples);
    ASSERT_TRUE(ApplyMotecG(withVehicle, dt));
    EXPECT_NEAR(double(dt.GElm[10].logiG3), m.LongitudinalG(), 5e-4);
    EXPECT_NEAR(double(dt.GElm[10].lateG3), m.LateralG(10), 5e-4);
    ASSERT_TRUE(ApplyMotecG(groundOnly, dt));
    EXPECT_NEAR(double(dt.GElm[10].logiG3), -m.LongitudinalG(), 5e-4);
    EXPECT_NEAR(double(dt.GElm[10].XYG), m.LateralG(10) + m.LongitudinalG(), 1e-3);
}

TEST_F(MotecTest, ColumnsAreFoundByNameRightmostFirst) {
    const std::vector<std::string> cells = MotecCells(
        "\"Time\",\"Distance\",\"Ground Speed\",\"x\",\"Vehicle Speed\",\"Distance\",\"Time\"");
    const MotecColumns c = FindMotecColumns(cells);
    EXPECT_EQ(c.time, 6);
    EXPECT_EQ(c.distance, 5);
    EXPECT_EQ(c.speed, 4);
    EXPECT_FALSE(c.HasPositions());
    // Only the time channel may stand in column 0.
    const MotecColumns first = FindMotecColumns({"Distance", "Time", "GPS Latitude"});
    EXPECT_EQ(first.distance, -1);
    EXPECT_EQ(first.time, 1);
    EXPECT_FALSE(FindMotecColumns({"Time", "Distance", "GPS Latitude"}).HasPositions());
}

TEST_F(MotecTest, WithoutPositionsTheLapIsLaidOntoSlotA) {
    MotecMotion m;
    m.seconds = 10;
    m.v0Kmh = 36;
    m.accelMs2 = 1.0;  // 100 m + 50 m = 150 m
    MotecFileOptions o;
    o.positions = false;

    // No lap shown: the fixed fallback place.
    ASSERT_TRUE(LoadLapFileToGrigMotecCsv(*session, Write("a.csv", MotecLines(m, o))).added);
    for (const TLapElmRec& e : Imported(0)) {
        EXPECT_EQ(double(Float80(e.Ido)), 36.0);
        EXPECT_EQ(double(Float80(e.Kdo)), 135.0);
        EXPECT_EQ(double(Float80(e.Elv)), 100.0);
    }
    EXPECT_EQ(session->laps.LapRows[0][6], "0.150");

    // Slot A holds a lap of 0.160 km (ratio 0.9375): positions from slot A,
    // distances scaled to it.
    const std::vector<TLapElmRec> ours = StraightLap(0.160, 20);
    session->laps.LapDt.push_back(MakeLapDt("0000", ours));
    ASSERT_TRUE(LoadLapFileToGrigMotecCsv(*session, Write("b.csv", MotecLines(m, o))).added);
    const std::vector<TLapElmRec> fitted = Imported(1);
    EXPECT_EQ(session->laps.LapRows[1][6], "0.160");
    EXPECT_NEAR(double(Float80(fitted.back().Dist)), 0.160, 1e-12);
    EXPECT_NEAR(double(Float80(fitted[100].Dist)), m.DistM(100) / 1000 / 0.9375, 1e-6);
    EXPECT_EQ(Float80(fitted[0].Ido), Float80(ours[0].Ido));
    EXPECT_EQ(Float80(fitted[1].Ido), Float80(ours[1].Ido));
    EXPECT_EQ(Float80(fitted[2].Ido), Float80(ours[0].Ido));
    EXPECT_EQ(Float80(fitted[50].Kdo), Float80(ours[0].Kdo));
    EXPECT_EQ(double(Float80(fitted[50].Elv)), 42.0);
    EXPECT_EQ(session->laps.LapRows[1][1], "0001");
    EXPECT_EQ(session->laps.LapRows[1][19], "1");
}

TEST_F(MotecTest, DistanceFittingOnlyWithinTenPercent) {
    // The file's lap ends at 2050 m or 2300 m; slot A's lap is 2.000 km.
    const auto lines = [](const std::string& lastDist) {
        std::vector<std::string> l = MotecLines(MotecMotion{.seconds = 1}, {.positions = false});
        l.push_back("\"1.050\",\"1000\",\"100.0\",\"0.1\",\"0.1\",\"5000\",\"1.050\"");
        l.push_back("\"1.100\"," + test::Quoted(lastDist) +
                    ",\"100.0\",\"0.1\",\"0.1\",\"5000\",\"1.100\"");
        return l;
    };
    session->laps.LapDt.push_back(MakeLapDt("0000", StraightLap(2.0, 30)));
    ASSERT_TRUE(LoadLapFileToGrigMotecCsv(*session, Write("near.csv", lines("2050"))).added);
    ASSERT_TRUE(LoadLapFileToGrigMotecCsv(*session, Write("far.csv", lines("2300"))).added);
    EXPECT_EQ(session->laps.LapRows[0][6], "2.000");
    EXPECT_NEAR(double(Float80(Imported(0)[21].Dist)), 1.0 / 1.025, 1e-9);
    EXPECT_EQ(session->laps.LapRows[1][6], "2.300");
    EXPECT_NEAR(double(Float80(Imported(1)[21].Dist)), 1.0, 1e-12);
}

TEST_F(MotecTest, SlotAWithoutDistanceOrSecondSampleIsNoHarm) {
    MotecFileOptions o;
    o.positions = false;
    session->laps.LapDt.push_back(MakeLapDt("0000", StraightLap(0, 1)));
    ASSERT_TRUE(
        LoadLapFileToGrigMotecCsv(*session, Write("a.csv", MotecLines(MotecMotion{}, o))).added);
    const std::vector<TLapElmRec> s = Imported(0);
    EXPECT_EQ(Float80(s[1].Ido), Float80(s[0].Ido));
    EXPECT_TRUE(std::isfinite(double(Float80(s.back().Dist))));
    EXPECT_EQ(session->laps.LapRows[0][6], "1.175");
}

TEST_F(MotecTest, FilesThatAreNotMotecExportsAreRefusedSilently) {
    const std::vector<std::string> good = MotecLines(MotecMotion{.seconds = 1});
    ExpectRefused(dir / "missing.csv", MotecRefusal::NotReadable);
    ExpectRefused(Write("short.csv", std::vector<std::string>(good.begin(), good.begin() + 19)),
                  MotecRefusal::TooFewLines);
    ExpectRefused(Write("empty.csv", {}), MotecRefusal::TooFewLines);

    // The only channel line and data start on line 0.
    std::vector<std::string> top(25, "\"x\",\"y\"");
    top[0] = "\"Time\",\"Distance\",\"Ground Speed\"";
    top[6] = "\"Log Date\",\"23/04/2021\"";
    top[7] = "\"Log Time\",\"10:15:30\"";
    top[18] = "\"0.000\",\"0\",\"0\"";
    ExpectRefused(Write("line0.csv", top), MotecRefusal::NoLayout);

    std::vector<std::string> noData = good;
    noData[18] = "\"0.001\",\"0\",\"1\"";
    ExpectRefused(Write("nodata.csv", noData), MotecRefusal::NoLayout);

    std::vector<std::string> noDate = good;
    noDate[6] = "\"Date\",\"23/04/2021\"";
    ExpectRefused(Write("nodate.csv", noDate), MotecRefusal::NoLogDateTime);
    std::vector<std::string> swapped = good;
    std::swap(swapped[6], swapped[7]);
    ExpectRefused(Write("swapped.csv", swapped), MotecRefusal::NoLogDateTime);

    std::vector<std::string> noSpeed = good;
    noSpeed[14] = "\"Time\",\"Distance\",\"Speed\"";
    ExpectRefused(Write("nospeed.csv", noSpeed), MotecRefusal::NoColumns);

    // Our own list CSV, and text that is no CSV at all.
    std::vector<std::string> list(30, "Data Name,Data No.,Date,Time,Lap Time");
    ExpectRefused(Write("list.csv", list), MotecRefusal::NoLayout);
    ExpectRefused(Write("binary.csv", {std::string(100000, '\0')}), MotecRefusal::TooFewLines);

    // Every data line too short for the speed column.
    std::vector<std::string> narrow(good.begin(), good.begin() + 18);
    for (int k = 0; k < 5; ++k)
        narrow.push_back("\"0.000\",\"0\"");
    ExpectRefused(Write("narrow.csv", narrow), MotecRefusal::NoSamples);
}

TEST_F(MotecTest, HugeFileIsRefusedWithoutReadingIt) {
    const std::filesystem::path path = Write("huge.csv", MotecLines(MotecMotion{.seconds = 1}));
    std::filesystem::resize_file(path, 200ull * 1000 * 1000);
    ExpectRefused(path, MotecRefusal::NotReadable);
}

TEST_F(MotecTest, StartThatDoesNotConvertGivesTheConversionMessage) {
    std::vector<std::string> lines = MotecLines(MotecMotion{.seconds = 1});
    lines[6] = "\"Log Date\",\"31/02/2021\"";
    const std::filesystem::path path = Write("bad.csv", lines);
    test::ScriptedPrompter prompter;
    prompter.files.push_back(path.string());
    MotecDialogState state;
    state.folder = "/docs";
    const MotecImportResult r = SpeedButtonMotecClick(*session, prompter, state);
    EXPECT_FALSE(r.added);
    EXPECT_EQ(r.refusal, MotecRefusal::BadDateTime);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].request.title, "Open MoTeC data(.csv)");
    EXPECT_EQ(prompter.shown[0].request.filter, "MoTeC csvファイル|*.csv");
    EXPECT_EQ(prompter.shown[0].request.initialFolder, "/docs");
    EXPECT_EQ(prompter.shown[1].text, "'31/02/2021 10:15:30' is not a valid date and time");
    EXPECT_EQ(session->laps.LapNum(), 0);
    EXPECT_EQ(state.folder, dir.path());
}

TEST(MotecDateTimeTest, CommonSpellingsConvert) {
    const TDateTime day = EncodeDate(2021, 4, 23);
    EXPECT_EQ(MotecStartDateTime("23/04/2021", "10:15:30"), day + EncodeTime(10, 15, 30, 0));
    EXPECT_EQ(MotecStartDateTime("2021/04/23", "10:15"), day + EncodeTime(10, 15, 0, 0));
    EXPECT_EQ(MotecStartDateTime("2021-04-23", "1:05:07 PM"), day + EncodeTime(13, 5, 7, 0));
    EXPECT_EQ(MotecStartDateTime("23.04.21", "12:00:00 AM"), day);
    EXPECT_EQ(MotecStartDateTime("29/02/2024", "10:15:30.5"),
              EncodeDate(2024, 2, 29) + EncodeTime(10, 15, 30, 500));
    for (const char* bad : {"29/02/2023", "", "23/13/2021", "0/1/2021", "a/b/c", "23/04"})
        EXPECT_FALSE(MotecStartDateTime(bad, "10:15:30")) << bad;
    for (const char* bad : {"24:00:00", "10:60", "10", "13:00 PM", "10:15:30.1234", "x"})
        EXPECT_FALSE(MotecStartDateTime("23/04/2021", bad)) << bad;
}

TEST_F(MotecTest, BadCellsReadAsZeroAndShortLinesAreSkipped) {
    std::vector<std::string> lines = MotecLines(MotecMotion{.seconds = 1});
    lines[19] = "\"0.050\",\"abc\",\"fast\",\"35.3\",\"138.9\",\"1\",\"0\",\"0\",\"0.050\"";
    lines[20] = "\"0.100\",\"1.5\"";  // too few cells
    lines[22] = "\"0.200\",\"4\",\"9\",\"35.3\",\"138.9\",\"1\",\"0\",\"0\",\"1e400\"";
    lines.emplace_back("");
    lines.emplace_back("");
    ASSERT_TRUE(LoadLapFileToGrigMotecCsv(*session, Write("cells.csv", lines)).added);
    const std::vector<TLapElmRec> s = Imported(0);
    ASSERT_EQ(s.size(), 20u);  // 21 data lines, one too short, blank ones skipped
    EXPECT_EQ(double(Float80(s[1].Dist)), 0.0);
    EXPECT_EQ(double(Float80(s[1].Spd)), 0.0);
    EXPECT_NEAR(double(Float80(s[2].Sec)), 0.15, 1e-12);
    // A time beyond the range of a date-time reads as 0, like any bad number.
    EXPECT_EQ(double(Float80(s[3].Sec)), 0.0);
    EXPECT_TRUE(std::isfinite(s[3].DtTm));
}

TEST_F(MotecTest, GLoaderReadsFromTheDataStartLineOn) {
    // Data start on line 15: the units line and the blanks left out.
    MotecMotion m;
    m.seconds = 3;
    std::vector<std::string> lines = MotecLines(m);
    lines.erase(lines.begin() + 15, lines.begin() + 18);
    lines[12] = "\"Time\",\"Distance\",\"Ground Speed\"";  // an earlier pair loses
    ASSERT_EQ(FindMotecLayout(lines)->channelLine, 14u);
    ASSERT_EQ(FindMotecLayout(lines)->dataStartLine, 15u);

    TLapDtRec lap = MakeLapDt("0001", StraightLap(0.5, 10));
    lap.GElm[9].lateG3 = 7;
    ASSERT_TRUE(ApplyMotecG(lines, lap));
    for (int k = 0; k < 10; ++k) {
        EXPECT_NEAR(double(lap.GElm[static_cast<size_t>(k)].lateG3), m.LateralG(k), 5e-4) << k;
        EXPECT_NEAR(double(lap.GElm[static_cast<size_t>(k)].logiG3), -m.LongitudinalG(), 5e-4);
    }

    // A lap longer than the file keeps its own G beyond the last line.
    TLapDtRec longer = MakeLapDt("0002", StraightLap(5, 200));
    longer.GElm[199].lateG3 = 0.25;
    ASSERT_TRUE(ApplyMotecG(lines, longer));
    EXPECT_EQ(double(longer.GElm[199].lateG3), 0.25);

    std::vector<std::string> noG = lines;
    noG[14] = "\"Time\",\"Distance\",\"Ground Speed\",\"G Force Lat\"";
    EXPECT_FALSE(ApplyMotecG(noG, lap));
    std::vector<TLapDtRec> slots;
    EXPECT_FALSE(LoadMotecGCsv(slots, 0, dir / "a.csv"));
}

// The lap list as the user works it: a lap of ours in slot A, the MoTeC lap
// beside it in slot B with its own G channels.
TEST_F(MotecTest, MotecLapInSlotBShowsItsOwnGChannels) {
    const std::filesystem::path ours = dir / "ours.dtb";
    ASSERT_TRUE(WriteLapFile(ours, StraightLap(1.2, 300)).ok);
    ASSERT_TRUE(LoadLapFileToGrigBin(*session, ours).added);
    ASSERT_EQ(StringGridLapDataDblClick(*session, 1).kind, SlotChange::Kind::Loaded);
    const std::vector<TGCalRec> slotAG = session->laps.LapDt[0].GElm;

    const MotecMotion m;
    MotecFileOptions o;
    o.positions = false;
    ASSERT_TRUE(LoadLapFileToGrigMotecCsv(*session, Write("motec.csv", MotecLines(m, o))).added);
    const SlotChange change = StringGridLapDataDblClick(*session, 2);
    ASSERT_EQ(change.kind, SlotChange::Kind::Loaded);
    EXPECT_EQ(change.slot, 1);
    EXPECT_TRUE(change.csvImport);

    const TLapDtRec& b = session->laps.LapDt[1];
    ASSERT_EQ(b.ElmNum, m.Samples());
    for (int k : {1, 100, 400, 599}) {
        const TGCalRec& g = b.GElm[static_cast<size_t>(k)];
        EXPECT_NEAR(double(g.lateG3), m.LateralG(k), 5e-4) << k;
        EXPECT_NEAR(double(g.logiG3), -m.LongitudinalG(), 5e-4) << k;
        EXPECT_NEAR(double(g.XYG), m.LateralG(k) + m.LongitudinalG(), 1e-3) << k;
    }
    // Slot A keeps the G computed from its own positions.
    const TLapDtRec& a = session->laps.LapDt[0];
    for (size_t k = 0; k < slotAG.size(); ++k) {
        ASSERT_EQ(a.GElm[k].lateG3, slotAG[k].lateG3) << k;
        ASSERT_EQ(a.GElm[k].XYG, slotAG[k].XYG) << k;
    }
}

// Laps of one to three samples, all at one place, go into the slots beside
// ours without harm.
TEST_F(MotecTest, TinyMotecLapsInTheSlots) {
    const std::filesystem::path ours = dir / "ours.dtb";
    ASSERT_TRUE(WriteLapFile(ours, StraightLap(1.0, 50)).ok);
    ASSERT_TRUE(LoadLapFileToGrigBin(*session, ours).added);
    ASSERT_EQ(StringGridLapDataDblClick(*session, 1).kind, SlotChange::Kind::Loaded);
    for (int n = 1; n <= 3; ++n) {
        MotecMotion m;
        m.seconds = (n - 1) / m.rateHz;
        m.v0Kmh = 0;
        m.accelMs2 = 0;
        MotecFileOptions o;
        o.positions = false;
        std::vector<std::string> lines = MotecLines(m, o);
        ASSERT_EQ(lines.size(), 18u + static_cast<size_t>(n));
        while (lines.size() < 20)
            lines.emplace_back("");
        ASSERT_TRUE(
            LoadLapFileToGrigMotecCsv(*session, Write("tiny" + std::to_string(n) + ".csv", lines))
                .added);
        const int row = session->laps.LapNum();
        EXPECT_EQ(session->laps.LapRows[static_cast<size_t>(row - 1)][4], n == 1   ? "0:00.000"
                                                                          : n == 2 ? "0:00.050"
                                                                                   : "0:00.100");
        const SlotChange shown = StringGridLapDataDblClick(*session, row);
        ASSERT_EQ(shown.kind, SlotChange::Kind::Loaded) << n;
        const TLapDtRec& lap = session->laps.LapDt[static_cast<size_t>(shown.slot)];
        ASSERT_EQ(lap.ElmNum, n);
        for (const TGCalRec& g : lap.GElm) {
            EXPECT_TRUE(std::isfinite(double(g.XYG))) << n;
            EXPECT_NEAR(double(g.lateG3), 0, 1e-12);  // the file's G: no speed, no turn
        }
        ASSERT_EQ(StringGridLapDataDblClick(*session, row).kind, SlotChange::Kind::Removed);
    }
}

TEST_F(MotecTest, LoadLapDataSendsCsvFilesThroughTheImport) {
    // "Load lap data" with a MoTeC export, a CSV that is not one, and a
    // missing lap file: only the export becomes a row.
    const std::filesystem::path motec = Write("Lap 1.csv", MotecLines(MotecMotion{}));
    const std::filesystem::path other = dir / "list.csv";
    WriteText(other, "Data Name,Data No.\r\n");
    const LoadLapsResult r =
        LoadLapData(*session, {motec.string(), other.string(), (dir / "gone.dtb").string()});
    EXPECT_EQ(r.rowsAdded, 1);
    EXPECT_TRUE(r.csvImports.empty());
    ASSERT_EQ(session->laps.LapNum(), 1);
    EXPECT_TRUE(IsCsvImportRow(session->laps.LapRows[0]));
    EXPECT_EQ(Imported(0).size(), 601u);

    // The files become rows in the order chosen, CSV files among the rest.
    const std::filesystem::path lap = dir / "copy.dtb";
    std::filesystem::copy_file(TempLapFilePath(session->folders, 0), lap);
    const LoadLapsResult mixed =
        LoadLapData(*session, {lap.string(), motec.string(), lap.string()});
    EXPECT_EQ(mixed.rowsAdded, 3);
    ASSERT_EQ(session->laps.LapNum(), 4);
    EXPECT_FALSE(IsCsvImportRow(session->laps.LapRows[1]));
    EXPECT_TRUE(IsCsvImportRow(session->laps.LapRows[2]));
    EXPECT_FALSE(IsCsvImportRow(session->laps.LapRows[3]));
}

}  // namespace
}  // namespace qv
