#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/auto_sync_command.h"
#include "app/auto_sync_worker.h"
#include "core/posted_queue.h"

namespace qv::test {
namespace {

using Context = AutoSyncCommand::Context;

const Context kTab{"/videos/GX010123.MP4", true, 45000.5, std::nullopt};

AutoSyncResult Tied(double lapStartInVideo, double plusMinus) {
    AutoSyncResult r;
    r.tied = true;
    r.lapStartInVideo = lapStartInVideo;
    r.plusMinus = plusMinus;
    return r;
}

AutoSyncResult Refused(const std::string& message) {
    AutoSyncResult r;
    r.message = message;
    return r;
}

TEST(AutoSyncCommand, TheButtonNeedsAVideoAndALapAndNoRunningAnalysis) {
    struct Case {
        Context tab;
        bool enabled;
    };
    const Case cases[] = {
        {kTab, true},
        {{"", true, 45000.5, std::nullopt}, false},
        {{"/videos/a.mp4", false, 0, std::nullopt}, false},
    };
    for (const Case& c : cases) {
        AutoSyncCommand command;
        EXPECT_EQ(command.Enabled(c.tab), c.enabled) << c.tab.videoFile;
        EXPECT_EQ(command.Start(c.tab).has_value(), c.enabled) << c.tab.videoFile;
        EXPECT_EQ(command.running(), c.enabled);
    }
    AutoSyncCommand command;
    ASSERT_TRUE(command.Start(kTab));
    EXPECT_FALSE(command.Enabled(kTab));
    EXPECT_FALSE(command.Start(kTab));
}

TEST(AutoSyncCommand, WhatARunThatEndsDoes) {
    struct Case {
        const char* what;
        AutoSyncResult result;
        Context tabAtTheEnd;
        bool tie;
        int64_t lapStartVideoTime;
        std::string status;
    };
    Context otherLap = kTab;
    otherLap.lapStart += 90.0 / 86400;
    Context otherVideo = kTab;
    otherVideo.videoFile = "/videos/GX010124.MP4";
    Context noLap = kTab;
    noLap.slotAOccupied = false;
    const Case cases[] = {
        {"tied", Tied(12.345, 0.02), kTab, true, 12'345'000, "tied at +12.345 s ± 0.020 s"},
        {"lap before the video", Tied(-3.2104, 0.0334), kTab, true, -3'210'400,
         "tied at -3.210 s ± 0.033 s"},
        {"refused", Refused("could not find the moment: tie it by hand"), kTab, false, 0,
         "could not find the moment: tie it by hand"},
        {"unreadable", Refused("Failed to read video file."), kTab, false, 0,
         "Failed to read video file."},
        {"refused without a reason", Refused(""), kTab, false, 0,
         "could not find the moment: tie it by hand"},
        {"another lap since", Tied(12.345, 0.02), otherLap, false, 0, ""},
        {"another video since", Tied(12.345, 0.02), otherVideo, false, 0, ""},
        {"the lap left its slot", Tied(12.345, 0.02), noLap, false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AutoSyncCommand command;
        const std::optional<int> run = command.Start(kTab);
        ASSERT_TRUE(run);
        const AutoSyncCommand::Outcome out = command.Finish(*run, c.result, c.tabAtTheEnd);
        EXPECT_EQ(out.tie, c.tie);
        EXPECT_EQ(out.lapStartVideoTime, c.lapStartVideoTime);
        EXPECT_EQ(command.view().status, c.status);
        EXPECT_FALSE(command.running());
        EXPECT_TRUE(command.Enabled(kTab));
    }
}

TEST(AutoSyncCommand, ACancelledOrSupersededRunTiesNothing) {
    AutoSyncCommand command;
    const int first = *command.Start(kTab);
    command.Progress(first, 0.42);
    EXPECT_EQ(command.view().percent, 42);
    command.Cancel();
    EXPECT_FALSE(command.running());
    EXPECT_EQ(command.view().percent, 0);
    // Its answer was on its way when Cancel was pressed.
    command.Progress(first, 0.9);
    EXPECT_EQ(command.view().percent, 0);
    EXPECT_FALSE(command.Finish(first, Tied(1, 0.01), kTab).tie);
    EXPECT_EQ(command.view().status, "");

    const int second = *command.Start(kTab);
    EXPECT_NE(second, first);
    EXPECT_FALSE(command.Finish(first, Tied(1, 0.01), kTab).tie);
    EXPECT_TRUE(command.running());
    command.Progress(second, 7.0);  // out of range: held at the end
    EXPECT_EQ(command.view().percent, 100);
    EXPECT_TRUE(command.Finish(second, Tied(2, 0.01), kTab).tie);
    // Only once.
    EXPECT_FALSE(command.Finish(second, Tied(2, 0.01), kTab).tie);
}

TEST(AutoSyncCommand, TheStatusGoesOnceTheTieItNamesIsNoLongerInForce) {
    Context tied = kTab;
    tied.tiedVideoStart = 45000.49;
    Context byHand = tied;
    byHand.tiedVideoStart = 45000.4901;
    Context freed = tied;
    freed.tiedVideoStart.reset();
    const Context removed{"", true, kTab.lapStart, std::nullopt};
    const Context another{"/videos/GX010124.MP4", true, kTab.lapStart, std::nullopt};
    Context otherLapInSlotA = tied;  // re-anchored: the tie is the same
    otherLapInSlotA.lapStart = 45000.7;
    const struct {
        const char* what;
        Context after;
        bool kept;
    } cases[] = {
        {"nothing changed", tied, true},
        {"tied again by hand", byHand, false},
        {"freed", freed, false},
        {"video removed", removed, false},
        {"another video opened", another, false},
        {"another lap in slot A", otherLapInSlotA, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AutoSyncCommand command;
        const int run = *command.Start(kTab);
        ASSERT_TRUE(command.Finish(run, Tied(12.345, 0.02), kTab).tie);
        const std::string status = command.view().status;
        ASSERT_FALSE(status.empty());
        // The window's repaint while it ties the video sees the new tie
        // before it is told the tie was made.
        command.Follow(tied);
        EXPECT_EQ(command.view().status, status);
        command.TieApplied(true, tied);
        command.Follow(tied);
        EXPECT_EQ(command.view().status, status);
        command.Follow(c.after);
        EXPECT_EQ(command.view().status, c.kept ? status : "");
    }
}

TEST(AutoSyncCommand, ARefusalGoesWithItsVideoAndATieNotMadeIsNotShown) {
    Context byHand = kTab;
    byHand.tiedVideoStart = 45000.3;
    AutoSyncCommand command;
    int run = *command.Start(kTab);
    EXPECT_FALSE(command.Finish(run, Refused("The video shows no turning."), kTab).tie);
    command.Follow(kTab);
    EXPECT_EQ(command.view().status, "The video shows no turning.");
    command.Follow(byHand);
    EXPECT_EQ(command.view().status, "");

    run = *command.Start(kTab);
    ASSERT_TRUE(command.Finish(run, Tied(3, 0.01), kTab).tie);
    command.TieApplied(false, kTab);
    EXPECT_EQ(command.view().status, "");
}

class QueueSink : public AutoSyncSink {
  public:
    void Post(AutoSyncEvent event) override { events.Post(std::move(event)); }
    // Every event up to and with the first Finished; empty after 5 s.
    std::vector<AutoSyncEvent> UntilFinished() {
        std::vector<AutoSyncEvent> taken;
        for (int k = 0; k < 500; ++k) {
            events.Wait(std::chrono::milliseconds(10));
            for (AutoSyncEvent& e : events.TakeAll()) {
                taken.push_back(std::move(e));
                if (taken.back().kind == AutoSyncEvent::Kind::Finished)
                    return taken;
            }
        }
        return {};
    }
    PostedQueue<AutoSyncEvent> events;
};

TEST(AutoSyncWorker, RunsTheAnalysisAwayAndReportsItsProgressThenItsEnd) {
    QueueSink sink;
    AutoSyncWorker worker(sink);
    worker.Run(3, [](const AutoSyncProgress& progress, const std::atomic<bool>&) {
        progress(0.25);
        progress(0.75);
        return Tied(4.5, 0.01);
    });
    const std::vector<AutoSyncEvent> events = sink.UntilFinished();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].fraction, 0.25);
    EXPECT_EQ(events[1].fraction, 0.75);
    EXPECT_EQ(events[2].kind, AutoSyncEvent::Kind::Finished);
    for (const AutoSyncEvent& e : events)
        EXPECT_EQ(e.run, 3);
    EXPECT_TRUE(events[2].result.tied);
    EXPECT_EQ(events[2].result.lapStartInVideo, 4.5);

    // An analysis that fails outright is refused with its reason.
    worker.Run(4, [](const AutoSyncProgress&, const std::atomic<bool>&) -> AutoSyncResult {
        throw std::runtime_error("out of memory");
    });
    const std::vector<AutoSyncEvent> failed = sink.UntilFinished();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_FALSE(failed[0].result.tied);
    EXPECT_EQ(failed[0].result.message, "out of memory");
}

TEST(AutoSyncWorker, CancelStopsTheAnalysisThatLooksAtIt) {
    QueueSink sink;
    AutoSyncWorker worker(sink);
    std::atomic<bool> started{false};
    worker.Run(1, [&started](const AutoSyncProgress& progress, const std::atomic<bool>& cancel) {
        progress(0.1);
        started = true;
        while (!cancel)
            std::this_thread::yield();
        AutoSyncResult r;
        r.cancelled = true;
        return r;
    });
    while (!started)
        std::this_thread::yield();
    worker.Cancel();
    const std::vector<AutoSyncEvent> events = sink.UntilFinished();
    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(events.back().result.cancelled);
}

TEST(AutoSyncWorker, ANewRunStopsTheOneBeforeAndGoingAwayStopsTheLast) {
    QueueSink sink;
    const auto waitForCancel = [](const AutoSyncProgress&, const std::atomic<bool>& cancel) {
        while (!cancel)
            std::this_thread::yield();
        AutoSyncResult r;
        r.cancelled = true;
        return r;
    };
    {
        AutoSyncWorker worker(sink);
        worker.Run(1, waitForCancel);
        worker.Run(2, waitForCancel);
        const std::vector<AutoSyncEvent> first = sink.UntilFinished();
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(first[0].run, 1);
    }
    const std::vector<AutoSyncEvent> second = sink.UntilFinished();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].run, 2);
}

}  // namespace
}  // namespace qv::test
