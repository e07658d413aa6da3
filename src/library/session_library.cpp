#include "library/session_library.h"

#include <sqlite3.h>

#include <charconv>
#include <ctime>
#include <system_error>

#include "library/library_schema.h"
#include "library/sqlite_statement.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// Long enough for the other writer's one transaction (one log) to finish.
constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kMsgNewerLibrary =
    "This library was written by a newer version of Quorvane. It is opened read-only: "
    "nothing can be added or changed.";
constexpr const char* kMsgReadOnly =
    "The library is read-only: it was written by a newer version of Quorvane.";

bool IsDamageCode(int code) {
    code &= 0xff;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

enum class Health { Sound, Damaged, Unreadable };

// A whole check of the file's pages; "ok" or what is wrong.
Health CheckHealth(sqlite3* db, std::string& detail) {
    Statement q(db, "PRAGMA quick_check");
    if (!q.Ok()) {
        detail = ErrorText(db);
        return IsDamageCode(sqlite3_extended_errcode(db)) ? Health::Damaged : Health::Unreadable;
    }
    const int rc = q.Step();
    if (rc != SQLITE_ROW) {
        detail = ErrorText(db);
        return IsDamageCode(rc) ? Health::Damaged : Health::Unreadable;
    }
    detail = q.Text(0);
    return detail == "ok" ? Health::Sound : Health::Damaged;
}

// "<name>.damaged-YYYYMMDD-HHMMSS", numbered on when taken.
fs::path AsideName(const fs::path& path) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    fs::path aside = path;
    aside += std::string(".damaged-") + stamp;
    std::error_code ec;
    for (int n = 2; fs::exists(aside, ec); ++n) {
        aside = path;
        aside += std::string(".damaged-") + stamp + "-" + std::to_string(n);
    }
    return aside;
}

// Moves the file and its journal files aside; a journal left behind would
// be replayed into the new library.
bool MoveAside(const fs::path& path, const fs::path& aside, std::string& error) {
    std::error_code ec;
    fs::rename(path, aside, ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        fs::path from = path;
        from += suffix;
        fs::path to = aside;
        to += suffix;
        if (fs::exists(from, ec))
            fs::rename(from, to, ec);
    }
    return true;
}

void CloseHandle(sqlite3*& db) {
    if (db != nullptr)
        sqlite3_close_v2(db);
    db = nullptr;
}

}  // namespace

SessionLibrary::~SessionLibrary() {
    Close();
}

void SessionLibrary::Close() {
    CloseHandle(db_);
    readOnly_ = false;
    schemaVersion_ = 0;
}

LibraryOpenResult SessionLibrary::Open(const fs::path& path) {
    Close();
    path_ = path;
    LibraryOpenResult result;
    std::error_code ec;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);

    for (int attempt = 0; attempt < 2; ++attempt) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            result.message = "The library cannot be opened: " + ErrorText(db_);
            CloseHandle(db_);
            lastError_ = result.message;
            return result;
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        sqlite3_extended_result_codes(db_, 1);
        std::string detail;
        const Health health = CheckHealth(db_, detail);
        if (health == Health::Unreadable) {
            result.message = "The library cannot be opened: " + detail;
            CloseHandle(db_);
            lastError_ = result.message;
            return result;
        }
        if (health == Health::Damaged) {
            CloseHandle(db_);
            const fs::path aside = AsideName(path);
            std::string error;
            if (attempt > 0 || !MoveAside(path, aside, error)) {
                result.message = "The library file is damaged and cannot be moved aside: " +
                                 (error.empty() ? detail : error);
                lastError_ = result.message;
                return result;
            }
            result.state = LibraryOpenState::StartedAfresh;
            result.movedAside = aside;
            result.message = "The library file was damaged. It was moved to " + aside.string() +
                             " and a new, empty library was started.";
            continue;
        }
        break;
    }

    const int version = ReadSchemaVersion(db_);
    if (version > kLibrarySchemaVersion) {
        CloseHandle(db_);
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            result.state = LibraryOpenState::Failed;
            result.message = "The library cannot be opened: " + ErrorText(db_);
            CloseHandle(db_);
            lastError_ = result.message;
            return result;
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        readOnly_ = true;
        schemaVersion_ = version;
        result.state = LibraryOpenState::ReadOnlyNewer;
        result.message = kMsgNewerLibrary;
        return result;
    }

    std::string error;
    // WAL lets the window read while the command-line tool writes.
    bool walOk = false;
    {
        Statement wal(db_, "PRAGMA journal_mode = WAL");
        walOk = wal.Ok() && wal.Step() == SQLITE_ROW && wal.Text(0) == "wal";
    }
    if (!walOk || !Exec(db_, "PRAGMA foreign_keys = ON") ||
        !MigrateSchema(db_, kLibrarySchemaVersion, error)) {
        result.state = LibraryOpenState::Failed;
        result.message =
            "The library cannot be opened: " + (error.empty() ? ErrorText(db_) : error);
        CloseHandle(db_);
        lastError_ = result.message;
        return result;
    }
    schemaVersion_ = kLibrarySchemaVersion;
    if (result.state != LibraryOpenState::StartedAfresh)
        result.state = LibraryOpenState::Ok;
    return result;
}

