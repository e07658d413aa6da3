#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <cmath>
#include <filesystem>

#include "core/date_time.h"
#include "library/log_summary.h"
#include "library_fixture.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class LibraryImport : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(library.Open(dir / "library.sqlite").state, LibraryOpenState::Ok);
    }

    test::TempDir dir;
    SessionLibrary library;
};

// The flying laps of a drive on a known circuit come out with the drive's
// own crossing times, cut into the circuit's sectors.
TEST_F(LibraryImport, LogOnAKnownCircuitKeepsItsLapsUnderTheCircuitsName) {
    const CircuitIndex circuits = test::DemoCircuitIndex(dir / "circuits");
    const fs::path log = test::WriteSmallLog(dir / "logs", 0);
    const AddResult r = AddLog(library, log, test::AddContext(&circuits));
    ASSERT_EQ(r.outcome, AddOutcome::Added) << r.reason;

    const std::vector<LibraryTrack> tracks = library.Tracks();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, "democircuit");
    EXPECT_TRUE(tracks[0].named);
    EXPECT_EQ(tracks[0].id, r.trackId);

    const std::optional<LibrarySession> s = library.FindSession(r.sessionId);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->loggerKind, "bon");
    EXPECT_EQ(s->path, fs::absolute(log).lexically_normal().string());
    EXPECT_EQ(s->size, static_cast<int64_t>(fs::file_size(log)));
    EXPECT_NEAR(s->startLocal, EncodeDate(2024, 4, 29) + 8.0 / 24, 1.0 / 86400);
    EXPECT_NEAR(s->startUtc, s->startLocal, 1e-9);  // local time is UTC here

    const std::vector<double>& crossings = test::SmallDrive().crossingUtcMs;
    ASSERT_EQ(crossings.size(), 4u);  // out-lap end and three flying laps
    std::vector<LibraryLap> flying;
    for (const LibraryLap& lap : library.Laps(r.sessionId)) {
        if (lap.flying)
            flying.push_back(lap);
    }
    ASSERT_EQ(flying.size(), 3u);
    double best = 1e9;
    for (size_t k = 0; k < flying.size(); ++k) {
        const double trueSec = (crossings[k + 1] - crossings[k]) / 1000.0;
        EXPECT_NEAR(flying[k].lapSec, trueSec, 0.05) << "lap " << k;
        EXPECT_NEAR(flying[k].distKm, test::SmallDrive().lapLengthKm, 0.05);
        EXPECT_GT(flying[k].topSpeedKmh, 100);
        ASSERT_EQ(flying[k].sectorSec.size(), 4u);  // three gates
        double sum = 0;
        for (double sector : flying[k].sectorSec) {
            EXPECT_GT(sector, 0);
            sum += sector;
        }
        EXPECT_NEAR(sum, flying[k].lapSec, 0.05);
        best = std::min(best, flying[k].lapSec);
    }
    EXPECT_EQ(s->lapCount, static_cast<int>(library.Laps(r.sessionId).size()));
    ASSERT_TRUE(s->bestLapSec.has_value());
    EXPECT_DOUBLE_EQ(*s->bestLapSec, best);
    ASSERT_TRUE(s->idealLapSec.has_value());
    EXPECT_LE(*s->idealLapSec, best + 1e-9);
    // Equal laps on one line: nothing to gain by joining them.
    ASSERT_TRUE(s->achievableLapSec.has_value());
    EXPECT_NEAR(*s->achievableLapSec, best, 0.05);
    EXPECT_TRUE(s->personalBest);
}

