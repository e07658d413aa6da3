#include "cli/lap_options.h"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <ostream>
#include <utility>

#include "app/after_open_log.h"
#include "app/analysis.h"
#include "app/folders.h"
#include "app/startup.h"
#include "app/step_runner.h"
#include "core/date_time.h"
#include "core/display_format.h"
#include "core/local_time.h"
#include "core/text_utils.h"
#include "geometry/sci_file.h"
#include "laps/cln_file.h"
#include "laps/lap_list_commands.h"
#include "laps/log_block_rules.h"
#include "laps/log_line.h"
#include "laps/suggest_line.h"

namespace qv::cli {

const char* const kLapOptionsHelp =
    "  --cln F | --line LAT1,LON1,LAT2,LON2 | --start LAT1,LON1,LAT2,LON2 --finish "
    "LAT1,LON1,LAT2,LON2\n"
    "                  the control line, or the start and finish lines; without any\n"
    "                  line a log is cut at the start line its file names, if any,\n"
    "                  or becomes one lap\n"
    "  --rally         run starts rounded down to the whole minute\n"
    "  --blocks auto   the runs the program ticks by itself (default)\n"
    "  --blocks all    every run; LIST: run numbers from 1, as in `info`, e.g. 1,3\n"
    "  --min-lap-time S  --min-lap-dist KM  --min-sats N   the plausibility limits\n"
    "  --sci F         the sector gates of a .sci file\n"
    "  --auto-circuit  find the track map, control line and sector gates near the\n"
    "                  driving in the user folders, as the program does at start-up;\n"
    "                  the settings file then applies under the options given here\n"
    "  --suggest-line  when no line is given, found or named by the log file, lay\n"
    "                  a control line across the fastest straight that every lap\n"
    "                  passes; it is told on standard error and the laps are cut at it\n"
    "  --diagnostics   open logs whose check value does not match\n";

bool ParseNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool ParseCount(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

namespace {

// "LAT1,LON1,LAT2,LON2" of two different points.
std::optional<Line> ParseLine(const std::string& text) {
    std::vector<std::string> parts;
    SplitAtChar(parts, text, ',');
    if (parts.size() != 4)
        return std::nullopt;
    double v[4];
    for (size_t k = 0; k < 4; ++k) {
        if (!ParseNumber(parts[k], v[k]))
            return std::nullopt;
    }
    if (v[0] == v[2] && v[1] == v[3])
        return std::nullopt;  // a point would count as crossed on every step
    return Line{LinePoint{v[0], v[1]}, LinePoint{v[2], v[3]}};
}

struct Range {
    const char* option;
    double low, high;
    bool whole;
    const char* text;
};
constexpr Range kRanges[] = {
    {"--min-lap-time", 1, 99.9, false, "must lie between 1 and 99.9 s"},
    {"--min-lap-dist", 0.001, 9.999, false, "must lie between 0.001 and 9.999 km"},
    {"--min-sats", 0, 99, true, "must be a whole number from 0 to 99"},
};

}  // namespace

OptionParse ParseLapOption(const std::vector<std::string>& args, size_t& k, LapOptions& options,
                           std::ostream& err) {
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
        options.rally = true;
    } else if (a == "--auto-circuit") {
        options.autoCircuit = true;
    } else if (a == "--suggest-line") {
        options.suggestLine = true;
    } else if (a == "--diagnostics") {
        options.diagnostics = true;
    } else if (a == "--cln" || a == "--sci") {
        if (!value(a == "--cln" ? options.clnFile : options.sciFile))
            return OptionParse::Failed;
    } else if (a == "--line" || a == "--start" || a == "--finish") {
        if (!value(v))
            return OptionParse::Failed;
        const std::optional<Line> line = ParseLine(v);
        if (!line) {
            err << "quorvane-cli: " << a << " needs LAT1,LON1,LAT2,LON2 of two different points\n";
            return OptionParse::Failed;
        }
        (a == "--line" ? options.control : a == "--start" ? options.start : options.finish) = line;
    } else if (a == "--blocks") {
        if (!value(options.blocks))
            return OptionParse::Failed;
        if (options.blocks != "auto" && options.blocks != "all") {
            std::vector<std::string> parts;
            SplitAtChar(parts, options.blocks, ',');
            for (const std::string& p : parts) {
                double n = 0;
                if (!ParseNumber(p, n) || n < 1 || n > 1e6 || n != static_cast<int>(n)) {
                    err << "quorvane-cli: --blocks takes auto, all or run numbers from 1\n";
                    return OptionParse::Failed;
                }
                options.blockList.push_back(static_cast<int>(n));
            }
        }
    } else {
        for (const Range& range : kRanges) {
            if (a != range.option)
                continue;
            double n = 0;
            if (!value(v) || !ParseNumber(v, n)) {
                err << "quorvane-cli: " << a << " needs a number\n";
                return OptionParse::Failed;
            }
            if (!(n >= range.low && n <= range.high) || (range.whole && n != static_cast<int>(n))) {
                err << "quorvane-cli: " << a << " " << range.text << "\n";
                return OptionParse::Failed;
            }
            if (a == "--min-lap-time")
                options.minLapTime = n;
            else if (a == "--min-lap-dist")
                options.minLapDist = n;
            else
                options.minSats = static_cast<int>(n);
            return OptionParse::Taken;
        }
        return OptionParse::NotMine;
    }
    return OptionParse::Taken;
}

bool CheckLapOptions(const LapOptions& options, std::ostream& err) {
    const int lineKinds = (!options.clnFile.empty()) + options.control.has_value() +
                          (options.start.has_value() || options.finish.has_value());
    if (lineKinds > 1) {
        err << "quorvane-cli: give one of --cln, --line, or --start with --finish\n";
        return false;
    }
    if (options.suggestLine && lineKinds > 0) {
        err << "quorvane-cli: --suggest-line is for logs without a line; drop --cln, --line "
               "or --start/--finish\n";
        return false;
    }
    if (options.start.has_value() != options.finish.has_value()) {
        err << "quorvane-cli: --start and --finish go together\n";
        return false;
    }
    return true;
}

int ParseLapCommand(const std::vector<std::string>& args, LapOptions& options, std::ostream& err,
                    const OwnOptionParser& own, const OperandTaker& operand) {
    for (size_t k = 0; k < args.size(); ++k) {
        OptionParse option = ParseLapOption(args, k, options, err);
        if (option == OptionParse::NotMine && own)
            option = own(args, k);
        if (option == OptionParse::Failed)
            return 2;
        if (option == OptionParse::Taken)
            continue;
        const std::string& a = args[k];
        if (!a.empty() && a[0] == '-') {
            err << "quorvane-cli: unknown option " << a << "\n";
            return 2;
        }
        if (!operand(a))
            return 2;
    }
    return CheckLapOptions(options, err) ? 0 : 2;
}

// The circuit dialog answered as the program preselects it.
class NearestCircuit : public CircuitChooser {
  public:
    std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) override {
        return FirstCandidates(candidates);
    }
};

