#include "exchange/lap_csv.h"

#include "core/date_time.h"
#include "core/display_format.h"
#include "core/save_path.h"
#include "dynamics/drift_angle.h"
#include "dynamics/g_forces.h"
#include "dynamics/smoothed_track.h"
#include "exchange/list_csv.h"
#include "laps/lap_file.h"
#include "laps/lap_file_io.h"
#include "laps/lap_list_columns.h"

namespace qv {
namespace {

constexpr const char* kCsvFilter = "CSV files|*.csv";

// The common steps of the CSV save dialogs: the dialog starts in the CSV
// folder, the chosen folder becomes it, and the extension becomes ".csv".
std::optional<std::filesystem::path> ChooseCsvFile(LapSession& session, Prompter& prompter,
                                                   const char* title, std::string proposedName) {
    FileDialogRequest request;
    request.title = title;
    request.filter = kCsvFilter;
    request.proposedName = std::move(proposedName);
    return ChooseSavePath(prompter, request, session.folders.csvFolder, ".csv");
}

bool RowHasLap(const LapSession& session, int row) {
    return row >= 1 && row <= session.laps.LapNum() &&
           !session.laps.LapRows[static_cast<size_t>(row - 1)][1].empty();
}

}  // namespace

std::optional<std::string> LapCsvText(std::vector<TLapElmRec> samples, bool driftShown) {
    const size_t n = samples.size();
    if (n < kLapCsvMinSamples)
        return std::nullopt;
    if (LapNeedsDirections(samples))
        RecomputeLapDirections(samples);

    std::vector<Float80> smLat(n), smLon(n), trHd(n);
    SmoothPositions(samples, smLat, smLon);
    TravelHeadings(samples, smLat, smLon, trHd);

    std::vector<TDriftRec> gps(n);
    CalcGpsDir(samples, gps);
    const std::vector<Float80> angles = RawDriftAngles(samples, gps);
    const bool driftColumn = driftShown && IsDriftRun(samples, angles);

    std::vector<TGCalRec> g(n);
    CalcGRecords(samples, smLat, smLon, trHd, g);

    std::string text = kLapCsvHeader;
    if (driftColumn)
        text += kLapCsvDriftColumn;
    text += "\r\n";
    for (size_t k = 0; k < n; ++k) {
        const TLapElmRec& s = samples[k];
        text += StrFormat("%.3f,", static_cast<double>(Float80(s.Sec)));
        text += FormatDateTime("hh:nn:ss.zzz", s.Tm, TimeKind::kDuration) + ",";
        text += StrFormat("%.6f,%.6f,", static_cast<double>(Float80(s.Ido)),
                          static_cast<double>(Float80(s.Kdo)));
        text += StrFormat("%.3f,%.2f,", static_cast<double>(Float80(s.Dist)),
                          static_cast<double>(Float80(s.Elv)));
        text += StrFormat("%.2f,", static_cast<double>(Float80(s.Spd)));
        if (k > 0 && k + 1 < n) {
            text += StrFormat("%.2f,%.3f,%.3f,%.3f", static_cast<double>(g[k].r2_3),
                              static_cast<double>(g[k].lateG3), static_cast<double>(g[k].logiG3),
                              static_cast<double>(g[k].XYG));
            if (driftColumn)
                text += StrFormat(",%.1f", static_cast<double>(angles[k]));
        } else {
            text += ",,";
            if (driftColumn)
                text += StrFormat(",,%.1f", static_cast<double>(angles[k]));
        }
        text += "\r\n";
    }
    return text;
}

CsvSaveResult SpeedButtonCsv2Click(LapSession& session, Prompter& prompter, int row,
                                   bool listHasFocus, bool driftShown) {
    if (!listHasFocus || !RowHasLap(session, row))
        return {};
    const LapRow& cells = session.laps.LapRows[static_cast<size_t>(row - 1)];
    const std::optional<std::filesystem::path> path = ChooseCsvFile(
        session, prompter, "Save lap data as CSV file", cells[0] + "_" + cells[1] + ".csv");
    if (!path)
        return {};
    const LapFileRead read = ReadLapFile(TempLapFilePath(session.folders, cells[1]));
    if (!read.ioError.empty()) {
        prompter.Inform(read.ioError, MessageIcon::Error);
        return {.written = false, .path = *path, .error = read.ioError};
    }
    const std::optional<std::string> text = LapCsvText(read.samples, driftShown);
    if (!text)
        return {};
    return WriteSavedFile(prompter, *path, *text);
}

CsvSaveResult SpeedButtonCsvClick(LapSession& session, Prompter& prompter, int row) {
    if (!RowHasLap(session, row))
        return {};
    const std::optional<std::filesystem::path> path =
        ChooseCsvFile(session, prompter, "Save list as CSV file", "");
    if (!path)
        return {};
    return WriteSavedFile(prompter, *path,
                          ListCsvText(LapListHeader(session.settings), session.laps.LapRows));
}

}  // namespace qv