TEST_F(LibraryImport, SameContentIsOneSessionWhereverItLies) {
    const LibraryAddContext context = test::AddContext(nullptr);
    const fs::path original = test::WriteSmallLog(dir / "logs", 0);
    const AddResult first = AddLog(library, original, context);
    ASSERT_EQ(first.outcome, AddOutcome::Added) << first.reason;

    fs::create_directories(dir / "elsewhere");
    const fs::path copy = dir / "elsewhere" / "renamed.bon";
    fs::copy_file(original, copy);
    fs::path changed = dir / "logs" / "changed.bon";
    std::vector<uint8_t> bytes = test::ReadBytes(original);
    bytes.back() ^= 1;
    test::WriteBytes(changed, bytes);

    struct Step {
        fs::path path;
        AddOutcome outcome;
        bool pathUpdated;
        fs::path pathAfter;  // of the first session
    };
    const Step steps[] = {
        {copy, AddOutcome::AlreadyThere, true, copy},
        {copy, AddOutcome::AlreadyThere, false, copy},
        {original, AddOutcome::AlreadyThere, true, original},
        {changed, AddOutcome::Added, false, original},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.path.string());
        const AddResult r = AddLog(library, step.path, context);
        EXPECT_EQ(r.outcome, step.outcome) << r.reason;
        EXPECT_EQ(r.pathUpdated, step.pathUpdated);
        if (step.outcome == AddOutcome::AlreadyThere) {
            EXPECT_EQ(r.sessionId, first.sessionId);
        }
        EXPECT_EQ(library.FindSession(first.sessionId)->path,
                  fs::absolute(step.pathAfter).lexically_normal().string());
    }
    EXPECT_EQ(library.Sessions(first.trackId).size(), 2u);
}

TEST_F(LibraryImport, MissingFlagIsClearedWhenTheLogTurnsUpAgain) {
    const fs::path log = test::WriteSmallLog(dir / "logs", 0);
    const AddResult r = AddLog(library, log, test::AddContext(nullptr));
    ASSERT_EQ(r.outcome, AddOutcome::Added) << r.reason;
    ASSERT_TRUE(library.MarkMissing(r.sessionId).ok);
    ASSERT_TRUE(library.FindSession(r.sessionId)->missing);
    const fs::path moved = dir / "moved.bon";
    fs::rename(log, moved);
    EXPECT_TRUE(AddLog(library, moved, test::AddContext(nullptr)).pathUpdated);
    EXPECT_FALSE(library.FindSession(r.sessionId)->missing);
}

// Without a known circuit, logs are grouped by where they were driven.
TEST(LibraryUnnamedTracks, LogsWithinTwoKilometresShareATrack) {
    struct Case {
        double northKm;
        bool sameTrack;
    };
    const Case cases[] = {{0, true}, {1.5, true}, {3, false}, {50, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.northKm);
        test::TempDir dir;
        SessionLibrary library;
        ASSERT_EQ(library.Open(dir / "library.sqlite").state, LibraryOpenState::Ok);
        const LibraryAddContext context = test::AddContext(nullptr);
        const AddResult base = AddLog(library, test::WriteSmallLog(dir / "logs", 0), context);
        const AddResult other =
            AddLog(library, test::WriteSmallLog(dir / "logs", 1, c.northKm), context);
        ASSERT_EQ(base.outcome, AddOutcome::Added) << base.reason;
        ASSERT_EQ(other.outcome, AddOutcome::Added) << other.reason;
        EXPECT_EQ(base.trackId == other.trackId, c.sameTrack);
        EXPECT_EQ(library.Tracks().size(), c.sameTrack ? 1u : 2u);
        for (const LibraryTrack& t : library.Tracks()) {
            EXPECT_FALSE(t.named);
            EXPECT_TRUE(t.name.empty());
        }
        if (c.sameTrack) {
            // The line kept for the track cuts the second log where it
            // passes it, and gives way to the log's own suggestion where
            // it does not: both are cut into laps of one length.
            const std::optional<LibrarySession> a = library.FindSession(base.sessionId);
            const std::optional<LibrarySession> b = library.FindSession(other.sessionId);
            ASSERT_TRUE(a->bestLapSec.has_value());
            ASSERT_TRUE(b->bestLapSec.has_value());
            EXPECT_NEAR(*a->bestLapSec, *b->bestLapSec, 0.2);
        }
    }
}

