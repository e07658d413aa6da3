#include "cli/laps_command.h"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "app/folders.h"
#include "app/startup.h"
#include "cli/cli_prompter.h"
#include "core/local_time.h"
#include "core/session.h"
#include "core/text_utils.h"
#include "exchange/list_csv.h"
#include "laps/circuit_index.h"
#include "laps/cln_file.h"
#include "laps/lap_list_columns.h"
#include "laps/log_block_rules.h"
#include "laps/open_log.h"

namespace qv::cli {

const char* const kLapsUsage =
    "usage: quorvane-cli laps FILE... [--cln F | --line LAT1,LON1,LAT2,LON2 |\n"
    "                                 --start LAT1,LON1,LAT2,LON2 --finish LAT1,LON1,LAT2,LON2]\n"
    "                                [--rally] [--blocks auto|all|LIST] [--min-lap-time S]\n"
    "                                [--min-lap-dist KM] [--min-sats N] [--auto-circuit]\n"
    "\n"
    "Opens each log in turn as the program does (laps accumulate and number on),\n"
    "cuts the laps at the control line, or between the start and finish lines,\n"
    "and prints the lap list as CSV. Without any line a log becomes one lap.\n"
    "\n"
    "  --blocks auto   the runs the program ticks by itself (default)\n"
    "  --blocks all    every run; LIST: run numbers from 1, as in `info`, e.g. 1,3\n"
    "  --auto-circuit  find the track map, control line and sector gates near the\n"
    "                  driving in the user folders, as the program does at start-up;\n"
    "                  the settings file then applies under the options given here\n"
    "  --diagnostics   open logs whose check value does not match\n"
    "\n"
    "Exit status: 0 when every file was opened, 1 when one was not, 2 for a\n"
    "usage error.\n";

namespace {

bool ParseNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// "LAT1,LON1,LAT2,LON2".
std::optional<Line> ParseLine(const std::string& text) {
    std::vector<std::string> parts;
    SplitAtChar(parts, text, ',');
    if (parts.size() != 4)
        return std::nullopt;
    double v[4];
    for (int k = 0; k < 4; ++k) {
        if (!ParseNumber(parts[static_cast<size_t>(k)], v[k]))
            return std::nullopt;
    }
    if (v[0] == v[2] && v[1] == v[3])
        return std::nullopt;  // a point crosses every step
    return Line{LinePoint{v[0], v[1]}, LinePoint{v[2], v[3]}};
}

struct LapsInvocation {
    std::vector<std::string> files;
    std::string clnFile;
    std::optional<Line> control, start, finish;
    bool rally = false;
    std::string blocks = "auto";
    std::vector<int> blockList;  // from 1
    std::optional<double> minLapTime, minLapDist;
    std::optional<int> minSats;
    bool autoCircuit = false;
    bool diagnostics = false;
};

bool ParseLaps(const std::vector<std::string>& args, LapsInvocation& inv, std::ostream& err) {
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        auto value = [&](std::string& into) {
            if (k + 1 >= args.size()) {
                err << "quorvane-cli: " << a << " needs a value\n";
                return false;
            }
            into = args[++k];
            return true;
        };
        std::string v;
        if (a == "--rally") {
            inv.rally = true;
        } else if (a == "--auto-circuit") {
            inv.autoCircuit = true;
        } else if (a == "--diagnostics") {
            inv.diagnostics = true;
        } else if (a == "--cln") {
            if (!value(inv.clnFile))
                return false;
        } else if (a == "--line" || a == "--start" || a == "--finish") {
            if (!value(v))
                return false;
            const std::optional<Line> line = ParseLine(v);
            if (!line) {
                err << "quorvane-cli: " << a
                    << " needs LAT1,LON1,LAT2,LON2 of two different points\n";
                return false;
            }
            (a == "--line" ? inv.control : a == "--start" ? inv.start : inv.finish) = line;
        } else if (a == "--blocks") {
            if (!value(inv.blocks))
                return false;
            if (inv.blocks != "auto" && inv.blocks != "all") {
                std::vector<std::string> parts;
                SplitAtChar(parts, inv.blocks, ',');
                for (const std::string& p : parts) {
                    double n = 0;
                    if (!ParseNumber(p, n) || n < 1 || n != static_cast<int>(n)) {
                        err << "quorvane-cli: --blocks takes auto, all or run numbers from 1\n";
                        return false;
                    }
                    inv.blockList.push_back(static_cast<int>(n));
                }
            }
        } else if (a == "--min-lap-time" || a == "--min-lap-dist" || a == "--min-sats") {
            double n = 0;
            if (!value(v) || !ParseNumber(v, n)) {
                err << "quorvane-cli: " << a << " needs a number\n";
                return false;
            }
            if (a == "--min-lap-time" && !(n >= 1 && n <= 99.9)) {
                err << "quorvane-cli: --min-lap-time must lie between 1 and 99.9 s\n";
                return false;
            }
            if (a == "--min-lap-dist" && !(n >= 0.001 && n <= 9.999)) {
                err << "quorvane-cli: --min-lap-dist must lie between 0.001 and 9.999 km\n";
                return false;
            }
            if (a == "--min-sats" && !(n >= 0 && n <= 99 && n == static_cast<int>(n))) {
                err << "quorvane-cli: --min-sats must be a whole number from 0 to 99\n";
                return false;
            }
            if (a == "--min-lap-time")
                inv.minLapTime = n;
            else if (a == "--min-lap-dist")
                inv.minLapDist = n;
            else
                inv.minSats = static_cast<int>(n);
        } else if (!a.empty() && a[0] == '-') {
            err << "quorvane-cli: unknown option " << a << "\n";
            return false;
        } else {
            inv.files.push_back(a);
        }
    }
    const int lineKinds = (!inv.clnFile.empty()) + inv.control.has_value() +
                          (inv.start.has_value() || inv.finish.has_value());
    if (lineKinds > 1) {
        err << "quorvane-cli: give one of --cln, --line, or --start with --finish\n";
        return false;
    }
    if (inv.start.has_value() != inv.finish.has_value()) {
        err << "quorvane-cli: --start and --finish go together\n";
        return false;
    }
    if (inv.files.empty()) {
        err << "quorvane-cli: laps needs at least one FILE\n";
        return false;
    }
    return true;
}

// The circuit dialog answered as the program preselects it: the nearest
// file of each kind.
class NearestCircuit : public CircuitChooser {
  public:
    std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) override {
        return FirstCandidates(candidates);
    }
};

