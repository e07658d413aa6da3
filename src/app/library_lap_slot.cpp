#include "app/library_lap_slot.h"

#include <cmath>
#include <memory>
#include <system_error>

#include "laps/lap_file.h"
#include "laps/lap_file_io.h"
#include "laps/log_line.h"
#include "laps/open_log.h"
#include "presentation/refresh_sequence.h"

namespace qv {
namespace fs = std::filesystem;
namespace {

// Two starts this close are one lap: stored and cut again from one log.
constexpr double kSameStartSec = 0.002;

// Nobody is asked while a past log is cut on the side.
class SilentPrompter : public Prompter {
  public:
    void Inform(const std::string&, MessageIcon) override {}
    bool AskYesNo(const std::string&, MessageIcon) override { return false; }
    bool AskYesCancel(const std::string&, MessageIcon) override { return false; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::vector<std::string> ChooseOpenFiles(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return {}; }
};

class FirstCircuit : public CircuitChooser {
  public:
    std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) override {
        return FirstCandidates(candidates);
    }
};

// The log-block dialog as the library's import answers it: the circuit
// nearest the log, else the log's own line or the one its driving suggests.
class SideDialog : public LogBlockDialogStep {
  public:
    SideDialog(CircuitIndex& index, Prompter& prompter) : index_(index), prompter_(prompter) {}

    bool Show(LapSession& session, const std::string&) override {
        CircuitCandidates candidates;
        FirstCircuit chooser;
        const SelCircuitResult search =
            ReqSelCircuit(session, index_, candidates, prompter_, chooser, /*manual=*/false);
        LogLineOffer offer(session.lines);
        offer.Offer(session, search.outcome, /*suggest=*/true);
        offer.Take();
        return true;
    }

  private:
    CircuitIndex& index_;
    Prompter& prompter_;
};

struct ScratchFolder {
    explicit ScratchFolder(fs::path p) : path(std::move(p)) {
        std::error_code ec;
        fs::remove_all(path, ec);
        ok = fs::create_directories(path, ec);
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
    bool ok = false;
};

}  // namespace

std::string MissingLogMessage(const std::string& path) {
    return "The log of this session is no longer at\n" + path +
           "\nIt stays in the library, marked missing.";
}

LibraryLapShown ShowLibraryLap(Session& session, const CircuitIndex& circuits,
                               const LibrarySession& from, const LibraryLap& lap, TDateTime now) {
    LibraryLapShown shown;
    if (session.laps.LapDtNum() >= LapStore::kMaxLapSlots) {
        shown.message = kMsgSlotsFull;
        return shown;
    }
    std::error_code ec;
    if (!fs::is_regular_file(from.path, ec)) {
        shown.logMissing = true;
        shown.message = MissingLogMessage(from.path);
        return shown;
    }
    ScratchFolder scratch(session.folders.TempFolder / "library-lap");
    if (!scratch.ok) {
        shown.message = "No room for the lap's temporary files in " + scratch.path.string();
        return shown;
    }
    // The stores are large; on the heap, once per lap shown.
    auto side = std::make_unique<LapSession>(session.LocalTimeBase);
    side->settings = session.settings;
    side->folders.TempFolder = scratch.path;
    CircuitIndex index = circuits;
    SilentPrompter quiet;
    SideDialog dialog(index, quiet);
    OpenLogContext context{*side, quiet, dialog, [now] { return now; }};
    const OpenLogOutcome outcome = OpenLogFile(context, from.path);

    int row = 0;
    const LapCandidate* found = nullptr;
    int foundRow = -1;
    for (const LapCandidate& c : outcome.candidates) {
        if (c.drop != LapDrop::None)
            continue;
        if (std::fabs(static_cast<double>(c.start - lap.startLocal)) * kSecondsPerDay <
            kSameStartSec) {
            found = &c;
            foundRow = row;
            break;
        }
        ++row;
    }
    if (found == nullptr) {
        shown.message = kMsgLapNotFound;
        return shown;
    }
    const LapFileRead read = ReadLapFile(TempLapFilePath(side->folders, foundRow));
    if (!read.isLapFile || read.samples.empty()) {
        shown.message = read.ioError.empty() ? kMsgLapNotFound : read.ioError;
        return shown;
    }
    const LapFileAddResult added =
        AddSamplesToLapList(session, from.path, read.samples, found->topSpeed, true);
    if (!added.added) {
        shown.message = added.error.empty() ? kMsgLapNotFound : added.error;
        return shown;
    }
    shown.row = session.laps.LapNum();
    RefreshLapList(session);
    shown.change = ShowLapInSlot(session, shown.row);
    if (shown.change.kind == SlotChange::Kind::Loaded)
        shown.steps = SlotChangeSteps(session.presentation, session.laps.LapDtNum(), true);
    shown.steps.push_back({StepKind::kRepaintLapList});
    return shown;
}

}  // namespace qv
