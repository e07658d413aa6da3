#include "geometry/sci_file.h"

#include <algorithm>

#include "core/text_file.h"
#include "core/text_utils.h"

namespace qv {

void ParseSectLines(const std::vector<std::string>& lines, GateTable& gates) {
    GateTable read;
    std::vector<std::string> fields;
    for (const std::string& line : lines) {
        if (read.SectCount == MaxSectGate)
            break;
        fields.clear();
        SplitAtChar(fields, line, ',');
        if (fields.size() <= 3)
            continue;
        SectGate& gate = read.SectGates[static_cast<size_t>(read.SectCount)];
        gate.Ido1 = TextToFloat(fields[0]);
        gate.Kdo1 = TextToFloat(fields[1]);
        gate.Ido2 = TextToFloat(fields[2]);
        gate.Kdo2 = TextToFloat(fields[3]);
        gate.PassNo = fields.size() > 4 ? TextToIntDef(fields[4], 1) : 1;
        if (gate.PassNo < 1)
            gate.PassNo = 1;
        ++read.SectCount;
    }
    gates = read;
}

std::string FormatSectText(const GateTable& gates) {
    std::string text;
    const int count = gates.UsedCount();
    for (int k = 0; k < count; ++k) {
        const SectGate& gate = gates.SectGates[static_cast<size_t>(k)];
        text += FormatFixed6(gate.Ido1) + ',' + FormatFixed6(gate.Kdo1) + ',' +
                FormatFixed6(gate.Ido2) + ',' + FormatFixed6(gate.Kdo2) + ',' +
                std::to_string(gate.PassNo) + "\r\n";
    }
    return text;
}

SectReadResult ReadSectFile(const std::filesystem::path& path, GateTable& gates) {
    SectReadResult result;
    const TextFileRead file = ReadTextLines(path);
    if (!file.ok) {
        result.error = file.error;
        return result;
    }
    ParseSectLines(file.lines, gates);
    result.ok = true;
    return result;
}

WriteResult WriteSectFile(const std::filesystem::path& path, const GateTable& gates) {
    return WriteFileAtomically(path, FormatSectText(gates));
}

}  // namespace qv
