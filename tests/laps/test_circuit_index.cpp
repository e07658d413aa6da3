#include "laps/circuit_index.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "core/local_time.h"
#include "geometry/plane.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::ScriptedPrompter;
using test::TempDir;
using test::WriteText;

constexpr double kLat = 35.3712;
constexpr double kLon = 138.9268;
constexpr TDateTime kBase = 25569.0 + 9 / 24.0;  // UTC+9

// Degrees of latitude for a distance to the north.
double NorthDeg(double km) {
    return km * 1000 / static_cast<double>(EarthRadius * kPi / 180);
}

std::string PthAt(double lat, double lon) {
    return "<path>\r\n" + std::to_string(lon) + "," + std::to_string(lat) + "\r\n</path>\r\n";
}
std::string ClnAt(double lat, double lon) {
    return "1\r\n" + std::to_string(lat) + "\r\n" + std::to_string(lon) + "\r\n" +
           std::to_string(lat + 0.0002) + "\r\n" + std::to_string(lon) + "\r\n";
}
std::string SciAt(double lat, double lon) {
    return std::to_string(lat) + "," + std::to_string(lon) + "," + std::to_string(lat) + "," +
           std::to_string(lon + 0.0003) + ",1\r\n";
}

TPthClnDat Entry(const std::string& name, Float80 gap, TDateTime created) {
    TPthClnDat e;
    e.FileName = name;
    e.Gap = gap;
    e.FileCreationTime = created;
    return e;
}

std::vector<std::string> Names(const std::vector<TSelCirDat>& list) {
    std::vector<std::string> names;
    for (const TSelCirDat& c : list)
        names.push_back(c.Name);
    return names;
}

// --- Points, gaps and candidates ------------------------------------------

TEST(RepresentativePointTest, EachKindReadsItsOwnFieldOrder) {
    const std::vector<std::string> pth = {"<path>", "138.9,35.3", "139,36"};
    const LinePoint p = RepresentativePoint(CircuitFileKind::TrackMap, pth);
    EXPECT_EQ(p.lon, 138.9L);
    EXPECT_EQ(p.lat, 35.3L);

    // A sector line starts with the latitude; reading it like a track map
    // would put every sector file thousands of kilometres away.
    const LinePoint s =
        RepresentativePoint(CircuitFileKind::SectorGates, {"", "35.3,138.9,35.4,139.0,1"});
    EXPECT_EQ(s.lat, 35.3L);
    EXPECT_EQ(s.lon, 138.9L);

    const LinePoint c =
        RepresentativePoint(CircuitFileKind::ControlLine, {"2", "35.3", "138.9", "x"});
    EXPECT_EQ(c.lat, 35.3L);
    EXPECT_EQ(c.lon, 138.9L);

    for (const CircuitFileKind kind :
         {CircuitFileKind::TrackMap, CircuitFileKind::SectorGates, CircuitFileKind::ControlLine}) {
        const LinePoint none = RepresentativePoint(kind, {"<path>", "35.3"});
        EXPECT_EQ(none.lat, 0);
        EXPECT_EQ(none.lon, 0);
    }
    const LinePoint bad = RepresentativePoint(CircuitFileKind::TrackMap, {"a,b"});
    EXPECT_EQ(bad.lat, 0);
}

TEST(MeasureGapsTest, DistancesNorthAndEast) {
    std::vector<TPthClnDat> index(3);
    index[0].ido = kLat + NorthDeg(1);
    index[0].kdo = kLon;
    // 2 km east at the reference latitude.
    index[1].ido = kLat;
    index[1].kdo = kLon + NorthDeg(2) / std::cos(kLat / 180 * static_cast<double>(kPi));
    // A file without a point lies at (0, 0).
    MeasureGaps(index, kLon, kLat);
    EXPECT_NEAR(static_cast<double>(index[0].Gap), 1.0, 1e-9);
    EXPECT_NEAR(static_cast<double>(index[1].Gap), 2.0, 1e-9);
    EXPECT_GT(index[2].Gap, 10000);
}

