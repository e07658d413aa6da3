#include <gtest/gtest.h>

#include <memory>

#include "app/session.h"
#include "dynamics/detail_texts.h"
#include "dynamics/sector_extract.h"
#include "dynamics/sector_tables.h"
#include "laps/lap_file_io.h"
#include "laps/lap_list_marks.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

// A lap driven straight north at 36 km/h, one sample a second.
TLapDtRec StraightLap(const std::string& name, int samples) {
    TLapDtRec lap;
    lap.DtName = name;
    for (int i = 0; i < samples; ++i) {
        TLapElmRec s;
        s.DtTm = 45000 + i / 86400.0;
        s.Tm = i / 86400.0;
        s.Sec = i;
        s.Ido = 35 + i * 0.00009;
        s.Kdo = 139;
        s.Spd = 36;
        s.Dist = i * 0.01;
        s.Elv = 100 + i;
        s.UseSat = 9;
        lap.Elm.push_back(s);
    }
    lap.ElmNum = samples;
    lap.LapTim = (samples - 1) / 86400.0;
    lap.LapDist = (samples - 1) * 0.01;
    lap.AveSpd = 36;
    lap.MaxSpd = 36;
    return lap;
}

TEST(DataLabelsTest, SummaryAndSectorLines) {
    TLapDtRec lap;
    lap.DtName = "0012";
    lap.LapTim = 102.357 / 86400;
    lap.LapDist = 2.408;
    lap.AveSpd = 84.69;
    lap.MaxSpd = 220.38;
    SectRes res;
    res.SectTim = {31.2, 40.003, 28.517, 0, 0};
    std::array<SlotReadout, 4> slots{};
    slots[0] = {&lap, &res, 1.25, 150.5};
    Settings settings;
    DiffReadout diff{true, 0.125, -1, 2};

    DataLabels labels = SetDataStr(83.5, slots, 2, diff, settings);
    EXPECT_EQ(labels.playTime, "1:23.500");
    EXPECT_EQ(labels.summary[0],
              "1:42.357 2.408km AVE=84.69km/h TOP=220.38km/h > 1.250km 150.50km/h +0.125sec");
    EXPECT_EQ(labels.sectorLine[0], "[0012], 0:31.200, 0:40.003, 0:28.517");
    EXPECT_EQ(labels.summary[1], ".");
    EXPECT_EQ(labels.sectorLine[3], ".");

    diff.cur = -0.125;
    settings.SpeedInKmh = false;
    settings.DistInKm = false;
    labels = SetDataStr(0, slots, 0, diff, settings);
    EXPECT_EQ(labels.summary[0],
              "1:42.357 7900feet AVE=52.62MPH TOP=136.94MPH > 4101feet 93.52MPH "
              "-0.125sec");
    EXPECT_EQ(labels.sectorLine[0], "[0012]");

    diff.max = diff.min;  // no time difference computed
    EXPECT_EQ(SetDataStr(0, slots, 0, diff, Settings{}).summary[0].find("sec"), std::string::npos);
    EXPECT_EQ(Trunc1(123.47L), 123.4L);
    EXPECT_EQ(Trunc1(-15.06L), -15.0L);
}

