#include "library/library_schema.h"

#include <array>

#include "library/sqlite_statement.h"

namespace qv {
namespace {

// Step n takes a file from version n to version n + 1. Steps are never
// edited once released: a change is a new step.
constexpr std::array<const char*, 3> kSteps = {
    // 0 -> 1: tracks, sessions, laps and their sector times.
    "CREATE TABLE tracks ("
    "  id INTEGER PRIMARY KEY,"
    "  name TEXT NOT NULL DEFAULT '',"
    "  named INTEGER NOT NULL DEFAULT 0,"
    "  circuit TEXT,"
    "  lat REAL NOT NULL,"
    "  lon REAL NOT NULL,"
    "  line TEXT);"
    "CREATE UNIQUE INDEX tracks_circuit ON tracks(circuit) WHERE circuit IS NOT NULL;"
    "CREATE TABLE sessions ("
    "  id INTEGER PRIMARY KEY,"
    "  track_id INTEGER NOT NULL REFERENCES tracks(id) ON DELETE CASCADE,"
    "  path TEXT NOT NULL,"
    "  size INTEGER NOT NULL,"
    "  hash TEXT NOT NULL UNIQUE,"
    "  logger_kind TEXT NOT NULL,"
    "  start_local REAL NOT NULL,"
    "  start_utc REAL NOT NULL,"
    "  lap_count INTEGER NOT NULL,"
    "  best_lap_sec REAL,"
    "  ideal_lap_sec REAL,"
    "  best_five_avg_sec REAL);"
    "CREATE INDEX sessions_track ON sessions(track_id, start_local);"
    "CREATE TABLE laps ("
    "  id INTEGER PRIMARY KEY,"
    "  session_id INTEGER NOT NULL REFERENCES sessions(id) ON DELETE CASCADE,"
    "  number INTEGER NOT NULL,"
    "  start_local REAL NOT NULL,"
    "  lap_sec REAL NOT NULL,"
    "  top_speed_kmh REAL NOT NULL,"
    "  dist_km REAL NOT NULL,"
    "  uncertainty_ms REAL NOT NULL,"
    "  flying INTEGER NOT NULL,"
    "  UNIQUE (session_id, number));"
    "CREATE TABLE lap_sectors ("
    "  lap_id INTEGER NOT NULL REFERENCES laps(id) ON DELETE CASCADE,"
    "  sector INTEGER NOT NULL,"
    "  sec REAL NOT NULL,"
    "  PRIMARY KEY (lap_id, sector)) WITHOUT ROWID;",
    // 1 -> 2: a session whose file has gone stays, marked; the track's best
    // lap is found without reading all its sessions.
    "ALTER TABLE sessions ADD COLUMN missing INTEGER NOT NULL DEFAULT 0;"
    "CREATE INDEX sessions_best ON sessions(track_id, best_lap_sec);",
    // 2 -> 3: the achievable best lap of each session.
    "ALTER TABLE sessions ADD COLUMN achievable_lap_sec REAL;",
};

}  // namespace

int ReadSchemaVersion(sqlite3* db) {
    Statement q(db, "PRAGMA user_version");
    if (!q.Ok() || q.Step() != SQLITE_ROW)
        return -1;
    return static_cast<int>(q.Int(0));
}

bool MigrateSchema(sqlite3* db, int target, std::string& error) {
    if (target > static_cast<int>(kSteps.size())) {
        error = "no migration to version " + std::to_string(target);
        return false;
    }
    for (;;) {
        Transaction tx(db);
        if (!tx.Begun()) {
            error = ErrorText(db);
            return false;
        }
        // Read under the write lock: another connection may have moved on.
        const int version = ReadSchemaVersion(db);
        if (version < 0) {
            error = ErrorText(db);
            return false;
        }
        if (version >= target)
            return true;
        // PRAGMA takes no bound parameter; the number is ours, not input.
        const std::string bump = "PRAGMA user_version = " + std::to_string(version + 1);
        if (!Exec(db, kSteps[static_cast<size_t>(version)]) || !Exec(db, bump.c_str()) ||
            !tx.Commit()) {
            error = ErrorText(db);
            return false;
        }
    }
}

}  // namespace qv