TEST(SelectCandidatesTest, NearestFirstThenNewestAndLimitInclusive) {
    const std::vector<TPthClnDat> index = {
        Entry("far", 3.0L, 100),
        Entry("near", 1.0L, 100),
        Entry("old", 2.0L, 50),
        Entry("new", 2.0L, 60),
        Entry("edge", 5.0L, 1),
        Entry("out", 5.01L, 1),
        Entry("unmeasured", kGapUnmeasured, 1),
    };
    const std::vector<TSelCirDat> list = SelectCandidates(index, kCircuitSearchKm);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"near", "new", "old", "far", "edge"}));
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].NofArray, 1);
    EXPECT_EQ(list[1].NofArray, 3);
    EXPECT_EQ(list[4].NofArray, 4);
    EXPECT_EQ(list[1].FileCreationTime, 60);
    EXPECT_EQ(list[0].Gap, 1.0L);
    EXPECT_TRUE(SelectCandidates({}, kCircuitSearchKm).empty());

    EXPECT_EQ(CandidateItems(list).back(), "-- NONE --");
    EXPECT_EQ(CandidateItems(list).size(), 6u);
    EXPECT_EQ(CandidateItems({}), (std::vector<std::string>{"-- NONE --"}));
}

// --- Building the index ---------------------------------------------------

TEST(BuildCircuitIndexTest, WalksSubfoldersInNameOrderAndMatchesExtensionCaseFree) {
    TempDir dir;
    const auto root = dir / "Circuit";
    std::filesystem::create_directories(root / "b_sub" / "deeper");
    std::filesystem::create_directories(root / "folder.pth");
    WriteText(root / "c.pth", PthAt(kLat, kLon));
    WriteText(root / "A.PTH", PthAt(kLat + 1, kLon + 1));
    WriteText(root / "b_sub" / "deeper" / "x.Pth", "garbage");
    WriteText(root / "folder.pth" / "inside.pth", PthAt(1, 2));
    WriteText(root / "notes.pthx", PthAt(1, 2));
    WriteText(root / "other.cln", ClnAt(1, 2));
    std::filesystem::create_symlink(root / "b_sub", root / "loop");

    const std::vector<TPthClnDat> index =
        BuildCircuitIndex(root, CircuitFileKind::TrackMap, kBase, 12345);
    std::vector<std::string> paths;
    for (const TPthClnDat& e : index)
        paths.push_back(std::filesystem::relative(e.FilePath, root).string());
    EXPECT_EQ(paths, (std::vector<std::string>{"A.PTH", "b_sub/deeper/x.Pth", "c.pth",
                                               "folder.pth/inside.pth"}));
    ASSERT_EQ(index.size(), 4u);
    EXPECT_EQ(index[0].FileName, "A");
    EXPECT_NEAR(static_cast<double>(index[0].ido), kLat + 1, 1e-9);
    EXPECT_NEAR(static_cast<double>(index[0].kdo), kLon + 1, 1e-9);
    EXPECT_EQ(index[1].ido, 0);  // no usable point
    EXPECT_EQ(index[2].Gap, kGapUnmeasured);

    EXPECT_TRUE(BuildCircuitIndex(dir / "missing", CircuitFileKind::TrackMap, kBase, 0).empty());
    EXPECT_TRUE(BuildCircuitIndex("", CircuitFileKind::TrackMap, kBase, 0).empty());
}

TEST(BuildCircuitIndexTest, CreationTimeIsLocalFileTime) {
    TempDir dir;
    WriteText(dir / "a.cln", ClnAt(kLat, kLon));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "a.cln").c_str(), &st), 0);
    const std::vector<TPthClnDat> index =
        BuildCircuitIndex(dir.path(), CircuitFileKind::ControlLine, kBase, 0);
    ASSERT_EQ(index.size(), 1u);
    // The birth time, where kept, is not after the modification time and is
    // close to it for a file written once.
    const TDateTime mtime = LoggerTimeToLocal(static_cast<double>(st.st_mtime), kBase);
    EXPECT_LE(index[0].FileCreationTime, mtime + 1.0 / kSecondsPerDay);
    EXPECT_GE(index[0].FileCreationTime, mtime - 5.0 / kSecondsPerDay);
    EXPECT_NEAR(static_cast<double>(index[0].ido), kLat, 1e-9);

    EXPECT_FALSE(FileCreationTimeOf(dir / "missing", kBase));
}

