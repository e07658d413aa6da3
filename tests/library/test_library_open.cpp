#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "library/library_schema.h"
#include "library/session_library.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// The first value of the first row as text; empty for none or NULL.
std::string Query(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* q = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr) == SQLITE_OK &&
        sqlite3_step(q) == SQLITE_ROW && sqlite3_column_text(q, 0) != nullptr)
        value = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
    sqlite3_finalize(q);
    return value;
}

// A value read by a connection of the test's own, not the library's.
std::string Pragma(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
        value = Query(db, sql);
    sqlite3_close(db);
    return value;
}

bool RawExec(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// A file as this program writes it, with 200 tracks to fill several pages,
// then its bytes from `from` up to `to` overwritten by `byte(i)`.
std::function<void(const fs::path&)> Damaged(size_t from, size_t to, uint8_t (*byte)(size_t)) {
    return [=](const fs::path& f) {
        {
            SessionLibrary writer;
            ASSERT_EQ(writer.Open(f).state, LibraryOpenState::Ok);
            for (int i = 0; i < 200; ++i) {
                const std::string sql = "INSERT INTO tracks (name, named, lat, lon) VALUES ('T" +
                                        std::to_string(i) + "', 1, 0, 0)";
                ASSERT_EQ(sqlite3_exec(writer.Handle(), sql.c_str(), nullptr, nullptr, nullptr),
                          SQLITE_OK);
            }
        }
        std::vector<uint8_t> bytes = test::ReadBytes(f);
        ASSERT_GT(bytes.size(), 4096u);
        for (size_t i = from; i < std::min(to, bytes.size()); ++i)
            bytes[i] = byte(i);
        test::WriteBytes(f, bytes);
    };
}

// Each file the library may be pointed at. A damaged one is kept aside byte
// for byte and a new, empty library works in its place; one that cannot be
// opened at all is not taken for a damaged one and nothing is moved; a newer
// one is read, refuses every change and is left as it was.
TEST(LibraryOpen, EachKindOfFileOpensAsItMustAndLosesNothing) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> prepare;
        LibraryOpenState state;
        const char* said;  // a part of the message; none: no message
        std::string tracks;
        std::string versionAfter;  // the file's own, once closed
    };
    const std::string current = std::to_string(kLibrarySchemaVersion);
    const auto afresh = LibraryOpenState::StartedAfresh;
    const Case cases[] = {
        {"a new file", [](const fs::path&) {}, LibraryOpenState::Ok, nullptr, "", current},
        {"a newer file",
         [](const fs::path& f) {
             ASSERT_EQ(SessionLibrary().Open(f).state, LibraryOpenState::Ok);
             ASSERT_TRUE(RawExec(f,
                                 "INSERT INTO tracks (id, name, named, lat, lon) VALUES"
                                 " (1, 'Bay', 1, 1, 2); PRAGMA user_version = 99"));
         },
         LibraryOpenState::ReadOnlyNewer, "newer version", "Bay", "99"},
        {"not a database at all",
         [](const fs::path& f) { test::WriteText(f, std::string(5000, 'x')); }, afresh,
         "was damaged", "", current},
        {"pages overwritten after the header",
         Damaged(100, SIZE_MAX, [](size_t i) { return static_cast<uint8_t>(i * 31); }), afresh,
         "was damaged", "", current},
        {"header damaged", Damaged(0, 1, [](size_t) { return uint8_t{'X'}; }), afresh,
         "was damaged", "", current},
        {"a folder", [](const fs::path& f) { fs::create_directories(f / "inside"); },
         LibraryOpenState::Failed, "cannot be opened", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path file = dir / "sub" / "library.sqlite";
        fs::create_directories(file.parent_path());
        c.prepare(file);
        const std::vector<uint8_t> before =
            fs::is_regular_file(file) ? test::ReadBytes(file) : std::vector<uint8_t>{};

        SessionLibrary library;
        const LibraryOpenResult r = library.Open(file);
        ASSERT_EQ(r.state, c.state) << r.message;
        if (c.said == nullptr)
            EXPECT_TRUE(r.message.empty()) << r.message;
        else
            EXPECT_NE(r.message.find(c.said), std::string::npos) << r.message;
        if (c.state == afresh) {
            EXPECT_NE(r.message.find(r.movedAside.string()), std::string::npos) << r.message;
            ASSERT_TRUE(fs::exists(r.movedAside));
            EXPECT_EQ(test::ReadBytes(r.movedAside), before);
        } else {
            EXPECT_TRUE(r.movedAside.empty());
        }
        EXPECT_EQ(library.IsOpen(), c.state != LibraryOpenState::Failed);
        EXPECT_EQ(library.ReadOnly(), c.state == LibraryOpenState::ReadOnlyNewer);
        if (c.state == LibraryOpenState::Ok || c.state == afresh) {
            EXPECT_EQ(library.SchemaVersion(), kLibrarySchemaVersion);
            EXPECT_EQ(Query(library.Handle(), "PRAGMA foreign_keys"), "1");
        } else {
            const LibraryStatus renamed = library.RenameTrack(1, "Other");
            EXPECT_FALSE(renamed.ok);
            EXPECT_FALSE(renamed.error.empty());
            EXPECT_FALSE(library.MarkMissing(1).ok);
        }
        std::string names;
        for (const LibraryTrack& t : library.Tracks())
            names += (names.empty() ? "" : ",") + t.name;
        EXPECT_EQ(names, c.tracks);
        library.Close();
        EXPECT_EQ(Pragma(file, "SELECT group_concat(name) FROM tracks"), c.tracks);
        EXPECT_EQ(Pragma(file, "PRAGMA user_version"), c.versionAfter);
        if (c.state == LibraryOpenState::Failed) {
            EXPECT_TRUE(fs::is_directory(file / "inside"));
            EXPECT_EQ(
                std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
                1);
        } else {
            EXPECT_EQ(Pragma(file, "PRAGMA journal_mode"), "wal");
        }
    }
}

