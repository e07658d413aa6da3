#include "laps/log_trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "app/session.h"
#include "decode/log_blocks.h"
#include "laps/log_block_rules.h"
#include "laps/log_block_track_map.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

// One run whose fixes have the given speeds and milliseconds.
void MakeRun(LogStore& log, const std::vector<std::pair<float, int>>& fixes) {
    log.Reset();
    for (const auto& [speed, ms] : fixes) {
        const int i = log.LogItemNum++;
        TLogItem& f = log.LogItems[i];
        f = TLogItem{};
        f.DtTm = 45000.0 + i / 86400.0;
        f.Ido = 35.0 + i * 0.0001;
        f.Kdo = 139.0;
        f.Spd = speed;
        f.ms = static_cast<uint16_t>(ms);
        AssignFixToBlock(log, i);
    }
    SetAllBlocks(log, true);
}

std::vector<int> Fixes(const LogTrace& trace) {
    std::vector<int> fixes;
    for (const TracePoint& p : trace.points)
        fixes.push_back(p.fix);
    return fixes;
}

TEST(LogTrace, StandingCarAddsOnlyWholeSeconds) {
    auto log = std::make_unique<LogStore>();
    // Moving, then standing at 200 ms steps, then moving off.
    MakeRun(*log, {{30, 0}, {1.0f, 200}, {0.2f, 400}, {0.0f, 0}, {0.4f, 200}, {2.0f, 400}});
    const LogTrace trace = BuildLogTrace(*log);
    EXPECT_EQ(Fixes(trace), (std::vector<int>{0, 3, 5}));
    EXPECT_FALSE(trace.points[0].slow);
    EXPECT_TRUE(trace.points[1].slow);
    EXPECT_TRUE(trace.points[1].stopped);
    // Exactly 2 km/h is not slow.
    EXPECT_FALSE(trace.points[2].slow);
    EXPECT_TRUE(trace.labelled);
    EXPECT_EQ(trace.startFix, 0);
    EXPECT_EQ(trace.endFix, 5);
}

TEST(LogTrace, EndIsTheLastDrawnFix) {
    auto log = std::make_unique<LogStore>();
    MakeRun(*log, {{30, 0}, {40, 100}, {1, 200}});
    const LogTrace trace = BuildLogTrace(*log);
    EXPECT_EQ(Fixes(trace), (std::vector<int>{0, 1}));
    EXPECT_EQ(trace.endFix, 1);
}

TEST(LogTrace, SlowButNotStoppedBetweenTheLimits) {
    auto log = std::make_unique<LogStore>();
    MakeRun(*log, {{30, 0}, {0.5f, 0}, {0.6f, 0}});
    const LogTrace trace = BuildLogTrace(*log);
    ASSERT_EQ(trace.points.size(), 3u);
    EXPECT_TRUE(trace.points[1].stopped);
    EXPECT_TRUE(trace.points[2].slow);
    EXPECT_FALSE(trace.points[2].stopped);
}

TEST(LogTrace, OneFixOrNoneTickedHasNoLabels) {
    auto log = std::make_unique<LogStore>();
    MakeRun(*log, {{30, 0}});
    LogTrace trace = BuildLogTrace(*log);
    EXPECT_EQ(trace.points.size(), 1u);
    EXPECT_FALSE(trace.labelled);

    MakeRun(*log, {{30, 0}, {30, 0}});
    SetAllBlocks(*log, false);
    trace = BuildLogTrace(*log);
    EXPECT_TRUE(trace.points.empty());
    EXPECT_FALSE(trace.labelled);
}

TEST(LogBlockTrackMap, OpenAddsTheExtensionAndReplacesThePaths) {
    test::TempDir dir;
    {
        std::ofstream out(dir / "ring.pth", std::ios::binary);
        out << "<path>\r\n139.5,35.25\r\n139.6,35.26\r\n</path>\r\n";
    }
    TrackMapStore map;
    map.TrackMap.resize(3);
    Folders folders;
    test::ScriptedPrompter prompter;
    prompter.files.push_back((dir / "ring").string());
    const OpenTrackMapResult result = SpeedButtonLdCourseClick(prompter, map, folders);
    EXPECT_TRUE(result.opened);
    ASSERT_EQ(map.TrackMapNum(), 1);
    ASSERT_EQ(map.TrackMap[0].ElmNum(), 2);
    EXPECT_DOUBLE_EQ(static_cast<double>(map.TrackMap[0].Elm[1].Ido), 35.26);
    EXPECT_DOUBLE_EQ(static_cast<double>(map.TrackMap[0].Elm[1].Kdo), 139.6);
    EXPECT_EQ(folders.trackMapFolder, dir.path());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Open track map");
    EXPECT_EQ(prompter.shown[0].request.filter, "Circuit files|*.pth");
}

TEST(LogBlockTrackMap, MissingFileOrCancelChangesNothing) {
    test::TempDir dir;
    TrackMapStore map;
    map.TrackMap.resize(2);
    Folders folders;
    test::ScriptedPrompter prompter;
    prompter.files.push_back((dir / "absent.pth").string());
    prompter.files.push_back(std::nullopt);
    EXPECT_FALSE(SpeedButtonLdCourseClick(prompter, map, folders).opened);
    EXPECT_FALSE(SpeedButtonLdCourseClick(prompter, map, folders).opened);
    EXPECT_EQ(map.TrackMapNum(), 2);
    EXPECT_TRUE(folders.trackMapFolder.empty());
    EXPECT_TRUE(prompter.Messages().empty());
}

}  // namespace
}  // namespace qv