// --- The reference point of the log ---------------------------------------

class LogFixture : public ::testing::Test {
  protected:
    LogFixture() : session(std::make_unique<Session>(kBase)) {}

    // A run of `count` fixes going north from (lat, kLon).
    void AddRun(int count, double lat, bool ticked) {
        LogStore& log = session->log;
        const int32_t block = log.LogBlockNum();
        TLogBlock b;
        b.Act = ticked;
        b.RecNum = count;
        log.LogBlocks.push_back(b);
        for (int i = 0; i < count; ++i) {
            TLogItem& fix = log.LogItems[static_cast<size_t>(log.LogItemNum++)];
            fix.Ido = lat + i * 0.0001;
            fix.Kdo = kLon;
            fix.Act = ticked;
            fix.BlkIdx = block;
        }
    }

    std::unique_ptr<Session> session;
};

TEST_F(LogFixture, ReferenceIsTheStartOfTheLastTickedRun) {
    AddRun(10, 10, true);
    AddRun(10, 20, false);
    AddRun(10, 30, true);
    AddRun(5, 40, false);
    const std::optional<LinePoint> p = LogReferencePoint(session->log);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->lat, 30);
    EXPECT_EQ(p->lon, kLon);

    // One ticked run: its first fix.
    session->log.LogBlocks[2].Act = false;
    for (int i = 20; i < 30; ++i)
        session->log.LogItems[static_cast<size_t>(i)].Act = false;
    EXPECT_EQ(LogReferencePoint(session->log)->lat, 10);
}

TEST_F(LogFixture, NoReferenceWithFewerThanTwoSelectedFixes) {
    EXPECT_FALSE(LogReferencePoint(session->log));
    AddRun(1, 10, true);
    AddRun(3, 20, false);
    EXPECT_FALSE(LogReferencePoint(session->log));
    // An active fix whose run is not ticked, or points at no run, does not count.
    session->log.LogItems[1].Act = true;
    session->log.LogItems[2].Act = true;
    session->log.LogItems[2].BlkIdx = 77;
    EXPECT_FALSE(LogReferencePoint(session->log));
}

TEST_F(LogFixture, RunsSplitAcrossTheSelectionWalkBackOnlyWithinTheLastRun) {
    AddRun(4, 10, true);
    AddRun(4, 20, true);
    // The last run starts with fixes that are not active: the walk back
    // still reaches its first fix.
    session->log.LogItems[4].Act = false;
    session->log.LogItems[5].Act = false;
    EXPECT_EQ(LogReferencePoint(session->log)->lat, 20);
}

// --- ReqSelCircuit --------------------------------------------------------

class ScriptedChooser : public CircuitChooser {
  public:
    std::optional<CircuitChoice> answer;
    int shown = 0;
    CircuitCandidates seen;

    std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) override {
        ++shown;
        seen = candidates;
        return answer;
    }
};

class SelCircuitTest : public LogFixture {
  protected:
    SelCircuitTest() {
        for (const char* sub : {"Circuit", "ControlLine", "Sector"})
            std::filesystem::create_directories(dir / sub);
        session->folders.trackMapFolder = dir / "Circuit";
        session->folders.controlLineFolder = dir / "ControlLine";
        session->folders.sectorFolder = dir / "Sector";
        AddRun(20, kLat, true);
    }

    std::filesystem::path Place(const std::string& sub, const std::string& name,
                                const std::string& text) {
        std::filesystem::create_directories(dir / sub);
        const auto path = dir / sub / name;
        WriteText(path, text);
        return path;
    }

    SelCircuitResult Run(bool manual) {
        index = BuildCircuitIndexes(session->folders, kBase, 0);
        return ReqSelCircuit(*session, index, candidates, prompter, chooser, manual);
    }

    TempDir dir;
    CircuitIndex index;
    CircuitCandidates candidates;
    ScriptedPrompter prompter;
    ScriptedChooser chooser;
};

