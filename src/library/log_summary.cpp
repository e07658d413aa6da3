#include "library/log_summary.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <numeric>
#include <system_error>

#include "core/local_time.h"
#include "decode/file_kinds.h"
#include "dynamics/lap_list_summary.h"
#include "geometry/plane.h"
#include "geometry/sector_timing.h"
#include "laps/lap_file_io.h"
#include "laps/lap_session.h"
#include "laps/log_line.h"
#include "laps/open_log.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

constexpr TDateTime kUnixEpoch = 25569.0;  // 1970-01-01 as a TDateTime
// Half a millisecond: a lap that starts or ends on a fix rather than on a
// crossing of the line.
constexpr TDateTime kSameInstant = 0.0005 / 86400.0;

// No one to ask: messages are kept as the reason a log was refused.
class QuietPrompter : public Prompter {
  public:
    void Inform(const std::string& text, MessageIcon) override { last = text; }
    bool AskYesNo(const std::string&, MessageIcon) override { return false; }
    bool AskYesCancel(const std::string&, MessageIcon) override { return false; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::vector<std::string> ChooseOpenFiles(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return {}; }
    std::string last;
};

class NearestCircuit : public CircuitChooser {
  public:
    std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) override {
        return FirstCandidates(candidates);
    }
};

// True when the active fixes cross `line` at least twice: a kept line that
// the driving never passes would leave the log one single lap.
bool PassedTwice(const LogStore& log, const Line& line) {
    const Point2 a{line[0].lon, line[0].lat};
    const Point2 b{line[1].lon, line[1].lat};
    std::optional<Point2> previous;
    int crossings = 0;
    for (int i = 0; i < log.LogItemNum && crossings < 2; ++i) {
        const TLogItem& item = log.LogItems[static_cast<size_t>(i)];
        if (!item.Act)
            continue;
        const Point2 here{item.Kdo, item.Ido};
        Point2 at;
        if (previous && CrossPoint(a, b, *previous, here, at))
            ++crossings;
        previous = here;
    }
    return crossings >= 2;
}

// The log-block dialog closed with OK at once: the circuit near the log
// when there is one, else the line kept for the unnamed track there, else
// the log's own line or the one its driving suggests.
class LibraryDialog : public LogBlockDialogStep {
  public:
    LibraryDialog(CircuitIndex& index, Prompter& prompter) : index_(index), prompter_(prompter) {}

    bool Show(LapSession& session, const std::string&) override {
        circuit.clear();
        CircuitCandidates candidates;
        NearestCircuit chooser;
        const SelCircuitResult search =
            ReqSelCircuit(session, index_, candidates, prompter_, chooser, /*manual=*/false);
        if (search.outcome == SelCircuitOutcome::Done) {
            if (search.controlLineLoaded && !candidates.controlLines.empty())
                circuit = candidates.controlLines.front().Name;
            else if (search.trackMapLoaded && !candidates.trackMaps.empty())
                circuit = candidates.trackMaps.front().Name;
        }
        const std::optional<LinePoint> where = LogReferencePoint(session.log);
        if (circuit.empty() && where && knownLine) {
            const std::optional<Line> kept =
                knownLine(static_cast<double>(where->lat), static_cast<double>(where->lon));
            if (kept && PassedTwice(session.log, *kept)) {
                TakeLogLine(session.lines, *kept);
                return true;
            }
        }
        LogLineOffer offer(session.lines);
        offer.Offer(session, search.outcome, /*suggest=*/true);
        offer.Take();
        return true;
    }

    KnownLineLookup knownLine;
    std::string circuit;

  private:
    CircuitIndex& index_;
    Prompter& prompter_;
};

struct ActiveSpan {
    bool any = false;
    TDateTime first = 0;
    TDateTime last = 0;
};

ActiveSpan ActiveSpanOf(const LogStore& log) {
    ActiveSpan span;
    for (int i = 0; i < log.LogItemNum; ++i) {
        const TLogItem& item = log.LogItems[static_cast<size_t>(i)];
        if (!item.Act)
            continue;
        if (!span.any)
            span.first = item.DtTm;
        span.last = item.DtTm;
        span.any = true;
    }
    return span;
}

}  // namespace

SummaryFigures FiguresOf(const std::vector<LapSummary>& laps) {
    SummaryFigures figures;
    std::vector<double> times;
    std::vector<double> bestSectors;
    bool sectorsAgree = true;
    for (const LapSummary& lap : laps) {
        if (!lap.flying)
            continue;
        times.push_back(lap.lapSec);
        if (lap.sectorSec.empty() ||
            (!bestSectors.empty() && lap.sectorSec.size() != bestSectors.size())) {
            sectorsAgree = false;
            continue;
        }
        if (bestSectors.empty())
            bestSectors = lap.sectorSec;
        for (size_t k = 0; k < bestSectors.size(); ++k)
            bestSectors[k] = std::min(bestSectors[k], lap.sectorSec[k]);
    }
    if (times.empty())
        return figures;
    std::sort(times.begin(), times.end());
    figures.bestLapSec = times.front();
    const size_t five = std::min<size_t>(5, times.size());
    figures.bestFiveAverageSec =
        std::accumulate(times.begin(), times.begin() + static_cast<long>(five), 0.0) /
        static_cast<double>(five);
    const bool sectorsTimed =
        sectorsAgree && !bestSectors.empty() &&
        std::all_of(bestSectors.begin(), bestSectors.end(), [](double s) { return s > 0; });
    figures.idealLapSec = sectorsTimed
                              ? std::accumulate(bestSectors.begin(), bestSectors.end(), 0.0)
                              : *figures.bestLapSec;
    return figures;
}

