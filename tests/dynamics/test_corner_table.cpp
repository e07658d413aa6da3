#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "dynamics/corner_table.h"
#include "planted_laps.h"

namespace qv {
namespace {

using synth::CornerPlan;
using test::PlantedLaps;

constexpr double kG = 9.80665;
constexpr double kLateralG = 1.2;  // the synthesizer's default grip
constexpr double kBrakeG = 1.1;

// The steady speed round an arc of the demo circuit at a share of the grip.
double ArcKmh(double radiusM, double grip = 1) {
    return 3.6 * std::sqrt(grip * kLateralG * kG * radiusM);
}

const CornerRow& RowOf(const CornerTable& t, int corner) {
    for (const CornerRow& r : t.rows)
        if (r.corner == corner)
            return r;
    ADD_FAILURE() << "no row for T" << corner;
    return t.rows.front();
}

// Lap B (the third flying lap) against lap A (the second): B brakes 15 m
// earlier into the hard right at the end of the main straight (T1), runs
// 2 m wide through the left that follows (T2) and has 10 % less grip
// through the long right (T3, a 55 m arc).
class PlantedTable : public ::testing::TestWithParam<AlignMode> {
  protected:
    static PlantedLaps& Laps() {
        static PlantedLaps* laps = [] {
            std::vector<CornerPlan> b(7);
            b[test::kFirstRight].brakeEarlierM = 15;
            b[test::kLeftAfter].lineM = -2;
            b[test::kLongRight].grip = 0.9;
            return new PlantedLaps(test::PlannedSession({{}, {}, b, {}}, 10), {1, 2});
        }();
        return *laps;
    }
    CornerTable Table() {
        CornerTableOptions o;
        o.mode = GetParam();
        return BuildCornerTable(Laps().slots(), Laps().results(), Laps().gates(), o);
    }
};

TEST_P(PlantedTable, CornersAreTheCircuitsInDrivingOrder) {
    const CornerTable t = Table();
    ASSERT_GE(t.corners.size(), 3u);
    const struct {
        TurnDirection dir;
        double turnDeg;
    } want[] = {
        {TurnDirection::kRight, -90}, {TurnDirection::kLeft, 45}, {TurnDirection::kRight, -135}};
    for (size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(t.corners[c].number, static_cast<int>(c) + 1);
        EXPECT_EQ(t.corners[c].direction, want[c].dir) << c;
        EXPECT_NEAR(t.corners[c].turnDeg, want[c].turnDeg, 8) << c;
        EXPECT_LE(t.corners[c].entryM, t.corners[c].apexM);
        EXPECT_LE(t.corners[c].apexM, t.corners[c].exitM);
    }
}

TEST_P(PlantedTable, BrakingDifferencesAreThePlantedOnes) {
    const CornerTable t = Table();
    // T3: 10 % less grip means a lower apex speed, reached from the same
    // straight at the same deceleration, so braking starts earlier by
    // (vA^2 - vB^2) / 2a.
    const double vA = ArcKmh(55) / 3.6, vB = ArcKmh(55, 0.9) / 3.6;
    const double t3Earlier = (vA * vA - vB * vB) / (2 * kBrakeG * kG);
    for (const CornerRow& r : t.rows) {
        if (!std::isfinite(r.refBrakeM))
            continue;
        const double want = r.corner == 1 ? -15 : r.corner == 3 ? -t3Earlier : 0;
        EXPECT_NEAR(r.brakeLaterM, want, 2) << "T" << r.corner;
    }
    EXPECT_TRUE(std::isfinite(RowOf(t, 1).refBrakeM));
    EXPECT_TRUE(std::isfinite(RowOf(t, 3).refBrakeM));
}

TEST_P(PlantedTable, ApexSpeedsAreTheArcSpeeds) {
    const CornerTable t = Table();
    const struct {
        int corner;
        double refKmh, kmh;
    } want[] = {
        {1, ArcKmh(45), ArcKmh(45)},
        {3, ArcKmh(55), ArcKmh(55, 0.9)},
    };
    for (const auto& w : want) {
        const CornerRow& r = RowOf(t, w.corner);
        EXPECT_NEAR(r.refMinKmh, w.refKmh, 1) << "T" << w.corner;
        EXPECT_NEAR(r.minKmh, w.kmh, 1) << "T" << w.corner;
    }
}

TEST_P(PlantedTable, RowsAddUpToTheLapDifference) {
    const CornerTable t = Table();
    ASSERT_EQ(t.totals.size(), 1u);
    long long sumMs = 0;
    for (const CornerRow& r : t.rows)
        sumMs += r.timeLostMs;
    EXPECT_EQ(sumMs, t.totals[0].timeLostMs);
    const double trueDiff = Laps().TrueLapSec(2) - Laps().TrueLapSec(1);
    EXPECT_NEAR(t.totals[0].timeLostS, trueDiff, 0.003);
    EXPECT_NEAR(static_cast<double>(t.totals[0].timeLostMs) / 1000, trueDiff, 0.004);
}

TEST_P(PlantedTable, SortedTheLossesAreTheLateBrakingAndTheSlowCorner) {
    CornerTable t = Table();
    SortByTimeLost(t);
    ASSERT_GE(t.rows.size(), 3u);
    EXPECT_EQ((std::set<int>{t.rows[0].corner, t.rows[1].corner}), (std::set<int>{1, 3}));
    EXPECT_GT(t.rows[1].timeLostS, 0.2);
    for (size_t i = 1; i < t.rows.size(); ++i)
        EXPECT_GE(t.rows[i - 1].timeLostMs, t.rows[i].timeLostMs);
    // The wider, faster line is the one clear gain.
    EXPECT_EQ(t.rows.back().corner, 2);
    EXPECT_LT(t.rows.back().timeLostS, -0.08);
}

INSTANTIATE_TEST_SUITE_P(Modes, PlantedTable,
                         ::testing::Values(AlignMode::kByDistance, AlignMode::kByPosition));

// The demo session's own options (its seed draws the driver's take of every
// corner on every lap), once as logged, with GPS and speed noise, and once
// clean: the clean drive's table is where the synthesizer put the time.
synth::SessionOptions DemoSessionOptions(bool logged) {
    synth::SessionOptions o;
    o.rateHz = 20;
    o.startUtcMs = 1730620800000;
    o.stints = {4, 4};
    o.breakS = 900;
    o.seed = 20241103;
    if (logged) {
        o.noiseM = 0.1;
        o.speedNoiseKmh = 0.4;
    }
    return o;
}

// The corner where the most time changed hands, either way.
int LargestChange(const CornerTable& t) {
    const auto most =
        std::max_element(t.rows.begin(), t.rows.end(), [](const auto& a, const auto& b) {
            return std::fabs(a.timeLostS) < std::fabs(b.timeLostS);
        });
    return most->corner;
}

TEST(CornerTable, DemoLapsDifferWhereTheDriveMadeThemDiffer) {
    for (const std::vector<int>& pair : {std::vector<int>{1, 2}, std::vector<int>{2, 5}}) {
        PlantedLaps clean(DemoSessionOptions(false), pair);
        PlantedLaps logged(DemoSessionOptions(true), pair);
        const CornerTable truth = BuildCornerTable(clean.slots(), clean.results(), clean.gates());
        const CornerTable seen = BuildCornerTable(logged.slots(), logged.results(), logged.gates());
        ASSERT_EQ(seen.rows.size(), truth.rows.size()) << pair[0] << " " << pair[1];
        ASSERT_FALSE(truth.rows.empty());
        for (size_t k = 0; k < truth.rows.size(); ++k) {
            const CornerRow &t = truth.rows[k], &s = seen.rows[k];
            EXPECT_NEAR(s.timeLostS, t.timeLostS, 0.025) << "T" << t.corner;
            EXPECT_EQ(std::isfinite(s.brakeM), std::isfinite(t.brakeM)) << "T" << t.corner;
            if (std::isfinite(t.brakeM)) {
                EXPECT_NEAR(s.brakeLaterM, t.brakeLaterM, 3) << "T" << t.corner;
            }
        }
        EXPECT_EQ(LargestChange(seen), LargestChange(truth));
    }
}

TEST(CornerTable, NeedsTwoLaps) {
    std::vector<TLapDtRec> one(1);
    EXPECT_TRUE(BuildCornerTable({}, SlotSectResults{}, 0).rows.empty());
    EXPECT_TRUE(BuildCornerTable(one, SlotSectResults{}, 0).rows.empty());
}

TEST(CornerTable, TextsHaveAHeaderEveryRowAndTheTotalsLast) {
    CornerTable t;
    CornerRow r;
    r.corner = 2;
    r.direction = TurnDirection::kRight;
    r.slot = 1;
    r.timeLostMs = -40;
    r.brakeM = r.refBrakeM = r.brakeLaterM = std::nan("");
    r.minKmh = 81.26;
    t.rows = {r};
    CornerRow total;
    total.slot = 2;
    total.timeLostMs = 1234;
    t.totals = {total};
    const struct {
        std::string text;
        std::string sep, eol;
    } cases[] = {{CornerTableCsv(t), ",", "\n"}, {CornerTableTabText(t, {}), "\t", "\r\n"}};
    for (const auto& c : cases) {
        const size_t firstEol = c.text.find(c.eol);
        ASSERT_NE(firstEol, std::string::npos);
        const std::string header = c.text.substr(0, firstEol);
        EXPECT_EQ(header.rfind("Corner" + c.sep + "Dir" + c.sep + "Slot", 0), 0u) << header;
        const std::string body = c.text.substr(firstEol + c.eol.size());
        const std::string row = body.substr(0, body.find(c.eol));
        // No braking: the braking cells stay empty.
        EXPECT_EQ(row.rfind("T2" + c.sep + "R" + c.sep + "B" + c.sep + "-0.040" + c.sep + c.sep +
                                c.sep + "81.3",
                            0),
                  0u)
            << row;
        const std::string last = body.substr(body.find(c.eol) + c.eol.size());
        EXPECT_EQ(last.rfind("Total" + c.sep + c.sep + "C" + c.sep + "1.234", 0), 0u) << last;
        EXPECT_EQ(std::count(header.begin(), header.end(), c.sep[0]),
                  std::count(row.begin(), row.end(), c.sep[0]));
    }
}

// Cells of one planted row: the header's and the row's, split at `sep`.
std::vector<std::string> SplitAt(const std::string& line, char sep) {
    std::vector<std::string> cells;
    size_t from = 0;
    for (size_t at; (at = line.find(sep, from)) != std::string::npos; from = at + 1)
        cells.push_back(line.substr(from, at - from));
    cells.push_back(line.substr(from));
    return cells;
}

TEST(CornerTable, TheCopyShowsTheChosenUnitsAndTheCsvKmhAndMetres) {
    CornerTable t;
    CornerRow r;
    r.corner = 1;
    r.brakeM = 152.4;          // 500 feet
    r.brakeLaterM = -3.048;    // 10 feet earlier
    r.minKmh = 80.4672;        // 50 MPH
    r.refMinKmh = 96.56064;    // 60 MPH
    r.minAtM = 30.48;          // 100 feet
    r.exitKmh = 160.9344;      // 100 MPH
    r.refExitKmh = 112.65408;  // 70 MPH
    r.cornerS = 4.5;
    t.rows = {r};
    using V = std::vector<std::string>;
    // Brake, brakes later, min, A min, min at, exit, A exit, in corner.
    const V metric{"152.4", "-3.0", "80.5", "96.6", "30.5", "160.9", "112.7", "4.500"};
    const V metricHeader{"Brake (m)",  "Brakes later (m)", "Min (km/h)",    "A min (km/h)",
                         "Min at (m)", "Exit (km/h)",      "A exit (km/h)", "In corner (s)"};
    const struct {
        const char* what;
        std::string text;
        char sep;
        V header, cells;
    } cases[] = {
        {"km/h, m", CornerTableTabText(t, {true, true}), '\t', metricHeader, metric},
        {"MPH, m", CornerTableTabText(t, {false, true}), '\t',
         V{"Brake (m)", "Brakes later (m)", "Min (MPH)", "A min (MPH)", "Min at (m)", "Exit (MPH)",
           "A exit (MPH)", "In corner (s)"},
         V{"152.4", "-3.0", "50.0", "60.0", "30.5", "100.0", "70.0", "4.500"}},
        {"km/h, feet", CornerTableTabText(t, {true, false}), '\t',
         V{"Brake (feet)", "Brakes later (feet)", "Min (km/h)", "A min (km/h)", "Min at (feet)",
           "Exit (km/h)", "A exit (km/h)", "In corner (s)"},
         V{"500.0", "-10.0", "80.5", "96.6", "100.0", "160.9", "112.7", "4.500"}},
        {"MPH, feet", CornerTableTabText(t, {false, false}), '\t',
         V{"Brake (feet)", "Brakes later (feet)", "Min (MPH)", "A min (MPH)", "Min at (feet)",
           "Exit (MPH)", "A exit (MPH)", "In corner (s)"},
         V{"500.0", "-10.0", "50.0", "60.0", "100.0", "100.0", "70.0", "4.500"}},
        {"CSV", CornerTableCsv(t), ',', metricHeader, metric},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t eol =
            c.text.find('\r') != std::string::npos ? c.text.find('\r') : c.text.find('\n');
        const V header = SplitAt(c.text.substr(0, eol), c.sep);
        const std::string body = c.text.substr(c.text.find('\n') + 1);
        const V cells = SplitAt(body.substr(0, body.find_first_of("\r\n")), c.sep);
        ASSERT_EQ(header.size(), 13u);
        ASSERT_EQ(cells.size(), 13u);
        EXPECT_EQ(V(header.begin() + 4, header.begin() + 12), c.header);
        EXPECT_EQ(V(cells.begin() + 4, cells.begin() + 12), c.cells);
    }
}

}  // namespace
}  // namespace qv
