#include "exchange/motec_import.h"

#include "core/text_file.h"
#include "core/text_utils.h"
#include "laps/lap_file_io.h"
#include "laps/lap_rows.h"

namespace qv {

MotecFallback MotecFallbackOf(const LapStore& laps) {
    MotecFallback fallback;
    if (laps.LapDt.empty() || laps.LapDt.front().Elm.empty())
        return fallback;
    const TLapElmRec& first = laps.LapDt.front().Elm.front();
    fallback.Ido = first.Ido;
    fallback.Kdo = first.Kdo;
    fallback.Elv = first.Elv;
    return fallback;
}

void FitMotecLapToSlotA(std::vector<TLapElmRec>& samples, const TLapDtRec& slotA) {
    if (samples.size() > 1 && slotA.Elm.size() > 1) {
        samples[1].Ido = slotA.Elm[1].Ido;
        samples[1].Kdo = slotA.Elm[1].Kdo;
    }
    if (samples.empty() || !(slotA.LapDist > 0))
        return;
    const Float80 ratio = Float80(samples.back().Dist) / slotA.LapDist;
    if (!(ratio > 0.9L && ratio < 1.1L))
        return;
    for (TLapElmRec& s : samples)
        s.Dist = Float80(s.Dist) / ratio;
}

MotecImportResult LoadLapFileToGrigMotecCsv(LapSession& session,
                                            const std::filesystem::path& path) {
    MotecImportResult result;
    const TextFileRead read = ReadTextLines(path, kMotecMaxFileSize);
    if (!read.ok) {
        result.refusal = MotecRefusal::NotReadable;
        return result;
    }
    LapStore& laps = session.laps;
    MotecLap lap = ParseMotecLap(read.lines, MotecFallbackOf(laps), session.settings.MinSatNum);
    if (lap.refusal != MotecRefusal::None) {
        result.refusal = lap.refusal;
        result.error = lap.error;
        return result;
    }
    if (!lap.hasPositions && !laps.LapDt.empty())
        FitMotecLapToSlotA(lap.samples, laps.LapDt.front());

    const WriteResult written =
        WriteLapFile(TempLapFilePath(session.folders, laps.LapNum()), lap.samples, false);
    if (!written.ok) {
        result.error = written.error;
        return result;
    }
    NewLapRow row;
    row.dataName = path.stem().string();
    row.start = lap.samples.front().DtTm;
    row.lapTime = lap.samples.back().DtTm - lap.samples.front().DtTm;
    row.topSpeed = lap.topSpeed;
    row.distKm = lap.samples.back().Dist;
    row.fileName = path.string();
    result.lapNo = AppendLapRow(laps, session.settings, row);
    ++laps.LapGroupNo;
    result.added = true;
    return result;
}

MotecImportResult SpeedButtonMotecClick(LapSession& session, Prompter& prompter,
                                        MotecDialogState& state) {
    FileDialogRequest request;
    request.title = kMotecDialogTitle;
    request.filter = kMotecFilter;
    request.initialFolder = state.folder.string();
    const std::optional<std::string> chosen = prompter.ChooseOpenFile(request);
    if (!chosen)
        return {};
    const std::filesystem::path path(*chosen);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return {};
    MotecImportResult result;
    if (UpperCase(path.extension().string()) == ".CSV") {
        result = LoadLapFileToGrigMotecCsv(session, path);
        if (!result.error.empty())
            prompter.Inform(result.error, MessageIcon::Error);
    }
    state.folder = path.parent_path();
    return result;
}

}  // namespace qv
