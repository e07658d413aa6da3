#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "library_fixture.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string QueryText(sqlite3* db, const char* sql) {
    sqlite3_stmt* q = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(db, sql, -1, &q, nullptr) == SQLITE_OK &&
        sqlite3_step(q) == SQLITE_ROW && sqlite3_column_text(q, 0) != nullptr)
        value = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
    sqlite3_finalize(q);
    return value;
}

// The file is sound and every session has all the laps it counts.
void ExpectWholeLibrary(SessionLibrary& library) {
    sqlite3* db = library.Handle();
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(QueryText(db, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(QueryText(db, "PRAGMA foreign_key_check"), "");
    EXPECT_EQ(QueryText(db,
                        "SELECT COUNT(*) FROM sessions s WHERE s.lap_count <>"
                        " (SELECT COUNT(*) FROM laps l WHERE l.session_id = s.id)"),
              "0");
    EXPECT_EQ(QueryText(db, "SELECT COUNT(*) FROM sessions WHERE lap_count = 0"), "0");
}

int SessionCount(SessionLibrary& library) {
    return std::stoi(QueryText(library.Handle(), "SELECT COUNT(*) FROM sessions"));
}

int CommitsBeforeKill = 0;

int KillAtCommit(void*) {
    if (--CommitsBeforeKill == 0)
        raise(SIGKILL);
    return 0;
}

// A child process adds six logs and is killed part way: inside the
// transaction of the third log, just before it would commit, or from
// outside while it works on the third log. The library stays whole,
// holds no half session, and a second import completes it.
TEST(LibraryCrash, ImportKilledPartWayLeavesAWholeLibrary) {
    enum class Kill { InsideTransaction, FromOutside };
    for (const Kill kill : {Kill::InsideTransaction, Kill::FromOutside}) {
        SCOPED_TRACE(kill == Kill::InsideTransaction ? "inside" : "outside");
        test::TempDir dir;
        for (int day = 0; day < 6; ++day)
            test::WriteSmallLog(dir / "logs", day);
        const fs::path file = dir / "library.sqlite";
        {
            SessionLibrary created;
            ASSERT_EQ(created.Open(file).state, LibraryOpenState::Ok);
        }
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            SessionLibrary library;
            if (library.Open(file).state != LibraryOpenState::Ok)
                _exit(2);
            if (kill == Kill::InsideTransaction) {
                CommitsBeforeKill = 3;
                sqlite3_commit_hook(library.Handle(), KillAtCommit, nullptr);
            }
            AddLogs(library, {dir / "logs"}, test::AddContext(nullptr), nullptr,
                    [&](const ImportProgress&) {
                        const char beat = 'x';
                        if (write(ready[1], &beat, 1) != 1)
                            _exit(3);
                    });
            _exit(0);
        }
        close(ready[1]);
        char beat;
        int beats = 0;
        while (beats < 3 && read(ready[0], &beat, 1) == 1)
            ++beats;
        if (kill == Kill::FromOutside)
            ::kill(child, SIGKILL);
        close(ready[0]);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ran to its end";
        EXPECT_EQ(WTERMSIG(status), SIGKILL);

        SessionLibrary library;
        ASSERT_EQ(library.Open(file).state, LibraryOpenState::Ok);
        ExpectWholeLibrary(library);
        const int kept = SessionCount(library);
        if (kill == Kill::InsideTransaction)
            EXPECT_EQ(kept, 2);
        else
            EXPECT_TRUE(kept == 2 || kept == 3) << kept;

        const ImportReport rest = AddLogs(library, {dir / "logs"}, test::AddContext(nullptr));
        EXPECT_TRUE(rest.refused.empty());
        EXPECT_EQ(rest.alreadyThere, kept);
        EXPECT_EQ(SessionCount(library), 6);
        ExpectWholeLibrary(library);
    }
}

// Two writers on one file, each with its own connection, wait for each
// other instead of failing; the same log added by both is one session.
TEST(LibraryConcurrency, TwoWritersAtOnceBothSucceed) {
    struct Case {
        const char* what;
        bool sameLogs;
        int sessions;
    };
    const Case cases[] = {{"different logs", false, 8}, {"the same logs", true, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        for (int k = 0; k < 4; ++k) {
            test::WriteSmallLog(dir / "one", k);
            test::WriteSmallLog(dir / "two", c.sameLogs ? k : k + 10);
        }
        const fs::path file = dir / "library.sqlite";
        ImportReport reports[2];
        std::atomic<int> ready{0};
        auto writer = [&](int which) {
            SessionLibrary library;
            const LibraryOpenState opened = library.Open(file).state;
            // Counted either way, so that a writer that could not open never
            // leaves the other waiting.
            ++ready;
            while (ready.load() < 2)
                std::this_thread::yield();
            if (opened != LibraryOpenState::Ok) {
                reports[which].refused.push_back({file, "not opened"});
                return;
            }
            reports[which] =
                AddLogs(library, {dir / (which == 0 ? "one" : "two")}, test::AddContext(nullptr));
        };
        std::thread first(writer, 0);
        std::thread second(writer, 1);
        first.join();
        second.join();
        for (const ImportReport& r : reports) {
            for (const RefusedLog& refused : r.refused)
                ADD_FAILURE() << refused.path << ": " << refused.reason;
            EXPECT_EQ(r.added + r.alreadyThere, 4);
        }
        EXPECT_EQ(reports[0].added + reports[1].added, c.sessions);
        SessionLibrary library;
        ASSERT_EQ(library.Open(file).state, LibraryOpenState::Ok);
        EXPECT_EQ(SessionCount(library), c.sessions);
        ExpectWholeLibrary(library);
    }
}

// A change made while another connection holds the write lock waits for it.
TEST(LibraryConcurrency, ChangeWaitsForAnotherWritersTransaction) {
    test::TempDir dir;
    const fs::path file = dir / "library.sqlite";
    SessionLibrary library;
    ASSERT_EQ(library.Open(file).state, LibraryOpenState::Ok);
    ASSERT_EQ(sqlite3_exec(library.Handle(), "INSERT INTO tracks (id, lat, lon) VALUES (1, 0, 0)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(other, "BEGIN IMMEDIATE; CREATE TABLE scratch (n)", nullptr, nullptr, nullptr),
        SQLITE_OK);
    std::atomic<bool> started{false};
    LibraryStatus renamed{false, "not run"};
    std::thread renamer([&] {
        started = true;
        renamed = library.RenameTrack(1, "Waited");
    });
    while (!started.load())
        std::this_thread::yield();
    // Work inside the transaction rather than a pause: the rename is
    // asked for while the lock is held.
    for (int i = 0; i < 20000; ++i) {
        const std::string sql = "INSERT INTO scratch VALUES (" + std::to_string(i) + ")";
        ASSERT_EQ(sqlite3_exec(other, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    renamer.join();
    sqlite3_close(other);
    EXPECT_TRUE(renamed.ok) << renamed.error;
    EXPECT_EQ(library.FindTrack(1)->name, "Waited");
}

}  // namespace
}  // namespace qv
