#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <string>

#include "library/library_schema.h"
#include "library/session_library.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// A value read by a connection of the test's own, not the library's.
std::string Pragma(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string value;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr) == SQLITE_OK &&
            sqlite3_step(q) == SQLITE_ROW)
            value = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
    }
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

TEST(LibraryOpen, NewFileGetsTheSchemaInWalModeWithForeignKeys) {
    test::TempDir dir;
    const fs::path file = dir / "sub" / "library.sqlite";
    SessionLibrary library;
    const LibraryOpenResult r = library.Open(file);
    ASSERT_EQ(r.state, LibraryOpenState::Ok) << r.message;
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(library.SchemaVersion(), kLibrarySchemaVersion);
    EXPECT_FALSE(library.ReadOnly());

    sqlite3_stmt* q = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(library.Handle(), "PRAGMA foreign_keys", -1, &q, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(q, 0), 1);
    sqlite3_finalize(q);
    library.Close();
    EXPECT_EQ(Pragma(file, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(Pragma(file, "PRAGMA user_version"), std::to_string(kLibrarySchemaVersion));
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
        ASSERT_EQ(sqlite3_exec(db,
                               "INSERT INTO tracks (id, name, named, lat, lon) VALUES"
                               " (7, 'Hill', 1, 35.1, 138.2);"
                               "INSERT INTO sessions (id, track_id, path, size, hash, logger_kind,"
                               " start_local, start_utc, lap_count, best_lap_sec) VALUES"
                               " (3, 7, '/logs/a.bnx4', 10, 'abc', 'bnx4', 45000.5, 45000.125, 4,"
                               " 61.25);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
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

TEST(LibraryOpen, NewerFileOpensReadOnlyAndIsLeftAsItWas) {
    test::TempDir dir;
    const fs::path file = dir / "library.sqlite";
    {
        SessionLibrary writer;
        ASSERT_EQ(writer.Open(file).state, LibraryOpenState::Ok);
    }
    ASSERT_TRUE(RawExec(file,
                        "INSERT INTO tracks (id, name, named, lat, lon) VALUES (1, 'Bay', 1, 1, 2);"
                        "PRAGMA user_version = 99"));

    SessionLibrary library;
    const LibraryOpenResult r = library.Open(file);
    EXPECT_EQ(r.state, LibraryOpenState::ReadOnlyNewer);
    EXPECT_NE(r.message.find("newer version"), std::string::npos) << r.message;
    EXPECT_TRUE(library.ReadOnly());
    ASSERT_EQ(library.Tracks().size(), 1u);
    EXPECT_EQ(library.Tracks()[0].name, "Bay");

    const LibraryStatus renamed = library.RenameTrack(1, "Other");
    EXPECT_FALSE(renamed.ok);
    EXPECT_FALSE(renamed.error.empty());
    EXPECT_FALSE(library.MarkMissing(1).ok);
    library.Close();
    EXPECT_EQ(Pragma(file, "PRAGMA user_version"), "99");
    EXPECT_EQ(Pragma(file, "SELECT name FROM tracks WHERE id = 1"), "Bay");
}

// Damage of several kinds: the old file is kept aside byte for byte, and a
// new, empty library works in its place.
TEST(LibraryOpen, CorruptFileIsMovedAsideAndANewLibraryStarts) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> damage;
    };
    const Case cases[] = {
        {"not a database at all",
         [](const fs::path& f) { test::WriteText(f, std::string(5000, 'x')); }},
        {"pages overwritten after the header",
         [](const fs::path& f) {
             std::vector<uint8_t> bytes = test::ReadBytes(f);
             ASSERT_GT(bytes.size(), 4096u);
             for (size_t i = 100; i < bytes.size(); ++i)
                 bytes[i] = static_cast<uint8_t>(i * 31);
             test::WriteBytes(f, bytes);
         }},
        {"header damaged",
         [](const fs::path& f) {
             std::vector<uint8_t> bytes = test::ReadBytes(f);
             bytes[0] = 'X';
             test::WriteBytes(f, bytes);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path file = dir / "library.sqlite";
        {
            SessionLibrary writer;
            ASSERT_EQ(writer.Open(file).state, LibraryOpenState::Ok);
            ASSERT_TRUE(writer.Handle() != nullptr);
            for (int i = 0; i < 200; ++i) {
                const std::string sql = "INSERT INTO tracks (name, named, lat, lon) VALUES ('T" +
                                        std::to_string(i) + "', 1, 0, 0)";
                ASSERT_EQ(sqlite3_exec(writer.Handle(), sql.c_str(), nullptr, nullptr, nullptr),
                          SQLITE_OK);
            }
        }
        c.damage(file);
        const std::vector<uint8_t> damaged = test::ReadBytes(file);

        SessionLibrary library;
        const LibraryOpenResult r = library.Open(file);
        ASSERT_EQ(r.state, LibraryOpenState::StartedAfresh) << r.message;
        EXPECT_NE(r.message.find(r.movedAside.string()), std::string::npos) << r.message;
        ASSERT_TRUE(fs::exists(r.movedAside));
        EXPECT_EQ(test::ReadBytes(r.movedAside), damaged);
        EXPECT_TRUE(library.Tracks().empty());
        EXPECT_FALSE(library.ReadOnly());
        EXPECT_EQ(library.SchemaVersion(), kLibrarySchemaVersion);
    }
}

// A file that cannot be opened at all is not taken for a damaged one:
// nothing is moved, and every change is refused.
TEST(LibraryOpen, UnopenablePathFailsAndMovesNothing) {
    test::TempDir dir;
    const fs::path folder = dir / "library.sqlite";
    fs::create_directories(folder / "inside");
    SessionLibrary library;
    const LibraryOpenResult r = library.Open(folder);
    EXPECT_EQ(r.state, LibraryOpenState::Failed);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(r.movedAside.empty());
    EXPECT_TRUE(fs::is_directory(folder / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(library.IsOpen());
    EXPECT_FALSE(library.RenameTrack(1, "Any").ok);
    EXPECT_TRUE(library.Tracks().empty());
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
        sqlite3_stmt* q = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(library.Handle(),
                                     "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"
                                     " AND name IN ('tracks', 'sessions', 'laps')",
                                     -1, &q, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(q, 0), 3);
        sqlite3_finalize(q);
    }
    EXPECT_FALSE(library.RenameTrack(2, "  ").ok);
    EXPECT_FALSE(library.RenameTrack(99, "Nowhere").ok);
    EXPECT_FALSE(library.FindTrack(2)->named);
}

}  // namespace
}  // namespace qv
