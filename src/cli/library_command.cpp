#include "cli/library_command.h"

#include <cstdio>
#include <ctime>
#include <ostream>

#include "app/folders.h"
#include "app/startup.h"
#include "cli/cli_prompter.h"
#include "core/date_time.h"
#include "core/display_format.h"
#include "core/local_time.h"
#include "library/library_import.h"
#include "library/session_library.h"

namespace qv::cli {

const char* const kLibraryUsage =
    "usage: quorvane-cli library [--db FILE] add FILE|FOLDER...\n"
    "       quorvane-cli library [--db FILE] tracks\n"
    "       quorvane-cli library [--db FILE] sessions TRACK [--from DATE] [--to DATE]\n"
    "                                                       [--logger KIND]\n"
    "       quorvane-cli library [--db FILE] best TRACK\n"
    "\n"
    "The session library the window keeps: every log added once, by its content,\n"
    "with its track and laps.\n"
    "  add       adds logs, and every log under a folder; a log already there is\n"
    "            not added again (its new place is remembered)\n"
    "  tracks    the tracks as CSV: id,name,sessions,lat,lon\n"
    "  sessions  the sessions of a track (its name or id) by date as CSV: lap\n"
    "            count, best, ideal and achievable lap, personal best, missing file\n"
    "  best      the best lap of each session of a track by date as CSV, with the\n"
    "            average of the session's five best laps and whether it improved on\n"
    "            every session before it\n"
    "\n"
    "  --db FILE       another library file than the program's own\n"
    "  --from DATE     sessions from this day on (yyyy-mm-dd, local time)\n"
    "  --to DATE       sessions up to and including this day\n"
    "  --logger KIND   sessions of one kind of log (bnx4, binx, vbo, ...)\n"
    "\n"
    "Times are local standard time, lap times m:ss.zzz. Exit status 0 when the\n"
    "command did its work, 1 when it could not (a log refused, no such track, a\n"
    "library that cannot be opened or written), 2 for a usage error.\n";

namespace {

struct LibraryArgs {
    std::string db;
    std::string action;
    std::vector<std::string> operands;
    SessionFilter filter;
};

// yyyy-mm-dd as the local start of that day.
bool ParseDay(const std::string& text, TDateTime& day) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3 || m < 1 || m > 12 ||
        d < 1 || d > 31)
        return false;
    day = EncodeDate(y, m, d);
    return day != 0;
}

int Parse(const std::vector<std::string>& args, LibraryArgs& a, std::ostream& err) {
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        const bool hasValue = k + 1 < args.size();
        if (arg == "--db" || arg == "--from" || arg == "--to" || arg == "--logger") {
            if (!hasValue) {
                err << "quorvane-cli: " << arg << " needs a value\n";
                return 2;
            }
            const std::string& value = args[++k];
            TDateTime day = 0;
            if (arg == "--db") {
                a.db = value;
            } else if (arg == "--logger") {
                a.filter.loggerKind = value;
            } else if (!ParseDay(value, day)) {
                err << "quorvane-cli: " << arg << " takes a date as yyyy-mm-dd, not " << value
                    << "\n";
                return 2;
            } else if (arg == "--from") {
                a.filter.from = day;
            } else {
                a.filter.to = day + 1;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            err << "quorvane-cli: unknown option " << arg << "\n";
            return 2;
        } else if (a.action.empty()) {
            a.action = arg;
        } else {
            a.operands.push_back(arg);
        }
    }
    if (a.action.empty()) {
        err << "quorvane-cli: library needs add, tracks, sessions or best\n";
        return 2;
    }
    const bool wantsTrack = a.action == "sessions" || a.action == "best";
    if (a.action != "add" && a.action != "tracks" && !wantsTrack) {
        err << "quorvane-cli: unknown library action " << a.action << "\n";
        return 2;
    }
    if (a.action == "add" && a.operands.empty()) {
        err << "quorvane-cli: library add needs a FILE or FOLDER\n";
        return 2;
    }
    if (wantsTrack && a.operands.size() != 1) {
        err << "quorvane-cli: library " << a.action << " needs one TRACK\n";
        return 2;
    }
    if (a.action == "tracks" && !a.operands.empty()) {
        err << "quorvane-cli: unexpected argument " << a.operands.front() << "\n";
        return 2;
    }
    return 0;
}