TEST_F(SelCircuitTest, SingleCandidatesLoadWithoutAsking) {
    Place("Circuit/fsw", "fsw.pth", PthAt(kLat + NorthDeg(1), kLon));
    Place("ControlLine", "fsw.cln", ClnAt(kLat + NorthDeg(0.5), kLon));
    Place("Circuit", "far.pth", PthAt(kLat + NorthDeg(5.01), kLon));
    session->lines.Rally = true;

    const SelCircuitResult r = Run(false);
    EXPECT_EQ(r.outcome, SelCircuitOutcome::Done);
    EXPECT_FALSE(r.dialogShown);
    EXPECT_EQ(chooser.shown, 0);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(r.trackMapLoaded);
    EXPECT_TRUE(r.controlLineLoaded);
    EXPECT_FALSE(r.sectorGatesLoaded);
    EXPECT_EQ(Names(candidates.trackMaps), (std::vector<std::string>{"fsw"}));
    ASSERT_EQ(session->trackMap.TrackMapNum(), 1);
    EXPECT_NEAR(static_cast<double>(session->trackMap.TrackMap[0].Elm[0].Ido), kLat + NorthDeg(1),
                1e-6);
    EXPECT_TRUE(session->lines.controlLineSet);
    EXPECT_FALSE(session->lines.Rally);
    EXPECT_EQ(session->folders.trackMapFolder, dir / "Circuit" / "fsw");
    EXPECT_EQ(session->folders.controlLineFolder, dir / "ControlLine");
    EXPECT_EQ(session->gates.SectCount, 0);
}

TEST_F(SelCircuitTest, SingleSectorFileLoadsAlongAndStartFinishKeepsRally) {
    Place("ControlLine", "sf.cln",
          "2\r\n" + std::to_string(kLat) +
              "\r\n138.9\r\n35.4\r\n138.9\r\n35.5\r\n"
              "138.8\r\n35.6\r\n138.8\r\n1\r\n");
    const auto sci = Place("Sector/x", "fsw.sci", SciAt(kLat + NorthDeg(3), kLon));
    session->lines.Rally = false;

    const SelCircuitResult r = Run(false);
    EXPECT_FALSE(r.dialogShown);
    EXPECT_TRUE(r.controlLineLoaded);
    EXPECT_TRUE(r.sectorGatesLoaded);
    EXPECT_FALSE(r.trackMapLoaded);
    EXPECT_TRUE(session->lines.startLineSet);
    EXPECT_TRUE(session->lines.finishLineSet);
    EXPECT_FALSE(session->lines.Rally);  // line 9 is not read here
    EXPECT_EQ(session->gates.SectCount, 1);
    EXPECT_EQ(session->folders.sectorFolder, sci.parent_path());
}

TEST_F(SelCircuitTest, SeveralCandidatesOpenTheDialogInDistanceOrder) {
    Place("Circuit", "only.pth", PthAt(kLat, kLon));
    Place("ControlLine", "b_three.cln", ClnAt(kLat + NorthDeg(3), kLon));
    Place("ControlLine", "a_one.cln", ClnAt(kLat + NorthDeg(1), kLon));
    CircuitChoice choice;
    choice.controlLine = 1;  // the farther one
    chooser.answer = choice;

    const SelCircuitResult r = Run(false);
    EXPECT_TRUE(r.dialogShown);
    EXPECT_EQ(chooser.shown, 1);
    EXPECT_EQ(Names(chooser.seen.controlLines), (std::vector<std::string>{"a_one", "b_three"}));
    EXPECT_EQ(Names(chooser.seen.trackMaps), (std::vector<std::string>{"only"}));
    EXPECT_FALSE(r.trackMapLoaded);
    EXPECT_EQ(session->trackMap.TrackMapNum(), 0);
    ASSERT_TRUE(r.controlLineLoaded);
    EXPECT_NEAR(static_cast<double>(session->lines.first[0].lat), kLat + NorthDeg(3), 1e-6);
}

