#include "app/load_lap_data.h"

#include "app/analysis.h"
#include "exchange/motec_import.h"

namespace qv {
namespace {

CsvLapImporter MotecImporter(Session& session) {
    return [&session](const std::filesystem::path& path) {
        const MotecImportResult imported = LoadLapFileToGrigMotecCsv(session, path);
        LapFileAddResult added;
        added.added = imported.added;
        added.lapNo = imported.lapNo;
        added.error = imported.error;
        return added;
    };
}

}  // namespace

LoadLapsResult LoadLapDataClick(Session& session, Prompter& prompter) {
    LoadLapsResult result = SpeedButtonLoadClick(session, prompter, MotecImporter(session));
    RefreshLapList(session);
    return result;
}

LoadLapsResult LoadLapData(Session& session, const std::vector<std::string>& files) {
    LoadLapsResult result = LoadLapFiles(session, files, MotecImporter(session));
    RefreshLapList(session);
    return result;
}

}  // namespace qv
