#include "laps/lap_save.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>

#include "core/save_path.h"
#include "laps/lap_file_io.h"
#include "laps/lap_rows.h"

namespace qv {
namespace {

constexpr const char* kLapDataFilter = "Quorvane Data files|*.dtb";

// Copies the row's temporary lap file; a missing, empty or damaged one
// gives nothing.
LapSaveResult CopyTempLapFile(const LapSession& session, const LapRow& row,
                              const std::filesystem::path& target) {
    LapSaveResult result;
    const LapFileRead read = ReadLapFile(TempLapFilePath(session.folders, row[1]));
    if (!read.ioError.empty()) {
        result.error = read.ioError;
        return result;
    }
    if (read.samples.empty())
        return result;
    const WriteResult written = WriteLapFile(target, read.samples);
    if (!written.ok) {
        result.error = written.error;
        return result;
    }
    result.filesWritten = 1;
    return result;
}

}  // namespace

std::string ProposedLapFileName(const LapRow& row) {
    std::string name = row[0] + "_" + row[1] + "_" + row[4];
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == ':' || c == '.' || c == '/'; }, '_');
    return name + ".dtb";
}

LapSaveResult SpeedButtonSvRunClick(LapSession& session, Prompter& prompter,
                                    const LapListSelection& selection) {
    const LapStore& laps = session.laps;
    const int index = selection.row - 1;
    if (!selection.listHasFocus || index < 0 || index >= static_cast<int>(laps.LapRows.size()))
        return {};
    const LapRow& row = laps.LapRows[static_cast<size_t>(index)];
    if (row[1].empty())
        return {};
    if (!session.diagnosticListVisible && IsCsvImportRow(row)) {
        prompter.Inform(kMsgCsvLapNotSaved, MessageIcon::Information);
        return {};
    }
    FileDialogRequest request;
    request.title = "Save lap data as...";
    request.filter = kLapDataFilter;
    request.proposedName = ProposedLapFileName(row);
    const std::optional<std::filesystem::path> target =
        ChooseSavePath(prompter, request, session.folders.lastLapDataFolder, ".dtb");
    if (!target)
        return {};
    return CopyTempLapFile(session, row, *target);
}

LapSaveResult SpeedButtonSvAllRunClick(LapSession& session, Prompter& prompter) {
    const LapStore& laps = session.laps;
    if (laps.LapRows.empty() || laps.LapRows.front()[1].empty())
        return {};
    if (std::any_of(laps.LapRows.begin(), laps.LapRows.end(), IsCsvImportRow)) {
        prompter.Inform(kMsgCsvLapsNotSavedAll, MessageIcon::Information);
        return {};
    }
    FileDialogRequest request;
    request.title = "Save all laps as...";
    request.filter = kLapDataFilter;
    request.initialFolder = session.folders.lastLapDataFolder.string();
    request.proposedName = laps.LapRows.front()[0];
    const std::optional<std::string> chosen = prompter.ChooseSaveFile(request);
    if (!chosen)
        return {};
    const std::filesystem::path folder = std::filesystem::path(*chosen).parent_path();
    session.folders.lastLapDataFolder = folder;
    LapSaveResult result;
    for (const LapRow& row : laps.LapRows) {
        if (row[1].empty())
            continue;
        const LapSaveResult one = CopyTempLapFile(session, row, folder / ProposedLapFileName(row));
        result.filesWritten += one.filesWritten;
        if (!one.error.empty()) {
            result.error = one.error;
            break;
        }
    }
    return result;
}

}  // namespace qv
