#include "library/library_import.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <system_error>

#include "decode/file_kinds.h"
#include "geometry/plane.h"
#include "library/content_hash.h"
#include "library/log_summary.h"
#include "library/sqlite_statement.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

double GroundKm(double lat0, double lon0, double lat1, double lon1) {
    constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
    const double r = static_cast<double>(EarthRadius);
    const double x = std::cos(lat0 * kDegToRad) * r * (lon1 - lon0) * kDegToRad;
    const double y = r * (lat1 - lat0) * kDegToRad;
    return std::sqrt(x * x + y * y) / 1000.0;
}

std::string LineText(const Line& line) {
    char text[128];
    std::snprintf(text, sizeof text, "%.9f,%.9f,%.9f,%.9f", static_cast<double>(line[0].lat),
                  static_cast<double>(line[0].lon), static_cast<double>(line[1].lat),
                  static_cast<double>(line[1].lon));
    return text;
}

std::optional<Line> LineFromText(const std::string& text) {
    double v[4];
    if (std::sscanf(text.c_str(), "%lf,%lf,%lf,%lf", &v[0], &v[1], &v[2], &v[3]) != 4)
        return std::nullopt;
    return Line{LinePoint{v[0], v[1]}, LinePoint{v[2], v[3]}};
}

struct UnnamedTrack {
    int64_t id = 0;
    std::optional<Line> line;
};

}  // namespace

// The library's writes for adding a log; each runs inside the caller's
// transaction.
class LibraryWriter {
  public:
    explicit LibraryWriter(SessionLibrary& library) : library_(library), db_(library.db_) {}

    bool Writable() { return library_.CanWrite(); }
    std::string LastError() const { return library_.lastError_; }

    struct Known {
        int64_t sessionId = 0;
        int64_t trackId = 0;
        std::string path;
    };
    std::optional<Known> FindByHash(const std::string& hash) {
        Statement q(db_, "SELECT id, track_id, path FROM sessions WHERE hash = ?1");
        q.Bind(1, hash);
        if (q.Step() != SQLITE_ROW)
            return std::nullopt;
        return Known{q.Int(0), q.Int(1), q.Text(2)};
    }

    bool UpdatePath(int64_t sessionId, const std::string& path) {
        Statement q(db_, "UPDATE sessions SET path = ?1, missing = 0 WHERE id = ?2");
        q.Bind(1, path).Bind(2, sessionId);
        return q.Run();
    }

    // The nearest track found by position within the radius.
    std::optional<UnnamedTrack> NearestUnnamed(double lat, double lon) {
        // A box around the point first, so that only nearby rows are measured.
        const double dLat = kUnnamedTrackRadiusKm / 111.0 * 1.5;
        const double dLon = dLat / std::max(0.05, std::cos(lat * 3.14159265358979 / 180.0));
        Statement q(db_,
                    "SELECT id, lat, lon, line FROM tracks WHERE circuit IS NULL"
                    " AND lat BETWEEN ?1 AND ?2 AND lon BETWEEN ?3 AND ?4");
        q.Bind(1, lat - dLat).Bind(2, lat + dLat).Bind(3, lon - dLon).Bind(4, lon + dLon);
        std::optional<UnnamedTrack> best;
        double bestKm = kUnnamedTrackRadiusKm;
        while (q.Step() == SQLITE_ROW) {
            const double km = GroundKm(lat, lon, q.Real(1), q.Real(2));
            if (km <= bestKm) {
                bestKm = km;
                best = UnnamedTrack{q.Int(0), LineFromText(q.Text(3))};
            }
        }
        return best;
    }

