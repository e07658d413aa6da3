#include <gtest/gtest.h>

#include <filesystem>

#include "app/library_auto_add.h"
#include "app/library_lap_slot.h"
#include "app/library_reopen.h"
#include "library_fixture.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::KeptEvents;
using test::LibraryFixture;

int SessionCount(SessionLibrary& library) {
    int n = 0;
    for (const LibraryTrack& t : library.Tracks())
        n += static_cast<int>(library.Sessions(t.id).size());
    return n;
}

OpenLogOutcome Opened(const fs::path& path, bool decoded) {
    OpenLogOutcome outcome;
    outcome.path = path;
    outcome.load.proceed = decoded;
    return outcome;
}

TEST(LibraryAutoAdd, OpenedLogsGoInButNotLapFilesNorWithTheSettingOff) {
    struct Case {
        const char* name;
        bool settingOn;
        const char* file;  // under the fixture's logs
        bool decoded;
        AutoAddDecision decision;
        int sessions;
    };
    const Case cases[] = {
        {"an opened log", true, "demo.bnx4", true, AutoAddDecision::Added, 1},
        {"the setting off", false, "demo.bnx4", true, AutoAddDecision::SettingOff, 0},
        {"a lap file opened as a log", true, "lap.dtb", true, AutoAddDecision::LapFile, 0},
        {"a file refused by the open-log checks", true, "demo.bnx4", false, AutoAddDecision::NoLog,
         0},
        {"a reopened log, which has no file", true, "", true, AutoAddDecision::NoLog, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryFixture f;
        test::WriteBytes(f.logs / "lap.dtb", std::vector<uint8_t>(128 * 4, 0));
        f.session->settings.libraryAutoAdd = c.settingOn;
        const fs::path file = *c.file != 0 ? f.logs / c.file : fs::path();
        int handed = 0;
        const AutoAddDecision decision = AutoAddOpenedLog(
            f.session->settings, Opened(file, c.decoded), [&](const fs::path& log) {
                ++handed;
                f.Import({log});
            });
        EXPECT_EQ(decision, c.decision);
        EXPECT_EQ(handed, c.decision == AutoAddDecision::Added ? 1 : 0);
        EXPECT_EQ(SessionCount(f.Open()), c.sessions);
    }
}

TEST(LibraryAutoAdd, ADownloadGoesInOnlyOnceSaved) {
    struct Case {
        bool saved;
        bool settingOn;
        int handed;
    };
    for (const Case c : {Case{true, true, 1}, Case{false, true, 0}, Case{true, false, 0}}) {
        Settings settings;
        settings.libraryAutoAdd = c.settingOn;
        std::vector<fs::path> handed;
        AutoAddDownloadedLog(settings, c.saved, "/logs/QV4_202405011200.bnx4",
                             [&](const fs::path& log) { handed.push_back(log); });
        ASSERT_EQ(static_cast<int>(handed.size()), c.handed);
        if (c.handed == 1) {
            EXPECT_EQ(handed[0], fs::path("/logs/QV4_202405011200.bnx4"));
        }
    }
}

TEST(LibraryImport, CancellingKeepsWhatWasAddedAndListsUnreadableFiles) {
    LibraryFixture f;
    // Sorted by name: a damaged log first, then the two demo logs.
    test::WriteBytes(f.logs / "a_broken.bnx4", std::vector<uint8_t>(1000, 0x5A));
    KeptEvents sink;
    std::atomic<bool> cancel{false};
    struct CancelAfterSecond : LibraryImportSink {
        KeptEvents& kept;
        std::atomic<bool>& cancel;
        CancelAfterSecond(KeptEvents& k, std::atomic<bool>& c) : kept(k), cancel(c) {}
        void Post(LibraryImportEvent e) override {
            // Pressed as the third log comes up: it is not read.
            if (e.kind == LibraryImportEvent::Kind::Progress && e.progress.done == 2)
                cancel = true;
            kept.Post(std::move(e));
        }
    } cancelling(sink, cancel);
    RunLibraryImport(f.Job({f.logs}), cancel, cancelling);
    const std::vector<LibraryImportEvent> events = sink.UntilFinished();
    ASSERT_FALSE(events.empty());
    const LibraryImportEvent& end = events.back();
    EXPECT_TRUE(end.report.cancelled);
    ASSERT_EQ(end.report.refused.size(), 1u);
    EXPECT_EQ(end.report.refused[0].path.filename(), "a_broken.bnx4");
    EXPECT_FALSE(end.report.refused[0].reason.empty());
    EXPECT_EQ(end.report.added, 1);
    // Progress came before each log read, counting up to the total.
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].progress.total, 3u);
    EXPECT_EQ(events[0].progress.done, 0u);
    EXPECT_EQ(events[1].progress.done, 1u);
    EXPECT_EQ(SessionCount(f.Open()), 1);

    // The next import takes up the rest without adding the first twice.
    const LibraryImportEvent again = f.Import({f.logs});
    EXPECT_EQ(again.report.added, 1);
    EXPECT_EQ(again.report.alreadyThere, 1);
    EXPECT_EQ(SessionCount(f.library), 2);
}

