#include "dynamics/sector_tables.h"

#include <algorithm>

#include "core/date_time.h"
#include "core/display_format.h"

namespace qv {
namespace {

std::string TimeText(Float80 seconds) {
    return FormatSeconds(static_cast<double>(seconds));
}

void FillSectorHeader(std::array<std::string, kSectTableCols>& row, int g) {
    row.fill("");
    row[0] = "-S1 Time";
    row[1] = "-S1 Length";
    row[2] = "-S1 AveSpeed";
    row[3] = "-S1 Top/Bot";
    row[4] = "S1 Split";
    for (int k = 1; k < g; ++k) {
        const size_t c = static_cast<size_t>(5 * k);
        row[c] = StrFormat("S%d-%d Time", k, k + 1);
        row[c + 1] = StrFormat("S%d-%d Length", k, k + 1);
        row[c + 2] = StrFormat("S%d-%d AveSpeed", k, k + 1);
        row[c + 3] = StrFormat("S%d-%d Top/Bot", k, k + 1);
        row[c + 4] = StrFormat("S%d Split", k + 1);
    }
    const size_t c = static_cast<size_t>(5 * g);
    for (size_t k = c; k < row.size(); ++k)
        row[k].clear();
    row[c] = StrFormat("S%d- Time", g);
    row[c + 1] = StrFormat("S%d- Length", g);
    row[c + 2] = StrFormat("S%d- AveSpeed", g);
    row[c + 3] = StrFormat("S%d- Top/Bot", g);
    row[c + 4] = "Lap Time";
}

void FillSectorSlotRow(std::array<std::string, kSectTableCols>& row, const SlotReadout& slot,
                       int g) {
    row.fill("");
    const SectRes& r = *slot.sectors;
    for (int k = 0; k <= g; ++k) {
        const size_t c = static_cast<size_t>(5 * k);
        const size_t j = static_cast<size_t>(k);
        row[c] = TimeText(r.SectTim[j]);
        row[c + 1] = StrFormat("%.3f", static_cast<double>(r.SectLen[j]));
        row[c + 2] = StrFormat("%.2f", static_cast<double>(r.SectAveSpd[j]));
        row[c + 3] = StrFormat("%.1f", static_cast<double>(Trunc1(r.SectMaxSpd[j]))) +
                     StrFormat(" / %.1f", static_cast<double>(Trunc1(r.SectMinSpd[j])));
        if (k < g)
            row[c + 4] = TimeText(r.SectPassTim[j]);
    }
    row[static_cast<size_t>(5 * g + 4)] = FormatLapTime(slot.lap->LapTim);
}

void FillBestOfRow(SectTable& table, const std::array<SlotReadout, 4>& slots, int g) {
    auto& row = table[5];
    row.fill("");
    Float80 total = 0;
    for (int k = 0; k <= g; ++k) {
        const size_t j = static_cast<size_t>(k);
        size_t winner = 0;
        Float80 best = slots[0].sectors->SectTim[j];
        for (size_t s = 1; s < slots.size(); ++s) {
            if (slots[s].lap != nullptr && slots[s].sectors->SectTim[j] < best) {
                best = slots[s].sectors->SectTim[j];
                winner = s;
            }
        }
        total += best;
        row[static_cast<size_t>(5 * k)] = TimeText(best);
        std::string& marked = table[winner + 1][static_cast<size_t>(5 * k)];
        marked = "*" + marked;
    }
    row[static_cast<size_t>(5 * g + 4)] = TimeText(total);
}

void FillDriftHeader(std::array<std::string, kDriftTableCols>& row, int g) {
    row.fill("");
    static const char* const kWords[] = {"HighDeg+/-", "Ave/Dev", "Vel(Action)", "Sco(Sum)"};
    for (int k = 0; k <= g; ++k) {
        const std::string prefix = k == 0  ? std::string("-S1 ")
                                   : k < g ? StrFormat("S%d-%d ", k, k + 1)
                                           : StrFormat("S%d- ", g);
        for (int w = 0; w < 4; ++w)
            row[static_cast<size_t>(4 * k + w)] = prefix + kWords[w];
    }
}

std::string OneDecimalOrDash(Float80 v, const char* format, const char* dash) {
    return v == 0 ? std::string(dash) : StrFormat(format, static_cast<double>(Trunc1(v)));
}

void FillDriftSlotRow(std::array<std::string, kDriftTableCols>& row, const SlotReadout& slot,
                      int g) {
    row.fill("");
    const SectRes& r = *slot.sectors;
    for (int k = 0; k <= g; ++k) {
        const size_t c = static_cast<size_t>(4 * k);
        const size_t j = static_cast<size_t>(k);
        row[c] = OneDecimalOrDash(r.SectDrMax[j], "%.1f", "-.-") +
                 OneDecimalOrDash(r.SectDrMin[j], " / %.1f", " / -.-");
        row[c + 1] = StrFormat("%.1f", static_cast<double>(Trunc1(r.SectDrAve[j]))) +
                     StrFormat(" / %.1f", static_cast<double>(Trunc1(r.SectDrDev[j])));
        switch (r.SectDrState[j]) {
            case kDrInit:
                row[c + 2] = StrFormat("%.1f (INIT)", static_cast<double>(r.SectDrRate[j]));
                break;
            case kDrMaint:
                row[c + 2] = "-.- (MAINT)";
                break;
            case kDrTrans:
                row[c + 2] = StrFormat("%.1f (TRANS)", static_cast<double>(r.SectDrRate[j]));
                break;
            default:
                row[c + 2] = "-.- (--)";
                break;
        }
        row[c + 3] =
            (r.SectDrScore[j] > 0 ? StrFormat("%.1f", static_cast<double>(r.SectDrScore[j]))
                                  : std::string("-.-")) +
            StrFormat(" (%.1f)", static_cast<double>(r.DrScoreSum));
    }
}

}  // namespace

DetailTables SetSectGrid(const std::array<SlotReadout, 4>& slots, int sectCount) {
    DetailTables tables;
    const int g = UsedGateCount(sectCount);
    if (g == 0)
        return tables;
    FillSectorHeader(tables.sector[0], g);
    FillDriftHeader(tables.drift[0], g);
    for (size_t s = 0; s < slots.size(); ++s) {
        if (slots[s].lap == nullptr || slots[s].sectors == nullptr)
            continue;
        FillSectorSlotRow(tables.sector[s + 1], slots[s], g);
        if (slots[s].lap->driftAct)
            FillDriftSlotRow(tables.drift[s + 1], slots[s], g);
    }
    if (slots[0].lap != nullptr && slots[0].sectors != nullptr && slots[1].lap != nullptr)
        FillBestOfRow(tables.sector, slots, g);
    return tables;
}

DetailCellStyle DetailCellStyleOf(DetailTableKind kind, int column, int row, int sectCount) {
    DetailCellStyle style;
    if (row == 0) {
        style.buttonFace = true;
        return style;
    }
    if (row >= 1 && row <= 4)
        style.font = kSlotColours[static_cast<size_t>(row - 1)];
    const int g = UsedGateCount(sectCount);
    if (g < 1)
        return style;
    const int perSector = kind == DetailTableKind::Sector ? 5 : 4;
    const int group = column / perSector;
    if (group % 2 == 1 && group <= g)
        style.background = kSectorTint;
    if (kind == DetailTableKind::Sector) {
        if (group == g && column % 5 == 4)
            style.background = kWhite;
        if ((g == 2 || g == 4) && column == 5 * g + 4)
            style.background = kSectorTint;
    }
    return style;
}

int SectorOfColumn(DetailTableKind kind, int column) {
    return column / (kind == DetailTableKind::Sector ? 5 : 4);
}

}  // namespace qv