    // 0 on failure.
    int64_t TrackFor(const LogSummary& s) {
        if (!s.circuit.empty()) {
            Statement find(db_, "SELECT id FROM tracks WHERE circuit = ?1");
            find.Bind(1, s.circuit);
            if (find.Step() == SQLITE_ROW)
                return find.Int(0);
            Statement add(db_,
                          "INSERT INTO tracks (name, named, circuit, lat, lon) VALUES"
                          " (?1, 1, ?1, ?2, ?3)");
            add.Bind(1, s.circuit).Bind(2, s.lat).Bind(3, s.lon);
            return add.Run() ? sqlite3_last_insert_rowid(db_) : 0;
        }
        if (const std::optional<UnnamedTrack> near = NearestUnnamed(s.lat, s.lon)) {
            if (!near->line && s.line) {
                Statement keep(db_, "UPDATE tracks SET line = ?1 WHERE id = ?2");
                keep.Bind(1, LineText(*s.line)).Bind(2, near->id);
                if (!keep.Run())
                    return 0;
            }
            return near->id;
        }
        Statement add(db_, "INSERT INTO tracks (lat, lon, line) VALUES (?1, ?2, ?3)");
        add.Bind(1, s.lat).Bind(2, s.lon);
        if (s.line)
            add.Bind(3, LineText(*s.line));
        else
            add.BindNull(3);
        return add.Run() ? sqlite3_last_insert_rowid(db_) : 0;
    }

