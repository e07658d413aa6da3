#include "laps/lap_list_commands.h"

#include "decode/file_kinds.h"
#include "laps/lap_file.h"
#include "laps/log_block_rules.h"
#include "laps/run_file_laps.h"

namespace qv {

LoadLapsResult LoadLapFiles(LapSession& session, const std::vector<std::string>& files,
                            const CsvLapImporter& importCsv) {
    LoadLapsResult result;
    if (!files.empty())
        session.folders.lastLapDataFolder = std::filesystem::path(files.front()).parent_path();
    for (const std::string& file : files) {
        const std::filesystem::path path(file);
        LapFileAddResult added;
        switch (LapListLoadOf(path)) {
            case LapListLoad::MotecCsv:
                if (!importCsv) {
                    result.csvImports.push_back(file);
                    continue;
                }
                added = importCsv(path);
                break;
            case LapListLoad::RunFile:
                added = LoadLapFileToGrigBon(session, path);
                break;
            case LapListLoad::RunFileZ:
                added = LoadLapFileToGrigBonZ(session, path);
                break;
            case LapListLoad::TextLapFile:
                added = LoadLapFileToGrig(session, path);
                break;
            case LapListLoad::Ignore:
                continue;
            case LapListLoad::LapDataFile:
                added = LoadLapFileToGrigBin(session, path);
                break;
        }
        if (added.added)
            ++result.rowsAdded;
        if (!added.error.empty() && result.error.empty())
            result.error = added.error;
    }
    return result;
}

LoadLapsResult SpeedButtonLoadClick(LapSession& session, Prompter& prompter,
                                    const CsvLapImporter& importCsv) {
    FileDialogRequest request;
    request.title = kLoadLapTitle;
    request.filter = LoadLapFilter();
    request.initialFolder = session.folders.lastLapDataFolder.string();
    const std::vector<std::string> files = prompter.ChooseOpenFiles(request);
    LoadLapsResult result = LoadLapFiles(session, files, importCsv);
    if (!result.error.empty())
        prompter.Inform(result.error, MessageIcon::Error);
    return result;
}

bool SpeedButtonEdiDataNameClick(LapStore& laps, int row, int column, bool listHasFocus,
                                 NameEditDialog& dialog) {
    if (!listHasFocus || column != 0 || row < 1 || row > laps.LapNum())
        return false;
    LapRow& cells = laps.LapRows[static_cast<size_t>(row - 1)];
    if (cells[1].empty())
        return false;
    const std::optional<std::string> edited =
        dialog.Edit(std::string(kEditDataNameCaption) + cells[1], cells[0]);
    // The dialog refuses such names already; a window that let one through
    // must still not put it into file names proposed later.
    if (!edited || FirstForbiddenNameChar(*edited) >= 0)
        return false;
    cells[0] = *edited;
    return true;
}

RemoveAllOutcome SpeedButtonClrDtClick(LapStore& laps, Prompter& prompter) {
    if (laps.LapNum() == 0 || laps.LapRows.front()[1].empty())
        return RemoveAllOutcome::Nothing;
    if (!prompter.AskYesCancel(kMsgRemoveAllLaps, MessageIcon::Confirmation))
        return RemoveAllOutcome::Nothing;
    laps.LapDt.clear();
    laps.LapList.clear();
    laps.LapRows.clear();
    laps.LapGroupNo = 0;
    return RemoveAllOutcome::Removed;
}

}  // namespace qv
