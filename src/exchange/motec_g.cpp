#include "exchange/motec_g.h"

#include <algorithm>
#include <cmath>

#include "core/text_file.h"
#include "core/text_utils.h"
#include "exchange/motec_csv.h"
#include "exchange/motec_import.h"

namespace qv {

MotecGColumns FindMotecGColumns(const std::vector<std::string>& channelCells) {
    MotecGColumns columns;
    for (size_t k = 0; k < channelCells.size(); ++k) {
        const std::string& name = channelCells[k];
        if (name == "G Force Lat")
            columns.lateral = static_cast<int>(k);
        else if (name == "G Force Long")
            columns.longitudinal = static_cast<int>(k);
        else if (name == "Ground Speed")
            columns.longitudinalSign = -1;
        else if (name == "Vehicle Speed")
            columns.longitudinalSign = 1;
    }
    return columns;
}

bool ApplyMotecG(const std::vector<std::string>& lines, TLapDtRec& lap) {
    const std::optional<MotecLayout> layout = FindMotecLayout(lines);
    if (!layout)
        return false;
    const MotecGColumns columns = FindMotecGColumns(MotecCells(lines[layout->channelLine]));
    if (columns.lateral < 0 || columns.longitudinal < 0)
        return false;
    const size_t needed = static_cast<size_t>(std::max(columns.lateral, columns.longitudinal));
    const size_t count = std::min({static_cast<size_t>(std::max(lap.ElmNum, 0)), lap.GElm.size()});
    for (size_t k = 0; k < count && layout->dataStartLine + k < lines.size(); ++k) {
        const std::vector<std::string> cells = MotecCells(lines[layout->dataStartLine + k]);
        if (cells.size() <= needed)
            continue;
        TGCalRec& g = lap.GElm[k];
        g.lateG3 = TextToFloat(cells[static_cast<size_t>(columns.lateral)]);
        g.logiG3 = columns.longitudinalSign *
                   TextToFloat(cells[static_cast<size_t>(columns.longitudinal)]);
        g.XYG = std::fabs(g.lateG3) + std::fabs(g.logiG3);
    }
    return true;
}

bool LoadMotecGCsv(std::vector<TLapDtRec>& slots, int slot, const std::filesystem::path& file) {
    if (slot < 0 || static_cast<size_t>(slot) >= slots.size())
        return false;
    const TextFileRead read = ReadTextLines(file, kMotecMaxFileSize);
    if (!read.ok)
        return false;
    return ApplyMotecG(read.lines, slots[static_cast<size_t>(slot)]);
}

}  // namespace qv