    // 0 on failure.
    int64_t InsertSession(int64_t trackId, const std::string& path, int64_t size,
                          const std::string& hash, const LogSummary& s) {
        const SummaryFigures f = FiguresOf(s.laps);
        Statement add(db_,
                      "INSERT INTO sessions (track_id, path, size, hash, logger_kind,"
                      " start_local, start_utc, lap_count, best_lap_sec, ideal_lap_sec,"
                      " best_five_avg_sec, achievable_lap_sec) VALUES (?1, ?2, ?3, ?4, ?5, ?6,"
                      " ?7, ?8, ?9, ?10, ?11, ?12)");
        add.Bind(1, trackId).Bind(2, path).Bind(3, size).Bind(4, hash).Bind(5, s.loggerKind);
        add.Bind(6, static_cast<double>(s.startLocal)).Bind(7, static_cast<double>(s.startUtc));
        add.Bind(8, static_cast<int64_t>(s.laps.size()));
        add.Bind(9, f.bestLapSec).Bind(10, f.idealLapSec).Bind(11, f.bestFiveAverageSec);
        add.Bind(12, s.achievableLapSec);
        if (!add.Run())
            return 0;
        const int64_t sessionId = sqlite3_last_insert_rowid(db_);
        Statement lap(db_,
                      "INSERT INTO laps (session_id, number, start_local, lap_sec, top_speed_kmh,"
                      " dist_km, uncertainty_ms, flying) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        Statement sector(db_, "INSERT INTO lap_sectors (lap_id, sector, sec) VALUES (?1, ?2, ?3)");
        int number = 0;
        for (const LapSummary& l : s.laps) {
            lap.Reset();
            lap.Bind(1, sessionId).Bind(2, static_cast<int64_t>(++number));
            lap.Bind(3, static_cast<double>(l.startLocal)).Bind(4, l.lapSec);
            lap.Bind(5, l.topSpeedKmh).Bind(6, l.distKm).Bind(7, l.uncertaintyMs);
            lap.Bind(8, static_cast<int64_t>(l.flying ? 1 : 0));
            if (!lap.Run())
                return 0;
            const int64_t lapId = sqlite3_last_insert_rowid(db_);
            for (size_t k = 0; k < l.sectorSec.size(); ++k) {
                sector.Reset();
                sector.Bind(1, lapId).Bind(2, static_cast<int64_t>(k + 1)).Bind(3, l.sectorSec[k]);
                if (!sector.Run())
                    return 0;
            }
        }
        return sessionId;
    }

    sqlite3* Db() { return db_; }

  private:
    SessionLibrary& library_;
    sqlite3* db_;
};

namespace {

std::string Absolute(const fs::path& path) {
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    if (ec)
        return path.string();
    return full.lexically_normal().string();
}

AddResult Refuse(std::string reason) {
    AddResult r;
    r.reason = std::move(reason);
    return r;
}

AddResult AddWith(SessionLibrary& library, LogSummarizer& summarizer, const fs::path& path) {
    LibraryWriter writer(library);
    if (!writer.Writable())
        return Refuse(writer.LastError());
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return Refuse("no such file");
    const auto size = fs::file_size(path, ec);
    if (ec)
        return Refuse(ec.message());
    std::string error;
    const std::optional<std::string> hash = FileSha256Hex(path, error);
    if (!hash)
        return Refuse(error);
    const std::string where = Absolute(path);

    // The same content is one session wherever it lies now.
    auto sameContent = [&](const LibraryWriter::Known& known) {
        AddResult r;
        r.outcome = AddOutcome::AlreadyThere;
        r.sessionId = known.sessionId;
        r.trackId = known.trackId;
        if (known.path != where) {
            if (!writer.UpdatePath(known.sessionId, where))
                return Refuse(ErrorText(writer.Db()));
            r.pathUpdated = true;
        }
        return r;
    };
    {
        Transaction tx(writer.Db());
        if (!tx.Begun())
            return Refuse(ErrorText(writer.Db()));
        if (const std::optional<LibraryWriter::Known> known = writer.FindByHash(*hash)) {
            AddResult r = sameContent(*known);
            if (r.outcome == AddOutcome::AlreadyThere && !tx.Commit())
                return Refuse(ErrorText(writer.Db()));
            return r;
        }
    }

    // Decoding takes the longest; it runs outside any transaction so that
    // others are not held up.
    const LogSummary summary =
        summarizer.Summarize(path, [&](double lat, double lon) -> std::optional<Line> {
            const std::optional<UnnamedTrack> near = writer.NearestUnnamed(lat, lon);
            return near ? near->line : std::nullopt;
        });
    if (!summary.ok)
        return Refuse(summary.reason);

    Transaction tx(writer.Db());
    if (!tx.Begun())
        return Refuse(ErrorText(writer.Db()));
    // Another writer may have added the same log meanwhile.
    if (const std::optional<LibraryWriter::Known> known = writer.FindByHash(*hash)) {
        AddResult r = sameContent(*known);
        if (r.outcome == AddOutcome::AlreadyThere && !tx.Commit())
            return Refuse(ErrorText(writer.Db()));
        return r;
    }
    AddResult r;
    r.trackId = writer.TrackFor(summary);
    if (r.trackId != 0)
        r.sessionId =
            writer.InsertSession(r.trackId, where, static_cast<int64_t>(size), *hash, summary);
    if (r.sessionId == 0 || !tx.Commit())
        return Refuse(ErrorText(writer.Db()));
    r.outcome = AddOutcome::Added;
    return r;
}

bool LibraryTakes(const fs::path& path) {
    const LogFileKind kind = LogFileKindOf(path);
    if (kind == LogFileKind::Unknown || kind == LogFileKind::Dtb)
        return false;
    const FileKind* row = FindLogFileKind(kind);
    return row != nullptr && row->readLog != nullptr;
}

}  // namespace

AddResult AddLog(SessionLibrary& library, const fs::path& path, const LibraryAddContext& context) {
    LogSummarizer summarizer(context.circuits, context.settings, context.localTimeBase);
    return AddWith(library, summarizer, path);
}

std::vector<fs::path> LogFilesUnder(const fs::path& folderOrFile) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (!fs::is_directory(folderOrFile, ec)) {
        files.push_back(folderOrFile);
        return files;
    }
    fs::recursive_directory_iterator it(folderOrFile, fs::directory_options::skip_permission_denied,
                                        ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file(ec) && LibraryTakes(it->path()))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

ImportReport AddLogs(SessionLibrary& library, const std::vector<fs::path>& roots,
                     const LibraryAddContext& context, const std::atomic<bool>* cancel,
                     const std::function<void(const ImportProgress&)>& progress) {
    ImportReport report;
    std::vector<fs::path> files;
    for (const fs::path& root : roots) {
        std::vector<fs::path> under = LogFilesUnder(root);
        files.insert(files.end(), under.begin(), under.end());
    }
    LogSummarizer summarizer(context.circuits, context.settings, context.localTimeBase);
    ImportProgress step;
    step.total = files.size();
    for (const fs::path& file : files) {
        step.current = file;
        if (progress)
            progress(step);
        if (cancel != nullptr && cancel->load()) {
            report.cancelled = true;
            break;
        }
        const AddResult r = AddWith(library, summarizer, file);
        switch (r.outcome) {
            case AddOutcome::Added:
                ++report.added;
                break;
            case AddOutcome::AlreadyThere:
                ++report.alreadyThere;
                break;
            case AddOutcome::Refused:
                report.refused.push_back({file, r.reason});
                break;
        }
        ++step.done;
    }
    step.current.clear();
    if (progress)
        progress(step);
    return report;
}

}  // namespace qv