// The log-block dialog closed with OK at once, after the runs of --blocks
// were ticked and, with --auto-circuit, the circuit selection ran.
class CliSession::Dialog : public LogBlockDialogStep {
  public:
    Dialog(const LapOptions& options, Prompter& prompter, CircuitIndex* index, std::ostream& err)
        : options_(options), prompter_(prompter), index_(index), err_(err) {}

    bool Show(qv::LapSession& session, const std::string& logName) override {
        if (options_.blocks == "all") {
            SetAllBlocks(session.log, true);
        } else if (!options_.blockList.empty()) {
            for (TLogBlock& block : session.log.LogBlocks)
                block.Act = false;
            for (int n : options_.blockList) {
                if (n <= session.log.LogBlockNum())
                    session.log.LogBlocks[static_cast<size_t>(n - 1)].Act = true;
            }
            ApplyBlockTicks(session.log);
        }
        // Without an index nothing is near: the search finds what it would
        // on an empty user folder.
        SelCircuitOutcome search = SelCircuitOutcome::NotFound;
        if (index_ != nullptr) {
            CircuitCandidates candidates;
            NearestCircuit chooser;
            search = ReqSelCircuit(session, *index_, candidates, prompter_, chooser,
                                   /*manual=*/false)
                         .outcome;
        }
        // The log's own line, as the dialog offers it; the command takes
        // the suggestion at once, as --suggest-line asks.
        LogLineOffer offer(session.lines);
        offer.Offer(session, search, options_.suggestLine);
        if (offer.FromFile()) {
            err_ << "quorvane-cli: " << logName << ": control line from the log file "
                 << LineText(session.lines.first) << "\n";
        } else if (const std::optional<SuggestedLine> suggested = offer.Pending()) {
            offer.Take();
            err_ << "quorvane-cli: " << logName << ": suggested control line "
                 << LineText(suggested->line) << StrFormat(" (%d laps of about ", suggested->laps)
                 << FormatSeconds(static_cast<double>(suggested->lapSec))
                 << StrFormat(" crossing it at %.0f km/h)\n",
                              static_cast<double>(suggested->speedKmh));
        } else if (options_.suggestLine && ShouldSuggestLine(session.lines, search)) {
            err_ << "quorvane-cli: " << logName
                 << ": no control line to suggest: no straight is passed on two laps that "
                    "agree\n";
        }
        return true;
    }

