#include "ui/data_commands.h"

#include "app/after_open_log.h"
#include "app/analysis.h"
#include "app/dropped_files.h"
#include "app/load_lap_data.h"
#include "app/opened_file.h"
#include "app/remove_all_laps.h"
#include "app/show_lap.h"
#include "app/step_runner.h"
#include "decode/file_kinds.h"
#include "decode/load_log.h"
#include "dynamics/sector_extract.h"
#include "exchange/clipboard_texts.h"
#include "exchange/lap_csv.h"
#include "laps/lap_file.h"
#include "laps/lap_list_commands.h"
#include "laps/lap_save.h"
#include "laps/run_file_laps.h"

namespace qv::ui {

DataCommands::DataCommands(Session& session, WindowServices& services, Hooks hooks)
    : session_(session), services_(services), hooks_(std::move(hooks)) {
    motecDialog_.folder = session_.folders.documentsRoot;
    nmeaDialog_.nmeaFolder = session_.folders.documentsRoot;
}

void DataCommands::Tell(const std::string& error) {
    if (!error.empty())
        services_.prompter.Inform(error, MessageIcon::Error);
}

OpenLogContext DataCommands::LogContext() {
    return OpenLogContext{session_, services_.prompter, services_.logDialog, services_.now};
}

void DataCommands::AfterLog(const OpenLogOutcome& outcome, const GateTable& gatesBefore) {
    // Opening has told the user of its error already.
    const AfterOpenLog after = StepsAfterOpenLog(session_, outcome, gatesBefore);
    if (hooks_.runSteps)
        hooks_.runSteps(after.steps);
    else
        RunSteps(session_, after.steps, nullptr);
    if (after.showDataPage && hooks_.showDataPage)
        hooks_.showDataPage();
    if (hooks_.lapListChanged)
        hooks_.lapListChanged();
    if (hooks_.logOpened)
        hooks_.logOpened(outcome);
}

void DataCommands::RunLoadLog(const std::function<OpenLogOutcome(OpenLogContext&)>& open) {
    if (hooks_.loadingLog)
        hooks_.loadingLog(true);
    const GateTable gatesBefore = session_.gates;
    OpenLogContext context = LogContext();
    const OpenLogOutcome outcome = open(context);
    if (hooks_.loadingLog)
        hooks_.loadingLog(false);
    AfterLog(outcome, gatesBefore);
}

void DataCommands::LoadLog() {
    RunLoadLog(SpeedButtonLdLogFileClick);
}

void DataCommands::OpenFile(const std::filesystem::path& file) {
    if (hooks_.showDataPage)
        hooks_.showDataPage();
    if (CommandForOpenedFile(file) == OpenedFileCommand::LoadLogData) {
        // The open dialog lets neither through; from outside they are told.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec))
            Tell(file.string() + "\nThe file does not exist.");
        else if (LogFileKindOf(file) == LogFileKind::Unknown)
            Tell(kMsgNotOurLogFormat);
        else
            RunLoadLog([&file](OpenLogContext& context) { return OpenLogFile(context, file); });
        return;
    }
    Tell(qv::LoadLapData(session_, {file.string()}).error);
    if (hooks_.lapListChanged)
        hooks_.lapListChanged();
}

void DataCommands::ReopenLog() {
    const GateTable gatesBefore = session_.gates;
    OpenLogContext context = LogContext();
    AfterLog(SpeedButtonReLogClick(context), gatesBefore);
}

void DataCommands::OpenDownloadedLog() {
    const GateTable gatesBefore = session_.gates;
    OpenLogContext context = LogContext();
    AfterLog(qv::OpenDownloadedLog(context), gatesBefore);
}

void DataCommands::LoadLapData() {
    LoadLapDataClick(session_, services_.prompter);
    if (hooks_.lapListChanged)
        hooks_.lapListChanged();
}

void DataCommands::SaveLap(const GridCursor& list) {
    Tell(SpeedButtonSvRunClick(session_, services_.prompter, {list.row, list.hasFocus}).error);
}

void DataCommands::SaveAllLaps() {
    Tell(SpeedButtonSvAllRunClick(session_, services_.prompter).error);
}

void DataCommands::SaveSector(DetailTableKind kind, const GridCursor& table) {
    if (!table.hasFocus)
        return;
    // The engine has shown a failed write already.
    ExtractSectorLap(session_, session_.sectRes, Tables(), kind, table.column, table.row,
                     services_.prompter);
}

void DataCommands::RemoveAll() {
    GateDialogs* gates = hooks_.gateDialogs ? hooks_.gateDialogs() : nullptr;
    const StepList steps = RemoveAllLapData(session_, services_.prompter, gates,
                                            hooks_.video ? hooks_.video() : VideoStatus{});
    if (steps.empty())
        return;
    if (hooks_.stopPlayback)
        hooks_.stopPlayback();
    if (hooks_.runSteps)
        hooks_.runSteps(steps);
}

void DataCommands::EditDataName(const GridCursor& list) {
    if (SpeedButtonEdiDataNameClick(session_.laps, list.row, list.column, list.hasFocus,
                                    services_.nameEdit) &&
        hooks_.lapListChanged)
        hooks_.lapListChanged();
}

void DataCommands::ShowLap(int row, bool fromGraphButton) {
    const ShownLap shown = ShowOrRemoveLap(session_, row, fromGraphButton,
                                           hooks_.video ? hooks_.video() : VideoStatus{});
    if (shown.change.kind == SlotChange::Kind::Removed && hooks_.stopPlayback)
        hooks_.stopPlayback();
    if (!shown.steps.empty() && hooks_.runSteps)
        hooks_.runSteps(shown.steps);
}

void DataCommands::SaveListCsv(const GridCursor& list) {
    SpeedButtonCsvClick(session_, services_.prompter, list.row);
}

void DataCommands::ExportLapCsv(const GridCursor& list) {
    const CsvSaveResult saved =
        SpeedButtonCsv2Click(session_, services_.prompter, list.row, list.hasFocus,
                             session_.presentation.showDriftAngle);
    if (saved.written && services_.openDocument)
        services_.openDocument(saved.path);
}

bool DataCommands::ImportMotec() {
    // The engine has shown its message already.
    const MotecImportResult imported =
        SpeedButtonMotecClick(session_, services_.prompter, motecDialog_);
    if (imported.added && hooks_.lapListChanged)
        hooks_.lapListChanged();
    return imported.added;
}

void DataCommands::ExportNmea(const GridCursor& list) {
    SpeedButtonNMEAClick(session_, services_.prompter, nmeaDialog_, list.row, list.hasFocus);
}

void DataCommands::RecalculateColumns() {
    RefreshLapList(session_);
    if (hooks_.lapListChanged)
        hooks_.lapListChanged();
}

std::string DataCommands::AllLapDataText() const {
    return AllLapDataClipboardText(session_.listHeader, session_.laps.LapRows);
}

std::string DataCommands::SelLapDataText() const {
    return SelLapDataClipboardText(session_.listHeader, session_.laps.LapRows, SlotNames(session_));
}

std::string DataCommands::SectDataText() const {
    return SectDataClipboardText(Tables().sector);
}

std::string DataCommands::DriftDataText() const {
    return DriftDataClipboardText(Tables().drift);
}

bool DataCommands::DropFiles(const std::vector<std::filesystem::path>& files, bool dataPageShown) {
    auto added = [this](const LapFileAddResult& result) {
        Tell(result.error);
        return result.added;
    };
    DroppedFileLoaders loaders;
    loaders.lapDataFile = [&](const std::filesystem::path& p) {
        return added(LoadLapFileToGrigBin(session_, p));
    };
    loaders.runFile = [&](const std::filesystem::path& p) {
        return added(LoadLapFileToGrigBon(session_, p));
    };
    loaders.log = [&](const std::filesystem::path& p) {
        if (hooks_.loadingLog)
            hooks_.loadingLog(true);
        const GateTable gatesBefore = session_.gates;
        OpenLogContext context = LogContext();
        const OpenLogOutcome outcome = OpenLogFile(context, p);
        if (hooks_.loadingLog)
            hooks_.loadingLog(false);
        AfterLog(outcome, gatesBefore);
        return outcome.lapsAdded > 0;
    };
    if (!DispatchDroppedFiles(files, dataPageShown, loaders))
        return false;
    RefreshLapList(session_);
    if (hooks_.lapListChanged)
        hooks_.lapListChanged();
    return true;
}

DetailTables DataCommands::Tables() const {
    return SetSectGrid(SlotReadouts(session_), session_.gates.UsedCount());
}

}  // namespace qv::ui