TEST_F(LibraryImport, UnreadableLogsAreRefusedWithAReasonAndLeaveNoTrace) {
    fs::create_directories(dir / "bad");
    test::WriteText(dir / "bad" / "notes.txt", "shopping list\r\nmilk\r\n");
    test::WriteText(dir / "bad" / "short.bnx4", std::string(100, '\x55'));
    test::WriteText(dir / "bad" / "lap.dtb", std::string(256, '\0'));
    test::WriteText(dir / "bad" / "picture.png", "png");
    test::WriteText(dir / "bad" / "empty.bon", "");
    const fs::path paths[] = {dir / "bad" / "notes.txt", dir / "bad" / "short.bnx4",
                              dir / "bad" / "lap.dtb",   dir / "bad" / "picture.png",
                              dir / "bad" / "empty.bon", dir / "bad" / "gone.bnx4"};
    for (const fs::path& path : paths) {
        SCOPED_TRACE(path.filename().string());
        const AddResult r = AddLog(library, path, test::AddContext(nullptr));
        EXPECT_EQ(r.outcome, AddOutcome::Refused);
        EXPECT_FALSE(r.reason.empty());
    }
    EXPECT_TRUE(library.Tracks().empty());
}

TEST_F(LibraryImport, CancelledFolderImportKeepsWhatWasAddedAndListsRefusals) {
    for (int day = 0; day < 5; ++day)
        test::WriteSmallLog(dir / "logs" / (day < 3 ? "a" : "b"), day);
    test::WriteText(dir / "logs" / "b" / "junk.nmea", "not a sentence\n");
    test::WriteText(dir / "logs" / "b" / "readme.md", "not a log\n");
    const LibraryAddContext context = test::AddContext(nullptr);

    std::atomic<bool> cancel{false};
    std::vector<ImportProgress> seen;
    const ImportReport partial =
        AddLogs(library, {dir / "logs"}, context, &cancel, [&](const ImportProgress& p) {
            seen.push_back(p);
            if (p.done == 2)
                cancel = true;
        });
    EXPECT_TRUE(partial.cancelled);
    EXPECT_EQ(partial.added, 2);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().total, 6u);  // five logs and the junk log, not the readme
    const int64_t track = library.Tracks().at(0).id;
    EXPECT_EQ(library.Sessions(track).size(), 2u);

    const ImportReport rest = AddLogs(library, {dir / "logs"}, context);
    EXPECT_FALSE(rest.cancelled);
    EXPECT_EQ(rest.added, 3);
    EXPECT_EQ(rest.alreadyThere, 2);
    ASSERT_EQ(rest.refused.size(), 1u);
    EXPECT_EQ(rest.refused[0].path.filename(), "junk.nmea");
    EXPECT_FALSE(rest.refused[0].reason.empty());
    EXPECT_EQ(library.Sessions(track).size(), 5u);
}

