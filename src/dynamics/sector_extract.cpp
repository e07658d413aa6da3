#include "dynamics/sector_extract.h"

#include <algorithm>
#include <charconv>

#include "core/save_path.h"
#include "geometry/plane.h"
#include "laps/lap_file_io.h"
#include "laps/lap_rows.h"
#include "laps/lap_save.h"

namespace qv {
namespace {

// A record at time `t` (s since the lap start) between samples a and b.
TLapElmRec Between(const TLapElmRec& a, const TLapElmRec& b, Float80 t) {
    const Float80 x0 = a.Sec, x1 = b.Sec;
    TLapElmRec r = b;
    r.DtTm = a.DtTm + static_cast<double>((t - x0) / kSecondsPerDay);
    r.Tm = a.Tm + static_cast<double>((t - x0) / kSecondsPerDay);
    r.Sec = t;
    if (x1 == x0) {
        r.Ido = a.Ido;
        r.Kdo = a.Kdo;
        r.Spd = a.Spd;
        r.Dist = a.Dist;
        r.Dir = a.Dir;
        return r;
    }
    const Pair80 pos = InterpPair(t, x0, x1, a.Ido, a.Kdo, b.Ido, b.Kdo);
    r.Ido = pos.a;
    r.Kdo = pos.b;
    r.Spd = InterpVal(t, x0, x1, a.Spd, b.Spd);
    r.Dist = InterpVal(t, x0, x1, a.Dist, b.Dist);
    r.Dir = InterpDeg(t, x0, x1, a.Dir, b.Dir);
    return r;
}

}  // namespace

std::vector<TLapElmRec> SectorSamples(const TLapDtRec& lap, const SectRes& res, int k,
                                      int sectCount) {
    std::vector<TLapElmRec> out;
    const std::vector<TLapElmRec>& e = lap.Elm;
    const size_t n = e.size();
    if (n == 0 || k < 0 || k > sectCount || k >= kMaxSectors)
        return out;
    const bool last = k == sectCount;
    const Float80 end = last ? 0 : static_cast<Float80>(res.SectPassTim[static_cast<size_t>(k)]);

    if (k == 0) {
        for (size_t i = 0; i < n; ++i) {
            const Float80 sec = e[i].Sec;
            if (last || sec < end) {
                out.push_back(e[i]);
            } else if (sec == end) {
                out.push_back(e[i]);
                break;
            } else {
                if (i > 0)
                    out.push_back(Between(e[i - 1], e[i], end));
                break;
            }
        }
        return out;
    }

    const Float80 begin = res.SectPassTim[static_cast<size_t>(k - 1)];
    size_t i = 0;
    while (i < n && Float80(e[i].Sec) < begin)
        ++i;
    if (i == n)
        return out;
    Float80 d0 = 0;
    size_t next = i;
    if (Float80(e[i].Sec) == begin || i == 0) {
        TLapElmRec start = e[i];
        d0 = start.Dist;
        start.Tm = 0;
        start.Sec = 0;
        start.Dist = 0;
        out.push_back(start);
        next = i + 1;
    } else {
        TLapElmRec start = Between(e[i - 1], e[i], begin);
        d0 = start.Dist;
        start.Elv = e[i - 1].Elv;
        start.UseSat = e[i - 1].UseSat;
        start.Tm = 0;
        start.Sec = 0;
        start.Dist = 0;
        out.push_back(start);
    }
    const double beginDays = static_cast<double>(begin / kSecondsPerDay);
    for (size_t j = next; j < n; ++j) {
        const Float80 sec = e[j].Sec;
        TLapElmRec r = e[j];
        if (!last && sec > end) {
            if (j == 0)
                break;
            TLapElmRec closing = Between(e[j - 1], e[j], end);
            closing.Tm = static_cast<double>((end - begin) / kSecondsPerDay);
            closing.Sec = end - begin;
            closing.Dist = Float80(closing.Dist) - d0;
            out.push_back(closing);
            break;
        }
        r.Tm = e[j].Tm - beginDays;
        r.Sec = sec - begin;
        r.Dist = Float80(e[j].Dist) - d0;
        out.push_back(r);
        if (!last && sec == end)
            break;
    }
    return out;
}

SectorSaveResult ExtractSectorLap(LapSession& session, const std::array<SectRes, 4>& sectRes,
                                  const DetailTables& tables, DetailTableKind kind, int column,
                                  int row, Prompter& prompter) {
    SectorSaveResult result;
    LapStore& laps = session.laps;
    if (row < 1 || row > 4 || row > laps.LapDtNum() || column < 0)
        return result;
    const bool sectorTable = kind == DetailTableKind::Sector;
    if (column >= (sectorTable ? kSectTableCols : kDriftTableCols))
        return result;
    const std::string& text =
        sectorTable ? tables.sector[static_cast<size_t>(row)][static_cast<size_t>(column)]
                    : tables.drift[static_cast<size_t>(row)][static_cast<size_t>(column)];
    const int k = SectorOfColumn(kind, column);
    const SectRes& res = sectRes[static_cast<size_t>(row - 1)];
    if (text.empty() || k >= kMaxSectors || res.SectTim[static_cast<size_t>(k)] == 0)
        return result;
    const TLapDtRec& lap = laps.LapDt[static_cast<size_t>(row - 1)];

    int lapNo = -1;
    const std::string& name = lap.DtName;
    const auto [ptr, ec] = std::from_chars(name.data(), name.data() + name.size(), lapNo);
    if (ec != std::errc() || ptr != name.data() + name.size())
        lapNo = -1;
    if (lapNo >= 0 && lapNo < laps.LapNum() &&
        IsCsvImportRow(laps.LapRows[static_cast<size_t>(lapNo)])) {
        prompter.Inform(kMsgCsvLapNotSaved, MessageIcon::Information);
        return result;
    }

    FileDialogRequest request;
    request.title = kSaveSectorDataTitle;
    request.filter = "Quorvane Data files|*.dtb";
    request.proposedName = name + "_Sector" + std::to_string(k + 1) + ".dtb";
    const std::optional<std::filesystem::path> path =
        ChooseSavePath(prompter, request, session.folders.lastLapDataFolder, ".dtb");
    if (!path)
        return result;
    const std::vector<TLapElmRec> samples = SectorSamples(lap, res, k, session.gates.UsedCount());
    if (samples.empty())
        return result;
    const WriteResult written = WriteLapFile(*path, samples);
    result.saved = written.ok;
    result.error = written.error;
    if (!written.ok)
        prompter.Inform(written.error, MessageIcon::Error);
    return result;
}

}  // namespace qv