TEST(SectorTableTest, HeadersRowsBestOfAndIdealLap) {
    TLapDtRec a = StraightLap("0001", 2), b = StraightLap("0002", 2);
    a.LapTim = 3723.456 / 86400;
    SectRes ra, rb;
    ra.SectTim = {30.0, 41.0, 0, 0, 0};
    rb.SectTim = {30.0, 40.5, 0, 0, 0};
    ra.SectPassTim[0] = 3723.456;
    ra.SectLen = {0.5, 0.75, 0, 0, 0};
    ra.SectAveSpd = {60, 65.857, 0, 0, 0};
    ra.SectMaxSpd = {123.47, 99.99, 0, 0, 0};
    ra.SectMinSpd = {45.06, 50, 0, 0, 0};
    std::array<SlotReadout, 4> slots{};
    slots[0] = {&a, &ra, 0, 0};

    // One gate, slot B empty: no best-of row.
    DetailTables t = SetSectGrid(slots, 1);
    EXPECT_EQ(t.sector[0][4], "S1 Split");
    EXPECT_EQ(t.sector[0][5], "S1- Time");
    EXPECT_EQ(t.sector[0][8], "S1- Top/Bot");
    EXPECT_EQ(t.sector[0][9], "Lap Time");
    EXPECT_EQ(t.sector[0][10], "");
    EXPECT_EQ(t.sector[1][0], "0:30.000");
    EXPECT_EQ(t.sector[1][1], "0.500");
    EXPECT_EQ(t.sector[1][3], "123.4 / 45.0");
    EXPECT_EQ(t.sector[1][4], "1:02:03.456");  // a split with hours
    EXPECT_EQ(t.sector[1][6], "0.750");
    EXPECT_EQ(t.sector[1][9], "1:02:03.456");  // the lap time
    for (const std::string& cell : t.sector[5])
        EXPECT_EQ(cell, "");

    // Two slots: equal first sectors go to slot A, the second to B.
    slots[1] = {&b, &rb, 0, 0};
    t = SetSectGrid(slots, 1);
    EXPECT_EQ(t.sector[1][0], "*0:30.000");
    EXPECT_EQ(t.sector[2][0], "0:30.000");
    EXPECT_EQ(t.sector[2][5], "*0:40.500");
    EXPECT_EQ(t.sector[5][0], "0:30.000");
    EXPECT_EQ(t.sector[5][5], "0:40.500");
    EXPECT_EQ(t.sector[5][9], "1:10.500");  // the ideal lap

    EXPECT_EQ(SetSectGrid(slots, 2).sector[0][5], "S1-2 Time");
    EXPECT_EQ(SetSectGrid(slots, 2).sector[0][9], "S2 Split");

    // No gates: both tables blank.
    t = SetSectGrid(slots, 0);
    for (const auto& row : t.sector)
        for (const std::string& cell : row)
            EXPECT_EQ(cell, "");
}

TEST(DriftTableTest, StatesScoresAndDashes) {
    TLapDtRec a = StraightLap("0001", 2), b = StraightLap("0002", 2);
    a.driftAct = true;
    SectRes r;
    r.SectDrMax = {35.06, 0, 0, 0, 0};
    r.SectDrMin = {0, -22.49, 0, 0, 0};
    r.SectDrAve = {20.55, -10, 0, 0, 0};
    r.SectDrDev = {3.33, 4, 0, 0, 0};
    r.SectDrState = {kDrMaint, kDrTrans, 0, 0, 0};
    r.SectDrRate = {55.55, 31.25, 0, 0, 0};
    r.SectDrScore = {0, 45.6, 0, 0, 0};
    r.DrScoreSum = 12.3;
    std::array<SlotReadout, 4> slots{};
    slots[0] = {&a, &r, 0, 0};
    slots[1] = {&b, &r, 0, 0};  // no drift data
    const DetailTables t = SetSectGrid(slots, 1);
    EXPECT_EQ(t.drift[0][0], "-S1 HighDeg+/-");
    EXPECT_EQ(t.drift[0][7], "S1- Sco(Sum)");
    EXPECT_EQ(t.drift[1][0], "35.0 / -.-");
    EXPECT_EQ(t.drift[1][4], "-.- / -22.4");
    EXPECT_EQ(t.drift[1][1], "20.5 / 3.3");
    EXPECT_EQ(t.drift[1][2], "-.- (MAINT)");
    EXPECT_EQ(t.drift[1][6], "31.2 (TRANS)");
    EXPECT_EQ(t.drift[1][3], "-.- (12.3)");
    EXPECT_EQ(t.drift[1][7], "45.6 (12.3)");
    EXPECT_EQ(t.drift[1][8], "");
    for (const std::string& cell : t.drift[2])
        EXPECT_EQ(cell, "");
}

TEST(DetailCellStyleTest, SectorTintsAndTheLapTimeColumn) {
    EXPECT_TRUE(DetailCellStyleOf(DetailTableKind::Sector, 3, 0, 1).buttonFace);
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Sector, 3, 2, 1).font, kSlotColours[1]);
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Sector, 3, 5, 1).font, kBlack);
    // One gate: group 1 tinted, its lap-time column white.
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Sector, 3, 1, 1).background, kWhite);
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Sector, 6, 1, 1).background, kSectorTint);
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Sector, 9, 1, 1).background, kWhite);
    // Two gates: group 2 white, its lap-time column tinted.
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Sector, 11, 1, 2).background, kWhite);
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Sector, 14, 1, 2).background, kSectorTint);
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Drift, 5, 1, 2).background, kSectorTint);
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Drift, 13, 1, 2).background, kWhite);
    EXPECT_EQ(DetailCellStyleOf(DetailTableKind::Sector, 6, 1, 0).background, kWhite);
}

