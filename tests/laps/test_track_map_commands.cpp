#include "laps/track_map_commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/atomic_file.h"
#include "geometry/plane.h"
#include "geometry/pth_file.h"
#include "geometry/straight_lap.h"
#include "support/scripted_chooser.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::NorthLap;
using test::ScriptedChooser;
using test::SlotLap;

std::string Text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TrackMapFixture {
    test::TempDir dir;
    Folders folders;
    TrackMapStore trackMap;
    test::ScriptedPrompter prompter;
    ScriptedChooser chooser;
    std::vector<TLapDtRec> slots{SlotLap(NorthLap(5, 1.0))};
    std::vector<TPthClnDat> index;

    TrackMapFixture() { folders.trackMapFolder = dir.path(); }

    // A track map of one square path whose first point lies `kmNorth` north
    // of the lap's start (a degree of latitude is about 111 km).
    std::filesystem::path AddFile(const std::string& name, Float80 kmNorth) {
        const double lat = static_cast<double>(test::kLat0 + kmNorth / 111.13L);
        const double lon = static_cast<double>(test::kLon0);
        const std::string text = "<path>\r\n" + std::to_string(lon) + "," + std::to_string(lat) +
                                 "\r\n" + std::to_string(lon + 0.001) + "," + std::to_string(lat) +
                                 "\r\n</path>\r\n";
        const std::filesystem::path path = dir / (name + ".pth");
        EXPECT_TRUE(WriteFileAtomically(path, text).ok);
        TPthClnDat entry;
        entry.FilePath = path.string();
        entry.FileName = name;
        entry.ido = lat;
        entry.kdo = lon;
        index.push_back(entry);
        return path;
    }
    bool Find() { return FindTrackMap(slots, index, trackMap, folders, prompter, chooser); }
};

TEST(TrackMapCommands, OpenTakesThePthOfTheChosenNameAndRemembersItsFolder) {
    TrackMapFixture f;
    const std::filesystem::path sub = f.dir / "circuits";
    std::filesystem::create_directories(sub);
    ASSERT_TRUE(WriteFileAtomically(sub / "club.pth",
                                    "<path>\r\n139.0,35.0\r\n139.1,35.1\r\n</path>\r\n"
                                    "<path>\r\n139.2,35.2\r\n</path>\r\n")
                    .ok);
    // The chosen name is turned into the .pth of the same name.
    f.prompter.files = {(sub / "club.txt").string()};
    EXPECT_TRUE(OpenTrackMap(f.trackMap, f.folders, f.prompter));
    EXPECT_EQ(f.prompter.shown.at(0).text, "Open track map");
    EXPECT_EQ(f.prompter.shown.at(0).request.filter, "Circuit files|*.pth");
    EXPECT_EQ(f.prompter.shown.at(0).request.initialFolder, f.dir.path().string());
    ASSERT_EQ(f.trackMap.TrackMapNum(), 2);
    EXPECT_EQ(f.trackMap.TrackMap[0].ElmNum(), 2);
    EXPECT_EQ(f.folders.trackMapFolder, sub);

    // A missing file or a cancelled dialog changes nothing and says nothing.
    f.prompter.files = {(sub / "gone.pth").string(), std::nullopt};
    EXPECT_FALSE(OpenTrackMap(f.trackMap, f.folders, f.prompter));
    EXPECT_FALSE(OpenTrackMap(f.trackMap, f.folders, f.prompter));
    EXPECT_EQ(f.trackMap.TrackMapNum(), 2);
    EXPECT_TRUE(f.prompter.Messages().empty());
}

TEST(TrackMapCommands, SaveWritesThePthAndAsksBeforeReplacing) {
    TrackMapFixture f;
    // Nothing to save: no dialog.
    EXPECT_FALSE(SaveTrackMap(f.trackMap, f.folders, f.prompter).ok);
    EXPECT_TRUE(f.prompter.shown.empty());

    f.trackMap.TrackMap.push_back(TPathRec{{{35.5L, 139.25L}, {35.5005L, 139.2505L}}});
    f.prompter.files = {(f.dir / "moved").string()};
    EXPECT_TRUE(SaveTrackMap(f.trackMap, f.folders, f.prompter).ok);
    EXPECT_EQ(f.prompter.shown.at(0).text, "Save track map as...");
    EXPECT_EQ(Text(f.dir / "moved.pth"),
              "<path>\r\n139.250000,35.500000\r\n139.250500,35.500500\r\n</path>\r\n");

    // An existing file is replaced only on Yes.
    const std::string saved = Text(f.dir / "moved.pth");
    f.trackMap.TrackMap[0].Elm.pop_back();
    f.prompter.files = {(f.dir / "moved.pth").string()};
    f.prompter.answers = {false};
    EXPECT_FALSE(SaveTrackMap(f.trackMap, f.folders, f.prompter).ok);
    EXPECT_EQ(f.prompter.LastMessage(),
              (f.dir / "moved.pth").string() + " already exists.\rDo you want to replace it ?");
    EXPECT_EQ(Text(f.dir / "moved.pth"), saved);
}

