#include "laps/open_log.h"

#include "decode/file_kinds.h"
#include "laps/lap_extraction.h"
#include "laps/log_block_rules.h"

namespace qv {
namespace {

// Steps shared by opening and reopening: the dialog on the ticked runs,
// the extraction on OK, and a new lap group when laps were added.
void RunDialogAndExtract(OpenLogContext& context, OpenLogOutcome& outcome) {
    LapSession& session = context.session;
    const int lapNumBefore = session.laps.LapNum();
    ApplyBlockTicks(session.log);
    outcome.dialogShown = true;
    outcome.dialogOk = context.dialog.Show(session, session.openLogName);
    if (outcome.dialogOk) {
        const ExtractionResult extracted = ExtractLaps(session);
        outcome.lapsAdded = extracted.lapsAdded;
        outcome.candidates = extracted.candidates;
        if (!extracted.error.empty()) {
            outcome.error = extracted.error;
            context.prompter.Inform(extracted.error, MessageIcon::Error);
        }
    }
    if (session.laps.LapNum() != lapNumBefore)
        ++session.laps.LapGroupNo;
}

}  // namespace

OpenLogOutcome OpenLogFile(OpenLogContext& context, const std::filesystem::path& path) {
    LapSession& session = context.session;
    OpenLogOutcome outcome;
    LoadLogOptions options;
    options.diagnosticListVisible = session.diagnosticListVisible;
    outcome.path = path;
    outcome.load = LoadLogFile(session, path, options);
    const LoadLogResult& load = outcome.load;
    if (!load.ioError.empty()) {
        outcome.error = load.ioError;
        context.prompter.Inform(load.ioError, MessageIcon::Error);
        return outcome;
    }
    if (!load.message.empty())
        context.prompter.Inform(load.message, MessageIcon::Confirmation);
    if (load.sizeOk)
        session.folders.lastLogFolder = path.parent_path();
    if (!load.proceed)
        return outcome;
    session.openLogName = path.stem().string();
    if (session.log.LogItemNum < 2)
        return outcome;
    PreselectLogBlocks(session.log, context.now());
    RunDialogAndExtract(context, outcome);
    return outcome;
}

OpenLogOutcome SpeedButtonLdLogFileClick(OpenLogContext& context) {
    FileDialogRequest request;
    request.title = kOpenLogTitle;
    request.filter = OpenLogFilter();
    request.initialFolder = context.session.folders.lastLogFolder.string();
    const std::optional<std::string> chosen = context.prompter.ChooseOpenFile(request);
    if (!chosen)
        return {};
    return OpenLogFile(context, *chosen);
}

OpenLogOutcome SpeedButtonReLogClick(OpenLogContext& context) {
    OpenLogOutcome outcome;
    if (context.session.log.LogItemNum < 2) {
        context.prompter.Inform(kMsgNoTrace, MessageIcon::Information);
        return outcome;
    }
    RunDialogAndExtract(context, outcome);
    return outcome;
}

OpenLogOutcome OpenDownloadedLog(OpenLogContext& context) {
    OpenLogOutcome outcome;
    // The logger's flash names no start line; one kept from an opened file
    // belongs to that file.
    context.session.fileStartLine.reset();
    if (context.session.log.LogItemNum < 2)
        return outcome;
    PreselectLogBlocks(context.session.log, context.now());
    RunDialogAndExtract(context, outcome);
    return outcome;
}

}  // namespace qv
