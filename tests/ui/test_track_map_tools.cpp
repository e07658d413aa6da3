// The course map's circuit tool bar driven through its buttons.
#include <gtest/gtest.h>
#include <QTabWidget>
#include <QToolButton>

#include "geometry/plane.h"
#include "geometry/pth_file.h"
#include "ui/track_map_commands.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

class TrackMapToolsTest : public ::testing::Test, public WindowFixture {
  protected:
    std::filesystem::path DemoMap() const { return dir / "documents/Quorvane/Circuit/demo.pth"; }
    Float80 FirstLat() const { return session->trackMap.TrackMap.at(0).Elm.at(0).Ido; }
};

TEST_F(TrackMapToolsTest, OpenNudgeSaveAndRemoveThroughTheButtons) {
    prompter.files.push_back(DemoMap().string());
    Click("SpeedButtonPath");
    ASSERT_EQ(session->trackMap.TrackMapNum(), 2);  // the demo's inner and outer edge
    EXPECT_EQ(prompter.shown.back().text, "Open track map");
    EXPECT_FALSE(session->presentation.dialogOpen);

    const Float80 before = FirstLat();
    Click("SpeedButtonN");
    Click("SpeedButtonN");
    EXPECT_NEAR(static_cast<double>(FirstLat() - before), static_cast<double>(2 * MToLatDeg(0.5L)),
                1e-12);

    // The moved map is saved; read back it is the map in memory.
    const std::filesystem::path moved = dir / "moved.pth";
    prompter.files.push_back(moved.string());
    Click("SpeedButtonPathSave");
    TrackMapStore back;
    ASSERT_TRUE(ReadPthFile(moved, back).ok);
    EXPECT_NEAR(static_cast<double>(back.TrackMap[0].Elm[0].Ido), static_cast<double>(FirstLat()),
                1e-6);

    Click("SpeedButtonClrPth");
    EXPECT_EQ(session->trackMap.TrackMapNum(), 0);
}

TEST_F(TrackMapToolsTest, FindLoadsTheMapNearSlotAAndGenerateWritesBothTraces) {
    Click("SpeedButtonSelCircuit");  // no lap shown: nothing happens
    EXPECT_TRUE(prompter.shown.empty());

    OpenDemoLog();
    session->trackMap.TrackMap.clear();
    DoubleClick(LapGrid(), 1);
    DoubleClick(LapGrid(), 2);
    Click("SpeedButtonSelCircuit");
    EXPECT_EQ(session->trackMap.TrackMapNum(), 2);
    EXPECT_EQ(session->folders.trackMapFolder, DemoMap().parent_path());

    const std::filesystem::path made = dir / "made.pth";
    prompter.answers.push_back(true);
    prompter.files.push_back(made.string());
    Click("SpeedButtonMkPth");
    TrackMapStore back;
    ASSERT_TRUE(ReadPthFile(made, back).ok);
    ASSERT_EQ(back.TrackMapNum(), 2);
    EXPECT_EQ(back.TrackMap[0].ElmNum(), session->laps.LapDt[0].ElmNum + 1);
    EXPECT_EQ(back.TrackMap[1].ElmNum(), session->laps.LapDt[1].ElmNum + 1);
}

TEST_F(TrackMapToolsTest, TheHiddenPanelShowsAndHidesAllButFind) {
    auto* panel = Child<QToolButton>("PanelViewCir");
    EXPECT_TRUE(panel->isHidden());
    EXPECT_TRUE(panel->isChecked());
    const char* governed[] = {"SpeedButtonPath",  "SpeedButtonPathSave", "SpeedButtonE",
                              "SpeedButtonW",     "SpeedButtonS",        "SpeedButtonN",
                              "SpeedButtonMkPth", "SpeedButtonClrPth"};
    for (const char* name : governed)
        EXPECT_FALSE(Child<QToolButton>(name)->isHidden()) << name;
    panel->click();
    EXPECT_FALSE(panel->isChecked());
    for (const char* name : governed)
        EXPECT_TRUE(Child<QToolButton>(name)->isHidden()) << name;
    EXPECT_FALSE(Child<QToolButton>("SpeedButtonSelCircuit")->isHidden());
    panel->click();
    EXPECT_FALSE(Child<QToolButton>("SpeedButtonClrPth")->isHidden());
}

}  // namespace
}  // namespace qv::test