// The log-block dialog closed with OK at once, after the runs of --blocks
// were ticked and, with --auto-circuit, the circuit selection ran.
class CommandLineDialog : public LogBlockDialogStep {
  public:
    CommandLineDialog(const LapsInvocation& inv, Prompter& prompter, CircuitIndex* index)
        : inv_(inv), prompter_(prompter), index_(index) {}

    bool Show(Session& session, const std::string&) override {
        if (inv_.blocks == "all") {
            SetAllBlocks(session.log, true);
        } else if (!inv_.blockList.empty()) {
            for (TLogBlock& block : session.log.LogBlocks)
                block.Act = false;
            for (int n : inv_.blockList) {
                if (n <= session.log.LogBlockNum())
                    session.log.LogBlocks[static_cast<size_t>(n - 1)].Act = true;
            }
            ApplyBlockTicks(session.log);
        }
        if (index_ != nullptr) {
            CircuitCandidates candidates;
            NearestCircuit chooser;
            ReqSelCircuit(session, *index_, candidates, prompter_, chooser, /*manual=*/false);
        }
        return true;
    }

  private:
    const LapsInvocation& inv_;
    Prompter& prompter_;
    CircuitIndex* index_;
};

TDateTime LocalNow(TDateTime localTimeBase) {
    return LoggerTimeToLocal(static_cast<double>(std::time(nullptr)), localTimeBase);
}

// A scratch folder for the temporary lap files of this run, removed at exit.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-laps-XXXXXX");
        if (char* made = mkdtemp(pattern.data()))
            path_ = made;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace

int RunLaps(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapsInvocation inv;
    if (!ParseLaps(args, inv, err)) {
        err << kLapsUsage;
        return 2;
    }
    auto session = std::make_unique<Session>(LocalTimeBaseFromBias(StandardTimeBiasMinutes()));
    CliPrompter prompter(err);
    const TDateTime now = LocalNow(session->LocalTimeBase);

    std::optional<CircuitIndex> index;
    if (inv.autoCircuit) {
        const FolderSources sources = FolderSourcesFromEnvironment(QUORVANE_INSTALLED_SHIPPED_DIR,
                                                                   QUORVANE_BUILD_TREE_SHIPPED_DIR);
        StartUp(sources, session->settings, session->folders, prompter);
        index = BuildCircuitIndexes(session->folders, session->LocalTimeBase, now);
    }
    ScratchFolder scratch;
    if (scratch.path().empty()) {
        err << "quorvane-cli: cannot create a folder for the temporary lap files\n";
        return 1;
    }
    session->folders.TempFolder = scratch.path();
    session->diagnosticListVisible = inv.diagnostics;
    Settings& settings = session->settings;
    if (inv.minLapTime)
        settings.MinLapTime = *inv.minLapTime;
    if (inv.minLapDist)
        settings.MinLapDist = *inv.minLapDist;
    if (inv.minSats)
        settings.MinSatNum = *inv.minSats;

    LineState& lines = session->lines;
    if (!inv.clnFile.empty()) {
        const ClnReadResult read = ReadClnFile(inv.clnFile, lines, ClnRally::FromFile);
        if (!read.ok || read.kind == ClnKind::None) {
            err << "quorvane-cli: " << inv.clnFile << ": "
                << (read.ok ? "no control line or start/finish lines in it" : read.error) << "\n";
            return 1;
        }
    } else if (inv.control) {
        lines.controlLineSet = true;
        lines.first = *inv.control;
    } else if (inv.start) {
        lines.startLineSet = lines.finishLineSet = true;
        lines.first = *inv.start;
        lines.finish = *inv.finish;
    }
    if (inv.rally)
        lines.Rally = true;

    CommandLineDialog dialog(inv, prompter, index ? &*index : nullptr);
    OpenLogContext context{*session, prompter, dialog, [now] { return now; }};
    bool allOpened = true;
    for (const std::string& file : inv.files) {
        const OpenLogOutcome outcome = OpenLogFile(context, file);
        if (!outcome.load.exists) {
            err << "quorvane-cli: " << file << ": no such file\n";
        } else if (outcome.load.kind == LogFileKind::Unknown) {
            err << "quorvane-cli: " << file << ": not a kind of log this program opens\n";
        }
        if (!outcome.load.proceed)
            allOpened = false;
        if (!outcome.error.empty())
            break;  // a lap file could not be written: the disk is not usable
    }
    out << ListCsvText(LapListHeader(settings), session->laps.LapRows);
    return allOpened ? 0 : 1;
}

}  // namespace qv::cli