TEST_F(SelCircuitTest, CancelAndOutOfRangeChoicesLoadNothing) {
    Place("Circuit", "a.pth", PthAt(kLat, kLon));
    Place("Circuit", "b.pth", PthAt(kLat, kLon));
    chooser.answer.reset();
    SelCircuitResult r = Run(false);
    EXPECT_EQ(r.outcome, SelCircuitOutcome::Cancelled);
    EXPECT_EQ(session->trackMap.TrackMapNum(), 0);

    CircuitChoice bad;
    bad.trackMap = 7;
    bad.controlLine = -1;
    bad.sectorGates = 0;
    chooser.answer = bad;
    r = Run(false);
    EXPECT_EQ(r.outcome, SelCircuitOutcome::Done);
    EXPECT_FALSE(r.trackMapLoaded || r.controlLineLoaded || r.sectorGatesLoaded);
}

TEST_F(SelCircuitTest, OnlySectorFilesNearby) {
    Place("Sector", "s.sci", SciAt(kLat, kLon));
    Place("Circuit", "far.pth", PthAt(kLat + NorthDeg(6), kLon));

    SelCircuitResult r = Run(false);
    EXPECT_EQ(r.outcome, SelCircuitOutcome::NotFound);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(session->gates.SectCount, 0);

    r = Run(true);
    EXPECT_EQ(r.outcome, SelCircuitOutcome::NotFound);
    EXPECT_EQ(prompter.Messages(),
              (std::vector<std::string>{"Track map and control line not found."}));
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(chooser.shown, 0);
    EXPECT_EQ(session->gates.SectCount, 0);
}

TEST_F(SelCircuitTest, AutomaticRunStepsAsideForLinesAndMapsManualDoesNot) {
    Place("Circuit", "a.pth", PthAt(kLat, kLon));
    session->lines.finishLineSet = true;
    EXPECT_EQ(Run(false).outcome, SelCircuitOutcome::NotRun);
    session->lines.finishLineSet = false;
    session->trackMap.TrackMap.resize(1);
    EXPECT_EQ(Run(false).outcome, SelCircuitOutcome::NotRun);
    EXPECT_EQ(chooser.shown, 0);

    // The manual run asks even about a single candidate.
    CircuitChoice choice;
    choice.trackMap = 0;
    chooser.answer = choice;
    const SelCircuitResult r = Run(true);
    EXPECT_TRUE(r.dialogShown);
    EXPECT_TRUE(r.trackMapLoaded);
    EXPECT_EQ(session->trackMap.TrackMap[0].ElmNum(), 1);
}

TEST_F(SelCircuitTest, VanishedCandidateIsSkippedSilently) {
    const auto pth = Place("Circuit", "gone.pth", PthAt(kLat, kLon));
    Place("ControlLine", "here.cln", ClnAt(kLat, kLon));
    index = BuildCircuitIndexes(session->folders, kBase, 0);
    std::filesystem::remove(pth);
    session->trackMap.TrackMap.clear();

    const SelCircuitResult r = ReqSelCircuit(*session, index, candidates, prompter, chooser, false);
    EXPECT_EQ(r.outcome, SelCircuitOutcome::Done);
    EXPECT_FALSE(r.trackMapLoaded);
    EXPECT_TRUE(r.controlLineLoaded);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(session->folders.trackMapFolder, dir / "Circuit");
}

TEST_F(SelCircuitTest, NoSelectedDrivingDoesNothing) {
    Place("Circuit", "a.pth", PthAt(kLat, kLon));
    session->log.LogBlocks[0].Act = false;
    for (int i = 0; i < session->log.LogItemNum; ++i)
        session->log.LogItems[static_cast<size_t>(i)].Act = false;
    EXPECT_EQ(Run(true).outcome, SelCircuitOutcome::NoReferencePoint);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(chooser.shown, 0);
    EXPECT_EQ(session->trackMap.TrackMapNum(), 0);
}

TEST_F(SelCircuitTest, UnusableControlLineCandidateSetsNoLine) {
    Place("ControlLine", "odd.cln",
          "7\r\n" + std::to_string(kLat) + "\r\n" + std::to_string(kLon) + "\r\n1\r\n2\r\n");
    const SelCircuitResult r = Run(false);
    EXPECT_EQ(r.outcome, SelCircuitOutcome::Done);
    EXPECT_FALSE(r.controlLineLoaded);
    EXPECT_FALSE(session->lines.controlLineSet);
}

}  // namespace
}  // namespace qv
