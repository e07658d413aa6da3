#include "app/load_lap_data.h"

#include "app/analysis.h"
#include "exchange/motec_import.h"

namespace qv {
namespace {

void ImportCsvFiles(Session& session, LoadLapsResult& result) {
    for (const std::string& file : result.csvImports) {
        const MotecImportResult imported = LoadLapFileToGrigMotecCsv(session, file);
        if (imported.added)
            ++result.rowsAdded;
        else if (result.error.empty())
            result.error = imported.error;
    }
    result.csvImports.clear();
    RefreshLapList(session);
}

}  // namespace

LoadLapsResult LoadLapDataClick(Session& session, Prompter& prompter) {
    LoadLapsResult result = SpeedButtonLoadClick(session, prompter);
    ImportCsvFiles(session, result);
    return result;
}

LoadLapsResult LoadLapData(Session& session, const std::vector<std::string>& files) {
    LoadLapsResult result = LoadLapFiles(session, files);
    ImportCsvFiles(session, result);
    return result;
}

}  // namespace qv