TEST(LibraryImport, TheWorkerThreadRunsJobsInTurnAndReportsEachEnd) {
    LibraryFixture f;
    KeptEvents sink;
    LibraryImportWorker worker(sink);
    worker.Enqueue(f.Job({f.logs / "demo.bnx4"}, /*automatic=*/true));
    worker.Enqueue(f.Job({f.logs}));
    const std::vector<LibraryImportEvent> first = sink.UntilFinished();
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first.back().automatic);
    EXPECT_EQ(first.back().report.added, 1);
    const std::vector<LibraryImportEvent> second = sink.UntilFinished();
    ASSERT_FALSE(second.empty());
    EXPECT_FALSE(second.back().automatic);
    EXPECT_EQ(second.back().report.added, 1);
    EXPECT_EQ(second.back().report.alreadyThere, 1);
}

TEST(LibraryImport, ALibraryThatCannotBeOpenedIsReportedNotAdded) {
    LibraryFixture f;
    // A file where its folder should be: nothing can be created there.
    test::WriteBytes(f.libraryFile.parent_path(), {1, 2, 3});
    const LibraryImportEvent end = f.Import({f.logs / "demo.bnx4"});
    EXPECT_EQ(end.kind, LibraryImportEvent::Kind::Finished);
    EXPECT_FALSE(end.error.empty());
    EXPECT_EQ(end.report.added, 0);
}

TEST(LibraryMissingLog, AMovedLogIsMarkedMissingStaysAndComesBack) {
    LibraryFixture f;
    f.Import({f.logs / "demo.bnx4"});
    SessionLibrary& library = f.Open();
    const LibraryTrack track = library.Tracks().at(0);
    const LibrarySession before = library.Sessions(track.id).at(0);
    fs::rename(f.logs / "demo.bnx4", f.logs / "moved.bnx4");

    const LibraryReopen gone = ReopenLibrarySession(library, before.id);
    EXPECT_FALSE(gone.open);
    EXPECT_NE(gone.message.find(before.path), std::string::npos);
    EXPECT_TRUE(gone.missingChanged);
    const std::vector<LibrarySession> after = library.Sessions(track.id);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_TRUE(after[0].missing);

    // A past lap of it cannot be shown either, and nothing changes.
    const LibraryLapShown shown =
        ShowLibraryLap(*f.session, f.circuits, after[0], library.Laps(before.id).at(1), 47000);
    EXPECT_TRUE(shown.logMissing);
    EXPECT_EQ(shown.message, gone.message);
    EXPECT_EQ(f.session->laps.LapNum(), 0);

    fs::rename(f.logs / "moved.bnx4", f.logs / "demo.bnx4");
    const LibraryReopen back = ReopenLibrarySession(library, before.id);
    EXPECT_TRUE(back.open);
    EXPECT_EQ(back.path, fs::path(before.path));
    EXPECT_FALSE(library.Sessions(track.id).at(0).missing);
}

TEST(LibraryLapSlot, PastLapsGoIntoTheNextSlotsBesideTheOpenLog) {
    LibraryFixture f;
    f.Import({f.logs});
    SessionLibrary& library = f.Open();
    const LibraryTrack track = library.Tracks().at(0);
    const std::vector<LibrarySession> sessions = library.Sessions(track.id);
    ASSERT_EQ(sessions.size(), 2u);
    Session& session = *f.session;
    session.openLogName = "today";
    const int fixesBefore = session.log.LogItemNum;

    std::vector<LibraryLap> chosen;
    for (const LibrarySession& s : sessions) {
        const std::vector<LibraryLap> laps = library.Laps(s.id);
        ASSERT_GE(laps.size(), 2u);
        chosen.push_back(laps[1]);
        const LibraryLapShown shown = ShowLibraryLap(session, f.circuits, s, laps[1], 47000);
        ASSERT_EQ(shown.message, "");
        EXPECT_EQ(shown.change.kind, SlotChange::Kind::Loaded);
        EXPECT_FALSE(shown.steps.empty());
    }
    ASSERT_EQ(session.laps.LapDtNum(), 2);
    ASSERT_EQ(session.laps.LapNum(), 2);
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        // The lap time of the slot is the stored one; its row is named
        // after its log.
        const TLapDtRec& lap = session.laps.LapDt[k];
        const double slotSec = static_cast<double>(lap.LapTim) * 86400.0;
        EXPECT_NEAR(slotSec, chosen[k].lapSec, 0.001);
        EXPECT_EQ(session.laps.LapRows[k][0], fs::path(sessions[k].path).stem().string());
    }
    // Today's log is as it was.
    EXPECT_EQ(session.openLogName, "today");
    EXPECT_EQ(session.log.LogItemNum, fixesBefore);
}

TEST(LibraryLapSlot, FourSlotsFullRefuseAnotherLap) {
    LibraryFixture f;
    f.Import({f.logs / "demo.bnx4"});
    SessionLibrary& library = f.Open();
    const LibrarySession s = library.Sessions(library.Tracks().at(0).id).at(0);
    const std::vector<LibraryLap> laps = library.Laps(s.id);
    for (int k = 0; k < 4; ++k)
        ASSERT_EQ(ShowLibraryLap(*f.session, f.circuits, s, laps.at(k + 1), 47000).message, "");
    const LibraryLapShown fifth = ShowLibraryLap(*f.session, f.circuits, s, laps.at(6), 47000);
    EXPECT_EQ(fifth.message, kMsgSlotsFull);
    EXPECT_EQ(f.session->laps.LapNum(), 4);
}

}  // namespace
}  // namespace qv