  private:
    static std::string LineText(const Line& l) {
        return StrFormat("%.8f,%.8f,%.8f,%.8f", static_cast<double>(l[0].lat),
                         static_cast<double>(l[0].lon), static_cast<double>(l[1].lat),
                         static_cast<double>(l[1].lon));
    }

    const LapOptions& options_;
    Prompter& prompter_;
    CircuitIndex* index_;
    std::ostream& err_;
};

CliSession::CliSession(const LapOptions& options, std::ostream& err)
    : options_(options),
      err_(err),
      session_(std::make_unique<Session>(LocalTimeBaseFromBias(StandardTimeBiasMinutes()))),
      prompter_(err) {
    Session& s = *session_;
    now_ = LoggerTimeToLocal(static_cast<double>(std::time(nullptr)), s.LocalTimeBase);
    if (options.autoCircuit) {
        const FolderSources sources = FolderSourcesFromEnvironment(
            InstalledShippedDir(InstalledDataDir(QUORVANE_DATADIR_FROM_BINDIR)),
            QUORVANE_BUILD_TREE_SHIPPED_DIR);
        StartUp(sources, s.settings, s.folders, prompter_);
        index_ = BuildCircuitIndexes(s.folders, s.LocalTimeBase, now_);
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-laps-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        err << "quorvane-cli: cannot create a folder for the temporary lap files\n";
        return;
    }
    scratch_ = pattern;
    s.folders.TempFolder = scratch_;
    s.diagnosticListVisible = options.diagnostics;
    if (options.minLapTime)
        s.settings.MinLapTime = *options.minLapTime;
    if (options.minLapDist)
        s.settings.MinLapDist = *options.minLapDist;
    if (options.minSats)
        s.settings.MinSatNum = *options.minSats;

    LineState& lines = s.lines;
    if (!options.clnFile.empty()) {
        const ClnReadResult read = ReadClnFile(options.clnFile, lines, ClnRally::FromFile);
        if (!read.ok || read.kind == ClnKind::None) {
            err << "quorvane-cli: " << options.clnFile << ": "
                << (read.ok ? "no control line or start/finish lines in it" : read.error) << "\n";
            return;
        }
    } else if (options.control) {
        lines.controlLineSet = true;
        lines.first = *options.control;
    } else if (options.start) {
        lines.startLineSet = lines.finishLineSet = true;
        lines.first = *options.start;
        lines.finish = *options.finish;
    }
    if (options.rally)
        lines.Rally = true;
    if (!options.sciFile.empty()) {
        const SectReadResult read = ReadSectFile(options.sciFile, s.gates);
        if (!read.ok) {
            err << "quorvane-cli: " << options.sciFile << ": " << read.error << "\n";
            return;
        }
    }
    dialog_ = std::make_unique<Dialog>(options, prompter_, index_ ? &*index_ : nullptr, err);
    ready_ = true;
}

CliSession::~CliSession() {
    std::error_code ec;
    if (!scratch_.empty())
        std::filesystem::remove_all(scratch_, ec);
}

bool CliSession::OpenLog(const std::string& file) {
    const GateTable gatesBefore = session_->gates;
    OpenLogContext context{*session_, prompter_, *dialog_, [this] { return now_; }};
    OpenLogOutcome outcome = OpenLogFile(context, file);
    lastCandidates_ = std::move(outcome.candidates);
    if (!outcome.load.exists) {
        err_ << "quorvane-cli: " << file << ": no such file\n";
    } else if (outcome.load.kind == LogFileKind::Unknown) {
        err_ << "quorvane-cli: " << file << ": not a kind of log this program opens\n";
    }
    RunSteps(*session_, StepsAfterOpenLog(*session_, outcome, gatesBefore).steps, nullptr);
    return outcome.load.proceed && outcome.error.empty();
}

int CliSession::AddLapFile(const std::string& file) {
    const int before = session_->laps.LapNum();
    const LoadLapsResult added = LoadLapFiles(*session_, {file});
    if (!added.error.empty())
        err_ << "quorvane-cli: " << file << ": " << added.error << "\n";
    if (added.rowsAdded == 0) {
        if (!std::filesystem::exists(file))
            err_ << "quorvane-cli: " << file << ": no such file\n";
        else if (added.error.empty())
            err_ << "quorvane-cli: " << file << ": not a lap file\n";
        return -1;
    }
    RefreshLapList(*session_);
    return before + 1;
}

}  // namespace qv::cli