TEST(TrackMapCommands, GenerateWritesBothTracesClosedAndLeavesTheMapAlone) {
    TrackMapFixture f;
    f.prompter.answers = {true};
    f.prompter.files = {(f.dir / "made.pth").string()};
    // One lap only: nothing is asked.
    EXPECT_FALSE(GenerateTrackMap(f.slots, f.folders, f.prompter).ok);
    EXPECT_TRUE(f.prompter.shown.empty());

    f.slots.push_back(SlotLap(NorthLap(3, 1.0)));
    EXPECT_TRUE(GenerateTrackMap(f.slots, f.folders, f.prompter).ok);
    EXPECT_EQ(f.prompter.shown.at(0).text, kGenerateTrackMapQuestion);
    EXPECT_EQ(f.prompter.shown.at(1).text, "Convert trace(red, blue) to track map and save as...");
    EXPECT_EQ(f.trackMap.TrackMapNum(), 0);

    // Each block has one line more than its lap has samples: the first
    // sample again, closing the outline.
    TrackMapStore back;
    ASSERT_TRUE(ReadPthFile(f.dir / "made.pth", back).ok);
    ASSERT_EQ(back.TrackMapNum(), 2);
    for (int k = 0; k < 2; ++k) {
        const TLapDtRec& lap = f.slots[static_cast<size_t>(k)];
        const TPathRec& path = back.TrackMap[static_cast<size_t>(k)];
        ASSERT_EQ(path.ElmNum(), static_cast<int>(lap.Elm.size()) + 1);
        EXPECT_NEAR(static_cast<double>(path.Elm.back().Ido),
                    static_cast<double>(lap.Elm.front().Ido), 1e-6);
        EXPECT_NEAR(static_cast<double>(path.Elm.back().Kdo),
                    static_cast<double>(lap.Elm.front().Kdo), 1e-6);
    }

    // Cancel writes nothing.
    f.prompter.answers = {false};
    EXPECT_FALSE(GenerateTrackMap(f.slots, f.folders, f.prompter).ok);
}

TEST(TrackMapCommands, NudgesMoveEveryPointHalfAMetreAndRemoveEmpties) {
    TrackMapFixture f;
    EXPECT_FALSE(NudgeTrackMap(f.trackMap, NudgeDirection::North, 35));
    EXPECT_FALSE(RemoveTrackMap(f.trackMap));
    f.trackMap.TrackMap.push_back(TPathRec{{{35.0L, 139.0L}, {35.001L, 139.001L}}});
    f.trackMap.TrackMap.push_back(TPathRec{{{35.002L, 139.002L}}});
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(NudgeTrackMap(f.trackMap, NudgeDirection::North, 35));
    // Twenty presses: 10 m north.
    EXPECT_NEAR(static_cast<double>(f.trackMap.TrackMap[0].Elm[0].Ido - 35.0L), 0.0000899824,
                1e-10);
    EXPECT_NEAR(static_cast<double>(f.trackMap.TrackMap[1].Elm[0].Ido - 35.002L), 0.0000899824,
                1e-10);
    NudgeTrackMap(f.trackMap, NudgeDirection::East, 35);
    NudgeTrackMap(f.trackMap, NudgeDirection::East, 35);
    NudgeTrackMap(f.trackMap, NudgeDirection::West, 35);
    EXPECT_NEAR(static_cast<double>(f.trackMap.TrackMap[0].Elm[1].Kdo - 139.001L),
                static_cast<double>(MToLonDeg(0.5L, 35)), 1e-12);
    NudgeTrackMap(f.trackMap, NudgeDirection::South, 35);
    EXPECT_NEAR(static_cast<double>(f.trackMap.TrackMap[0].Elm[0].Ido - 35.0L),
                0.0000899824 * 19 / 20, 1e-10);

    EXPECT_TRUE(RemoveTrackMap(f.trackMap));
    EXPECT_EQ(f.trackMap.TrackMapNum(), 0);
}

TEST(TrackMapCommands, FindOpensTheOnlyNearbyMapOrLetsTheUserChoose) {
    TrackMapFixture f;
    f.AddFile("far", 6.0);
    EXPECT_FALSE(f.Find());
    EXPECT_EQ(f.prompter.Messages(),
              std::vector<std::string>{"Track map and control line not found."});

    const std::filesystem::path sub = f.dir / "club";
    std::filesystem::create_directories(sub);
    f.AddFile("near", 3.0);
    std::filesystem::rename(f.dir / "near.pth", sub / "near.pth");
    f.index.back().FilePath = (sub / "near.pth").string();
    EXPECT_TRUE(f.Find());
    EXPECT_FALSE(f.chooser.seen.has_value());
    EXPECT_EQ(f.trackMap.TrackMapNum(), 1);
    EXPECT_EQ(f.folders.trackMapFolder, sub);

    // Several: the user chooses from the track-map list alone.
    f.trackMap.TrackMap.clear();
    f.AddFile("nearer", 1.0);
    f.chooser.answer = CircuitChoice{};
    f.chooser.answer->trackMap = 1;
    EXPECT_TRUE(f.Find());
    ASSERT_TRUE(f.chooser.seen.has_value());
    ASSERT_EQ(f.chooser.seen->trackMaps.size(), 2u);
    EXPECT_EQ(f.chooser.seen->trackMaps[0].Name, "nearer");
    EXPECT_TRUE(f.chooser.seen->controlLines.empty());
    EXPECT_TRUE(f.chooser.seen->sectorGates.empty());
    EXPECT_EQ(f.folders.trackMapFolder, sub);  // "near", the second of the list

    f.trackMap.TrackMap.clear();
    f.chooser.answer->trackMap.reset();  // "-- NONE --"
    EXPECT_FALSE(f.Find());
    EXPECT_EQ(f.trackMap.TrackMapNum(), 0);
}

}  // namespace
}  // namespace qv