// A file left at the first version with a session in it, as an older
// program wrote it: opening carries it forward and keeps the session.
TEST(LibraryOpen, OlderFileIsMigratedForwardKeepingItsSessions) {
    test::TempDir dir;
    const fs::path file = dir / "library.sqlite";
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        std::string error;
        ASSERT_TRUE(MigrateSchema(db, 1, error)) << error;
        sqlite3_close(db);
    }
    ASSERT_TRUE(RawExec(file,
                        "INSERT INTO tracks (id, name, named, lat, lon) VALUES"
                        " (7, 'Hill', 1, 35.1, 138.2);"
                        "INSERT INTO sessions (id, track_id, path, size, hash, logger_kind,"
                        " start_local, start_utc, lap_count, best_lap_sec) VALUES"
                        " (3, 7, '/logs/a.bnx4', 10, 'abc', 'bnx4', 45000.5, 45000.125, 4,"
                        " 61.25);"));
    ASSERT_EQ(Pragma(file, "PRAGMA user_version"), "1");

    SessionLibrary library;
    ASSERT_EQ(library.Open(file).state, LibraryOpenState::Ok);
    EXPECT_EQ(library.SchemaVersion(), kLibrarySchemaVersion);
    const std::vector<LibrarySession> sessions = library.Sessions(7);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].path, "/logs/a.bnx4");
    EXPECT_DOUBLE_EQ(*sessions[0].bestLapSec, 61.25);
    EXPECT_FALSE(sessions[0].missing);  // the column the second version brought
    EXPECT_FALSE(sessions[0].achievableLapSec.has_value());  // and the third
    EXPECT_TRUE(sessions[0].personalBest);
    EXPECT_TRUE(library.MarkMissing(3).ok);
    EXPECT_TRUE(library.FindSession(3)->missing);
}

TEST(LibraryOpen, TrackNamesAreTextWhateverTheyHold) {
    test::TempDir dir;
    SessionLibrary library;
    ASSERT_EQ(library.Open(dir / "library.sqlite").state, LibraryOpenState::Ok);
    ASSERT_EQ(sqlite3_exec(library.Handle(),
                           "INSERT INTO tracks (id, lat, lon) VALUES (1, 0, 0), (2, 1, 1)", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const std::string names[] = {"'; DROP TABLE sessions; --", "Robert'); DROP TABLE tracks;--",
                                 "\"quoted\" % _ \\ ?1"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(library.RenameTrack(1, name).ok);
        const std::optional<LibraryTrack> found = library.FindTrack(name);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->id, 1);
        EXPECT_EQ(found->name, name);
        EXPECT_TRUE(found->named);
        EXPECT_EQ(library.Tracks().size(), 2u);
        EXPECT_TRUE(library.Sessions(1).empty());
        EXPECT_EQ(Query(library.Handle(),
                        "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"
                        " AND name IN ('tracks', 'sessions', 'laps')"),
                  "3");
    }
    EXPECT_FALSE(library.RenameTrack(2, "  ").ok);
    EXPECT_FALSE(library.RenameTrack(99, "Nowhere").ok);
    EXPECT_FALSE(library.FindTrack(2)->named);
}

}  // namespace
}  // namespace qv