// A CSV field: quoted when it holds a separator, a quote or a line break.
std::string Csv(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string LapText(const std::optional<double>& seconds) {
    return seconds ? FormatSeconds(*seconds) : std::string();
}

std::string When(TDateTime t) {
    return FormatDateTime("yyyy-mm-dd hh:nn:ss", t);
}

// The program's folders and settings, and the circuit files the window
// would search, read as the window reads them at start-up.
struct ProgramPlaces {
    Settings settings;
    Folders folders;
    FolderTree tree;
    TDateTime localTimeBase = 0;
};

ProgramPlaces ReadProgramPlaces(std::ostream& err) {
    ProgramPlaces places;
    places.localTimeBase = LocalTimeBaseFromBias(StandardTimeBiasMinutes());
    const FolderSources sources = FolderSourcesFromEnvironment(
        InstalledShippedDir(InstalledDataDir(QUORVANE_DATADIR_FROM_BINDIR)),
        QUORVANE_BUILD_TREE_SHIPPED_DIR);
    CliPrompter prompter(err);
    places.tree = StartUp(sources, places.settings, places.folders, prompter).tree;
    return places;
}

int Add(SessionLibrary& library, const LibraryArgs& a, const ProgramPlaces& places,
        std::ostream& out, std::ostream& err) {
    const TDateTime now =
        LoggerTimeToLocal(static_cast<double>(std::time(nullptr)), places.localTimeBase);
    const CircuitIndex circuits = BuildCircuitIndexes(places.folders, places.localTimeBase, now);
    LibraryAddContext context;
    context.circuits = &circuits;
    context.settings = places.settings;
    context.localTimeBase = places.localTimeBase;
    std::vector<std::filesystem::path> roots(a.operands.begin(), a.operands.end());
    const ImportReport report = AddLogs(library, roots, context);
    for (const RefusedLog& r : report.refused)
        err << "quorvane-cli: " << r.path.string() << ": " << r.reason << "\n";
    out << StrFormat("%d added, %d already there, %d refused\n", report.added, report.alreadyThere,
                     static_cast<int>(report.refused.size()));
    return report.refused.empty() ? 0 : 1;
}

void PrintTracks(SessionLibrary& library, std::ostream& out) {
    out << "id,name,sessions,lat,lon\n";
    for (const LibraryTrack& t : library.Tracks()) {
        out << t.id << "," << Csv(t.name) << "," << t.sessionCount
            << StrFormat(",%.6f,%.6f\n", t.lat, t.lon);
    }
}

void PrintSessions(SessionLibrary& library, const LibraryTrack& track, const SessionFilter& filter,
                   std::ostream& out) {
    out << "session,start,logger,laps,best_lap,ideal_lap,achievable_lap,personal_best,missing,"
           "path\n";
    for (const LibrarySession& s : library.Sessions(track.id, filter)) {
        out << s.id << "," << When(s.startLocal) << "," << Csv(s.loggerKind) << "," << s.lapCount
            << "," << LapText(s.bestLapSec) << "," << LapText(s.idealLapSec) << ","
            << LapText(s.achievableLapSec) << "," << (s.personalBest ? "yes" : "no") << ","
            << (s.missing ? "yes" : "no") << "," << Csv(s.path) << "\n";
    }
}

void PrintBest(SessionLibrary& library, const LibraryTrack& track, std::ostream& out) {
    out << "session,start,best_lap,best_five_average,improved\n";
    for (const BestPoint& p : library.BestHistory(track.id)) {
        out << p.sessionId << "," << When(p.startLocal) << "," << FormatSeconds(p.bestLapSec) << ","
            << FormatSeconds(p.bestFiveAverageSec) << "," << (p.improved ? "yes" : "no") << "\n";
    }
}

}  // namespace

int RunLibrary(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LibraryArgs a;
    if (const int code = Parse(args, a, err); code != 0)
        return code;
    ProgramPlaces places;
    const bool needPlaces = a.action == "add" || a.db.empty();
    if (needPlaces)
        places = ReadProgramPlaces(err);
    const std::filesystem::path file =
        !a.db.empty() ? std::filesystem::path(a.db) : places.tree.programData / kLibraryFileName;
    if (file.empty() || file == kLibraryFileName) {
        err << "quorvane-cli: the program's data folder is not known; name a library with "
               "--db\n";
        return 1;
    }
    SessionLibrary library;
    const LibraryOpenResult opened = library.Open(file);
    if (!opened.message.empty())
        err << "quorvane-cli: " << opened.message << "\n";
    if (opened.state == LibraryOpenState::Failed)
        return 1;

    if (a.action == "add")
        return Add(library, a, places, out, err);
    if (a.action == "tracks") {
        PrintTracks(library, out);
        return 0;
    }
    const std::optional<LibraryTrack> track = library.FindTrack(a.operands.front());
    if (!track) {
        err << "quorvane-cli: no track " << a.operands.front() << " in " << file.string() << "\n";
        return 1;
    }
    if (a.action == "sessions")
        PrintSessions(library, *track, a.filter, out);
    else
        PrintBest(library, *track, out);
    return 0;
}

}  // namespace qv::cli