struct LogSummarizer::State {
    State(const CircuitIndex* circuits, const Settings& s, TDateTime base)
        : session(base), dialog(index, prompter), settings(s) {
        if (circuits != nullptr)
            index = *circuits;
        std::string pattern = (fs::temp_directory_path() / "quorvane-library-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            scratch = pattern;
    }
    ~State() {
        std::error_code ec;
        if (!scratch.empty())
            fs::remove_all(scratch, ec);
    }

    void Reset() {
        session.laps = LapStore{};
        session.lines = LineState{};
        session.trackMap = TrackMapStore{};
        session.gates = GateTable{};
        session.openLogName.clear();
        session.settings = settings;
        session.folders = Folders{};
        session.folders.TempFolder = scratch;
    }

    LapSession session;
    CircuitIndex index;
    QuietPrompter prompter;
    LibraryDialog dialog;
    Settings settings;
    fs::path scratch;
};

LogSummarizer::LogSummarizer(const CircuitIndex* circuits, const Settings& settings,
                             TDateTime localTimeBase)
    : state_(std::make_unique<State>(circuits, settings, localTimeBase)) {}

LogSummarizer::~LogSummarizer() = default;

LogSummary LogSummarizer::Summarize(const fs::path& path, const KnownLineLookup& knownLine) {
    LogSummary summary;
    State& st = *state_;
    if (st.scratch.empty()) {
        summary.reason = "no folder for the temporary lap files";
        return summary;
    }
    const LogFileKind kind = LogFileKindOf(path);
    if (kind == LogFileKind::Unknown || kind == LogFileKind::Dtb) {
        summary.reason = "not a kind of log the library takes";
        return summary;
    }
    summary.loggerKind = std::string(LogFileKindName(kind));
    st.Reset();
    st.prompter.last.clear();
    st.dialog.knownLine = knownLine;
    const std::time_t now = std::time(nullptr);
    OpenLogContext context{
        st.session, st.prompter, st.dialog,
        [&] { return LoggerTimeToLocal(static_cast<double>(now), st.session.LocalTimeBase); }};
    const OpenLogOutcome outcome = OpenLogFile(context, path);
    LapSession& session = st.session;
    if (!outcome.load.proceed || !outcome.error.empty() || session.log.LogItemNum < 2) {
        summary.reason = !st.prompter.last.empty() ? st.prompter.last
                         : !outcome.load.exists    ? "no such file"
                         : !outcome.load.supported ? "this kind of log cannot be read yet"
                                                   : "no GPS fixes in it";
        return summary;
    }
    const ActiveSpan span = ActiveSpanOf(session.log);
    if (!span.any) {
        summary.reason = "no run of the log is plausible";
        return summary;
    }
    summary.startLocal = span.first;
    summary.startUtc = span.first - (session.LocalTimeBase - kUnixEpoch);
    if (const std::optional<LinePoint> where = LogReferencePoint(session.log)) {
        summary.hasPosition = true;
        summary.lat = static_cast<double>(where->lat);
        summary.lon = static_cast<double>(where->lon);
    }
    summary.circuit = st.dialog.circuit;
    const ExtractionMode mode = ChooseExtractionMode(session.lines);
    if (session.lines.controlLineSet)
        summary.line = session.lines.first;

    // As the lap list reports it, from the laps' files before they go.
    const LapListSummary listed = SummarizeLapList(session.laps, session.folders, session.gates);
    if (listed.achievable.found)
        summary.achievableLapSec = listed.achievable.seconds;

    const int gates = session.gates.UsedCount();
    int row = 0;
    for (const LapCandidate& c : outcome.candidates) {
        if (c.drop != LapDrop::None)
            continue;
        LapSummary lap;
        lap.startLocal = c.start;
        lap.lapSec = static_cast<double>(c.lapSec);
        lap.topSpeedKmh = static_cast<double>(c.topSpeed);
        lap.distKm = static_cast<double>(c.distKm);
        lap.uncertaintyMs = static_cast<double>(c.uncertaintyMs);
        const TDateTime end = c.start + static_cast<double>(c.lapSec) / 86400.0;
        lap.flying = mode == ExtractionMode::StartFinish ||
                     (mode == ExtractionMode::Circuit && c.start > span.first + kSameInstant &&
                      end < span.last - kSameInstant);
        const fs::path lapFile = TempLapFilePath(session.folders, row++);
        if (gates > 0) {
            const LapFileRead read = ReadLapFile(lapFile);
            if (read.isLapFile && !read.samples.empty()) {
                const ListSectors sectors = CalcListSectors(read.samples, session.gates);
                for (int k = 0; k <= gates; ++k)
                    lap.sectorSec.push_back(
                        static_cast<double>(sectors.ListSectTim[static_cast<size_t>(k)]));
            }
        }
        std::error_code ec;
        fs::remove(lapFile, ec);
        summary.laps.push_back(std::move(lap));
    }
    summary.ok = true;
    return summary;
}

}  // namespace qv