bool SessionLibrary::Fail(const std::string& message) {
    lastError_ = message;
    return false;
}

bool SessionLibrary::CanWrite() {
    if (db_ == nullptr)
        return Fail("The library is not open.");
    if (readOnly_)
        return Fail(kMsgReadOnly);
    return true;
}

namespace {

LibraryTrack TrackFrom(const Statement& q) {
    LibraryTrack t;
    t.id = q.Int(0);
    t.name = q.Text(1);
    t.named = q.Int(2) != 0;
    t.lat = q.Real(3);
    t.lon = q.Real(4);
    t.sessionCount = static_cast<int>(q.Int(5));
    return t;
}

constexpr const char* kTrackColumns =
    "SELECT t.id, t.name, t.named, t.lat, t.lon,"
    " (SELECT COUNT(*) FROM sessions s WHERE s.track_id = t.id) FROM tracks t ";

// A query's SELECT of columns followed by its own clauses.
std::string Query(const char* columns, std::string_view clauses) {
    std::string sql(columns);
    sql += clauses;
    return sql;
}

}  // namespace

std::vector<LibraryTrack> SessionLibrary::Tracks() {
    std::vector<LibraryTrack> tracks;
    if (db_ == nullptr)
        return tracks;
    Statement q(db_, Query(kTrackColumns, "ORDER BY t.named DESC, t.name, t.id"));
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW)
        tracks.push_back(TrackFrom(q));
    if (rc != SQLITE_DONE)
        lastError_ = ErrorText(db_);
    return tracks;
}

std::optional<LibraryTrack> SessionLibrary::FindTrack(int64_t trackId) {
    if (db_ == nullptr)
        return std::nullopt;
    Statement q(db_, Query(kTrackColumns, "WHERE t.id = ?1"));
    q.Bind(1, trackId);
    if (q.Step() != SQLITE_ROW)
        return std::nullopt;
    return TrackFrom(q);
}

std::optional<LibraryTrack> SessionLibrary::FindTrack(const std::string& nameOrId) {
    if (db_ == nullptr)
        return std::nullopt;
    Statement q(db_, Query(kTrackColumns, "WHERE t.name = ?1 ORDER BY t.id LIMIT 1"));
    q.Bind(1, nameOrId);
    if (q.Step() == SQLITE_ROW)
        return TrackFrom(q);
    int64_t id = 0;
    const char* end = nameOrId.data() + nameOrId.size();
    const auto [stop, ec] = std::from_chars(nameOrId.data(), end, id);
    if (nameOrId.empty() || ec != std::errc() || stop != end)
        return std::nullopt;
    return FindTrack(id);
}

LibraryStatus SessionLibrary::RenameTrack(int64_t trackId, const std::string& name) {
    if (!CanWrite())
        return {false, lastError_};
    if (name.find_first_not_of(" \t\r\n") == std::string::npos)
        return {false, "A track needs a name."};
    Transaction tx(db_);
    Statement q(db_, "UPDATE tracks SET name = ?1, named = 1 WHERE id = ?2");
    q.Bind(1, name).Bind(2, trackId);
    if (!tx.Begun() || !q.Run())
        return {false, lastError_ = ErrorText(db_)};
    if (sqlite3_changes(db_) != 1)
        return {false, lastError_ = "There is no such track."};
    if (!tx.Commit())
        return {false, lastError_ = ErrorText(db_)};
    return {};
}

namespace {

constexpr const char* kSessionColumns =
    "SELECT s.id, s.track_id, s.path, s.size, s.hash, s.logger_kind, s.start_local,"
    " s.start_utc, s.lap_count, s.best_lap_sec, s.ideal_lap_sec, s.missing,"
    " s.achievable_lap_sec,"
    " s.best_lap_sec IS NOT NULL AND s.best_lap_sec <= (SELECT MIN(b.best_lap_sec) FROM"
    " sessions b WHERE b.track_id = s.track_id) FROM sessions s ";

LibrarySession SessionFrom(const Statement& q) {
    LibrarySession s;
    s.id = q.Int(0);
    s.trackId = q.Int(1);
    s.path = q.Text(2);
    s.size = q.Int(3);
    s.hash = q.Text(4);
    s.loggerKind = q.Text(5);
    s.startLocal = q.Real(6);
    s.startUtc = q.Real(7);
    s.lapCount = static_cast<int>(q.Int(8));
    s.bestLapSec = q.OptionalReal(9);
    s.idealLapSec = q.OptionalReal(10);
    s.missing = q.Int(11) != 0;
    s.achievableLapSec = q.OptionalReal(12);
    s.personalBest = q.Int(13) != 0;
    return s;
}

}  // namespace

