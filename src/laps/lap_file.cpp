#include "laps/lap_file.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "geometry/headings.h"
#include "geometry/plane.h"
#include "laps/csvv_file.h"
#include "laps/lap_file_io.h"
#include "laps/lap_rows.h"

namespace qv {

LapFileAddResult AddSamplesToLapList(LapSession& session, const std::filesystem::path& path,
                                     const std::vector<TLapElmRec>& samples, Float80 topSpeed,
                                     bool namesSourceFile) {
    LapFileAddResult result;
    if (samples.empty())
        return result;
    LapStore& laps = session.laps;
    // The temporary file dies with the session; it need not reach the disk.
    const WriteResult written =
        WriteLapFile(TempLapFilePath(session.folders, laps.LapNum()), samples, false);
    if (!written.ok) {
        result.error = written.error;
        return result;
    }
    const std::string name = path.stem().string();
    NewLapRow row;
    row.dataName = name;
    row.start = samples.front().DtTm;
    row.lapTime = samples.back().DtTm - samples.front().DtTm;
    row.topSpeed = topSpeed;
    row.distKm = samples.back().Dist;
    if (namesSourceFile)
        row.fileName = name;
    result.lapNo = AppendLapRow(laps, session.settings, row);
    ++laps.LapGroupNo;
    result.added = true;
    return result;
}

LapFileAddResult LoadLapFileToGrigBin(LapSession& session, const std::filesystem::path& path) {
    const LapFileRead read = ReadLapFile(path);
    if (!read.ioError.empty())
        return {.error = read.ioError};
    Float80 topSpeed = 0;
    for (const TLapElmRec& sample : read.samples)
        topSpeed = std::max(topSpeed, Float80(sample.Spd));
    return AddSamplesToLapList(session, path, read.samples, topSpeed, true);
}

LapFileAddResult LoadLapFileToGrig(LapSession& session, const std::filesystem::path& path) {
    const CsvvFileRead read = ReadCsvvFile(path, session.settings.MinSatNum);
    if (!read.ok)
        return {.error = read.error};
    return AddSamplesToLapList(session, path, read.lap.samples, read.lap.topSpeed, false);
}

bool LapNeedsDirections(std::span<const TLapElmRec> samples) {
    if (samples.empty())
        return false;
    const Float80 dir = samples.front().Dir;
    return dir == 0 || dir == 180 || dir == 360;
}

void RecomputeLapDirections(std::span<TLapElmRec> samples) {
    WalkTravelHeadings(
        samples.size(), [&](size_t j) { return Float80(samples[j].Ido); },
        [&](size_t j) { return Float80(samples[j].Kdo); },
        [&](size_t j) { return Float80(samples[j].Spd); },
        [&](size_t j) -> Ext80& { return samples[j].Dir; });
}

TLapDtRec MakeLapDt(std::string dtName, std::vector<TLapElmRec> samples) {
    TLapDtRec lap;
    lap.DtName = std::move(dtName);
    lap.Elm = std::move(samples);
    lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
    lap.GElm.resize(lap.Elm.size());
    lap.DElm.resize(lap.Elm.size());
    // One field a pass with its two extremes in locals: eight running
    // extremes do not fit the x87 registers and went through memory on
    // every sample.
    const auto extremes = [&lap](Ext80 TLapElmRec::*field, Float80& lo, Float80& hi) {
        Float80 low = lo, high = hi;
        for (const TLapElmRec& sample : lap.Elm) {
            const Float80 v = sample.*field;
            if (v < low)
                low = v;
            if (v > high)
                high = v;
        }
        lo = low;
        hi = high;
    };
    extremes(&TLapElmRec::Spd, lap.MinSpd, lap.MaxSpd);
    extremes(&TLapElmRec::Ido, lap.IdoMin, lap.IdoMax);
    extremes(&TLapElmRec::Kdo, lap.KdoMin, lap.KdoMax);
    extremes(&TLapElmRec::Elv, lap.ElvLo, lap.ElvHi);
    lap.dirFromTrack = LapNeedsDirections(lap.Elm);
    if (lap.dirFromTrack)
        RecomputeLapDirections(lap.Elm);
    if (!lap.Elm.empty()) {
        lap.LapTim = lap.Elm.back().Tm;
        lap.LapDist = lap.Elm.back().Dist;
    }
    const Float80 hours = Float80(lap.LapTim) * 24;
    lap.AveSpd = hours > 0 ? lap.LapDist / hours : 0;
    return lap;
}

std::string LapDtNameOf(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    return name.size() == 12 ? name.substr(4, 4) : std::string();
}

LapSlotLoadResult LoadLapFileBin(LapSession& session, const std::filesystem::path& path) {
    LapSlotLoadResult result;
    LapStore& laps = session.laps;
    if (laps.LapDtNum() >= LapStore::kMaxLapSlots)
        return result;
    LapFileRead read = ReadLapFile(path);
    if (!read.ioError.empty()) {
        result.error = read.ioError;
        return result;
    }
    if (read.samples.empty())
        return result;
    result.slot = laps.LapDtNum();
    laps.LapDt.push_back(MakeLapDt(LapDtNameOf(path), std::move(read.samples)));
    // Drift angles, G, display ranges, sector timing and alignment follow
    // in ShowLapInSlot (app/analysis), which the lap list calls.
    result.loaded = true;
    return result;
}

}  // namespace qv