TEST(SectorSamplesTest, CutsAtTheSplitTimes) {
    const TLapDtRec lap = StraightLap("0012", 31);  // 0..30 s, 0.3 km
    SectRes res;
    res.SectPassTim = {10.5, 20, 0, 0, 0};
    res.SectTim = {10.5, 9.5, 10, 0, 0};

    const std::vector<TLapElmRec> first = SectorSamples(lap, res, 0, 2);
    ASSERT_EQ(first.size(), 12u);  // samples 0..10 and the end at 10.5 s
    EXPECT_EQ(static_cast<Float80>(first.back().Sec), 10.5L);
    EXPECT_NEAR(static_cast<double>(first.back().Dist), 0.105, 1e-12);
    EXPECT_EQ(static_cast<Float80>(first.back().Elv), 111);  // of the later sample

    const std::vector<TLapElmRec> middle = SectorSamples(lap, res, 1, 2);
    ASSERT_EQ(middle.size(), 11u);  // start at 10.5 s, samples 11..20
    EXPECT_EQ(static_cast<Float80>(middle[0].Sec), 0);
    EXPECT_EQ(static_cast<Float80>(middle[0].Dist), 0);
    EXPECT_EQ(static_cast<Float80>(middle[0].Elv), 110);  // of the earlier sample
    EXPECT_NEAR(static_cast<double>(middle[1].Sec), 0.5, 1e-12);
    EXPECT_NEAR(static_cast<double>(middle.back().Sec), 9.5, 1e-12);
    EXPECT_NEAR(static_cast<double>(middle.back().Dist), 0.095, 1e-12);

    // The last sector starts exactly on sample 20: no repeated start.
    const std::vector<TLapElmRec> last = SectorSamples(lap, res, 2, 2);
    ASSERT_EQ(last.size(), 11u);
    EXPECT_EQ(static_cast<Float80>(last[0].Sec), 0);
    EXPECT_NEAR(static_cast<double>(last[1].Sec), 1, 1e-12);
    EXPECT_NEAR(static_cast<double>(last.back().Dist), 0.1, 1e-12);

    res.SectPassTim[1] = 40;  // beyond the lap
    EXPECT_TRUE(SectorSamples(lap, res, 2, 2).empty());
}

TEST(ExtractSectorLapTest, ProposedNameExtensionRuleAndCsvRefusal) {
    test::TempDir dir;
    auto session = std::make_unique<Session>(25569.0);
    session->laps.LapDt.push_back(StraightLap("0001", 31));
    std::array<SectRes, 4> res{};
    res[0].SectPassTim = {10.5, 20, 0, 0, 0};
    res[0].SectTim = {10.5, 9.5, 10, 0, 0};
    session->gates.SectCount = 2;
    std::array<SlotReadout, 4> slots{};
    slots[0] = {&session->laps.LapDt[0], &res[0], 0, 0};
    const DetailTables tables = SetSectGrid(slots, 2);
    test::ScriptedPrompter prompter;

    // The lap-time column of the last group counts with the last sector.
    prompter.files = {(dir / "mine.DTB").string()};
    EXPECT_TRUE(
        ExtractSectorLap(*session, res, tables, DetailTableKind::Sector, 14, 1, prompter).saved);
    EXPECT_EQ(prompter.shown[0].request.proposedName, "0001_Sector3.dtb");
    EXPECT_EQ(prompter.shown[0].text, "Seva sector data as...");
    EXPECT_EQ(ReadLapFile(dir / "mine.dtb").samples.size(), 11u);

    // The same name again: the replace question, answered No.
    prompter.shown.clear();
    prompter.files = {(dir / "mine.DTB").string()};
    EXPECT_FALSE(
        ExtractSectorLap(*session, res, tables, DetailTableKind::Sector, 5, 1, prompter).saved);
    EXPECT_EQ(prompter.Messages().at(0).find(" already exists."),
              (dir / "mine.dtb").string().size());

    // Empty cells, rows outside the slots, sectors without a time.
    prompter.shown.clear();
    EXPECT_FALSE(
        ExtractSectorLap(*session, res, tables, DetailTableKind::Sector, 20, 1, prompter).saved);
    EXPECT_FALSE(
        ExtractSectorLap(*session, res, tables, DetailTableKind::Sector, 0, 2, prompter).saved);
    EXPECT_TRUE(prompter.shown.empty());

    // A lap of a CSV import.
    LapRow row;
    row[1] = "0001";
    session->laps.LapRows = {LapRow{}, row};
    session->laps.LapRows[1][7] = "export.CSV";
    session->laps.LapList.resize(2);
    ExtractSectorLap(*session, res, tables, DetailTableKind::Sector, 0, 1, prompter);
    EXPECT_EQ(prompter.Messages(),
              std::vector<std::string>{"CSV file data cannot be saved as lap data."});
}

}  // namespace
}  // namespace qv