TEST_F(LibraryImport, SessionsAreFilteredByDateAndLogger) {
    const LibraryAddContext context = test::AddContext(nullptr);
    for (int day : {0, 10, 20})
        ASSERT_EQ(AddLog(library, test::WriteSmallLog(dir / "logs", day), context).outcome,
                  AddOutcome::Added);
    std::vector<synth::SynthFix> fixes = test::SmallDrive().fixes;
    for (synth::SynthFix& f : fixes)
        f.utcMs += 12LL * 86400000;
    test::WriteBytes(dir / "logs" / "other.bonz",
                     synth::EncodeRunFile(fixes, RunFileVariant::Bonz));
    ASSERT_EQ(AddLog(library, dir / "logs" / "other.bonz", context).outcome, AddOutcome::Added);

    const int64_t track = library.Tracks().at(0).id;
    const TDateTime day0 = EncodeDate(2024, 4, 29);
    struct Case {
        SessionFilter filter;
        std::vector<int> days;  // of the sessions listed, oldest first
    };
    const Case cases[] = {
        {{}, {0, 10, 12, 20}},
        {{day0 + 5, day0 + 15, ""}, {10, 12}},
        {{day0 + 10, std::nullopt, ""}, {10, 12, 20}},
        {{std::nullopt, day0 + 10, ""}, {0}},
        {{std::nullopt, std::nullopt, "bonz"}, {12}},
        {{std::nullopt, std::nullopt, "bnx4"}, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> days;
        for (const LibrarySession& s : library.Sessions(track, c.filter))
            days.push_back(static_cast<int>(std::floor(s.startLocal - day0)));
        EXPECT_EQ(days, c.days);
    }
    EXPECT_EQ(library.LoggerKinds(), (std::vector<std::string>{"bon", "bonz"}));
}

// Sessions planted with known best laps: the history marks each session
// that beat every earlier one, and the listing marks the track's best.
TEST_F(LibraryImport, BestHistoryFollowsTheDates) {
    ASSERT_EQ(
        sqlite3_exec(library.Handle(),
                     "INSERT INTO tracks (id, name, named, lat, lon) VALUES (1, 'A', 1, 0, 0),"
                     " (2, 'B', 1, 5, 5);"
                     "INSERT INTO sessions (id, track_id, path, size, hash, logger_kind,"
                     " start_local, start_utc, lap_count, best_lap_sec, best_five_avg_sec) VALUES"
                     " (10, 1, 'd', 1, 'h10', 'bnx4', 45003, 45003, 5, 69.0, 70.0),"
                     " (11, 1, 'a', 1, 'h11', 'bnx4', 45000, 45000, 5, 70.0, 71.5),"
                     " (12, 1, 'b', 1, 'h12', 'bnx4', 45001, 45001, 5, 68.0, 69.0),"
                     " (13, 1, 'c', 1, 'h13', 'bnx4', 45002, 45002, 1, NULL, NULL),"
                     " (14, 1, 'e', 1, 'h14', 'bnx4', 45004, 45004, 5, 66.5, 67.0),"
                     " (15, 2, 'f', 1, 'h15', 'bnx4', 45001, 45001, 5, 50.0, 51.0);",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    struct Expected {
        int64_t session;
        double best;
        double average;
        bool improved;
    };
    const Expected expected[] = {{11, 70.0, 71.5, true},
                                 {12, 68.0, 69.0, true},
                                 {10, 69.0, 70.0, false},
                                 {14, 66.5, 67.0, true}};
    const std::vector<BestPoint> history = library.BestHistory(1);
    ASSERT_EQ(history.size(), std::size(expected));
    for (size_t k = 0; k < history.size(); ++k) {
        EXPECT_EQ(history[k].sessionId, expected[k].session);
        EXPECT_DOUBLE_EQ(history[k].bestLapSec, expected[k].best);
        EXPECT_DOUBLE_EQ(history[k].bestFiveAverageSec, expected[k].average);
        EXPECT_EQ(history[k].improved, expected[k].improved);
    }
    std::vector<int64_t> marked;
    for (const LibrarySession& s : library.Sessions(1)) {
        if (s.personalBest)
            marked.push_back(s.id);
    }
    EXPECT_EQ(marked, std::vector<int64_t>{14});
}

TEST(LibraryFigures, BestIdealAndBestFiveCountFlyingLapsOnly) {
    auto lap = [](double sec, bool flying, std::vector<double> sectors = {}) {
        LapSummary l;
        l.lapSec = sec;
        l.flying = flying;
        l.sectorSec = std::move(sectors);
        return l;
    };
    struct Case {
        const char* what;
        std::vector<LapSummary> laps;
        std::optional<double> best, ideal, five;
    };
    const Case cases[] = {
        {"no flying lap", {lap(55, false), lap(90, false)}, {}, {}, {}},
        {"out-lap faster than any flying lap is no best",
         {lap(55, false), lap(62, true), lap(60, true), lap(61, true)},
         60,
         60,
         61},
        {"five best of seven",
         {lap(70, true), lap(61, true), lap(62, true), lap(63, true), lap(64, true), lap(65, true),
          lap(66, true)},
         61,
         61,
         63},
        {"ideal from the best of each sector",
         {lap(63, true, {20, 21, 22}), lap(64, true, {21, 20, 23}), lap(50, false, {10, 10, 30})},
         63,
         62,
         63.5},
        {"sectors that do not agree give no ideal of their own",
         {lap(63, true, {20, 21, 22}), lap(64, true, {30, 34})},
         63,
         63,
         63.5},
        {"a sector never timed gives no ideal of its own",
         {lap(63, true, {20, 0, 43}), lap(64, true, {21, 0, 43})},
         63,
         63,
         63.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SummaryFigures f = FiguresOf(c.laps);
        EXPECT_EQ(f.bestLapSec, c.best);
        EXPECT_EQ(f.idealLapSec, c.ideal);
        EXPECT_EQ(f.bestFiveAverageSec, c.five);
    }
}

}  // namespace
}  // namespace qv