std::vector<LibrarySession> SessionLibrary::Sessions(int64_t trackId, const SessionFilter& filter) {
    std::vector<LibrarySession> sessions;
    if (db_ == nullptr)
        return sessions;
    Statement q(db_, Query(kSessionColumns,
                           "WHERE s.track_id = ?1 AND (?2 IS NULL OR s.start_local >= ?2)"
                           " AND (?3 IS NULL OR s.start_local < ?3)"
                           " AND (?4 = '' OR s.logger_kind = ?4)"
                           " ORDER BY s.start_local, s.id"));
    q.Bind(1, trackId).Bind(4, filter.loggerKind);
    q.Bind(2,
           filter.from ? std::optional<double>(static_cast<double>(*filter.from)) : std::nullopt);
    q.Bind(3, filter.to ? std::optional<double>(static_cast<double>(*filter.to)) : std::nullopt);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW)
        sessions.push_back(SessionFrom(q));
    if (rc != SQLITE_DONE)
        lastError_ = ErrorText(db_);
    return sessions;
}

std::optional<LibrarySession> SessionLibrary::FindSession(int64_t sessionId) {
    if (db_ == nullptr)
        return std::nullopt;
    Statement q(db_, Query(kSessionColumns, "WHERE s.id = ?1"));
    q.Bind(1, sessionId);
    if (q.Step() != SQLITE_ROW)
        return std::nullopt;
    return SessionFrom(q);
}

std::vector<LibraryLap> SessionLibrary::Laps(int64_t sessionId) {
    std::vector<LibraryLap> laps;
    if (db_ == nullptr)
        return laps;
    Statement q(db_,
                "SELECT id, session_id, number, start_local, lap_sec, top_speed_kmh, dist_km,"
                " uncertainty_ms, flying FROM laps WHERE session_id = ?1 ORDER BY number");
    q.Bind(1, sessionId);
    Statement sectors(db_, "SELECT sec FROM lap_sectors WHERE lap_id = ?1 ORDER BY sector");
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW) {
        LibraryLap lap;
        lap.id = q.Int(0);
        lap.sessionId = q.Int(1);
        lap.number = static_cast<int>(q.Int(2));
        lap.startLocal = q.Real(3);
        lap.lapSec = q.Real(4);
        lap.topSpeedKmh = q.Real(5);
        lap.distKm = q.Real(6);
        lap.uncertaintyMs = q.Real(7);
        lap.flying = q.Int(8) != 0;
        sectors.Reset();
        sectors.Bind(1, lap.id);
        while (sectors.Step() == SQLITE_ROW)
            lap.sectorSec.push_back(sectors.Real(0));
        laps.push_back(std::move(lap));
    }
    if (rc != SQLITE_DONE)
        lastError_ = ErrorText(db_);
    return laps;
}

std::vector<BestPoint> SessionLibrary::BestHistory(int64_t trackId) {
    std::vector<BestPoint> points;
    if (db_ == nullptr)
        return points;
    Statement q(db_,
                "SELECT id, start_local, best_lap_sec, best_five_avg_sec FROM sessions"
                " WHERE track_id = ?1 AND best_lap_sec IS NOT NULL ORDER BY start_local, id");
    q.Bind(1, trackId);
    std::optional<double> bestSoFar;
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW) {
        BestPoint p;
        p.sessionId = q.Int(0);
        p.startLocal = q.Real(1);
        p.bestLapSec = q.Real(2);
        p.bestFiveAverageSec = q.OptionalReal(3).value_or(p.bestLapSec);
        p.improved = !bestSoFar || p.bestLapSec < *bestSoFar;
        if (p.improved)
            bestSoFar = p.bestLapSec;
        points.push_back(p);
    }
    if (rc != SQLITE_DONE)
        lastError_ = ErrorText(db_);
    return points;
}

std::vector<std::string> SessionLibrary::LoggerKinds() {
    std::vector<std::string> kinds;
    if (db_ == nullptr)
        return kinds;
    Statement q(db_, "SELECT DISTINCT logger_kind FROM sessions ORDER BY logger_kind");
    while (q.Step() == SQLITE_ROW)
        kinds.push_back(q.Text(0));
    return kinds;
}

LibraryStatus SessionLibrary::MarkMissing(int64_t sessionId, bool missing) {
    if (!CanWrite())
        return {false, lastError_};
    Transaction tx(db_);
    Statement q(db_, "UPDATE sessions SET missing = ?1 WHERE id = ?2");
    q.Bind(1, static_cast<int64_t>(missing ? 1 : 0)).Bind(2, sessionId);
    if (!tx.Begun() || !q.Run())
        return {false, lastError_ = ErrorText(db_)};
    if (sqlite3_changes(db_) != 1)
        return {false, lastError_ = "There is no such session."};
    if (!tx.Commit())
        return {false, lastError_ = ErrorText(db_)};
    return {};
}

}  // namespace qv
