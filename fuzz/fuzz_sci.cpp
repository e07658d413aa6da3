// Sector file text: read as a .sci file, then written and read again,
// which must give the same gates.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_file.h"
#include "geometry/sci_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<char> input(data, data + size);
    const std::string_view text(input.data(), input.size());

    qv::GateTable gates;
    qv::ParseSectLines(qv::SplitTextLines(text), gates);
    if (gates.SectCount < 0 || gates.SectCount > qv::MaxSectGate)
        __builtin_trap();
    for (int k = 0; k < gates.SectCount; ++k) {
        const qv::SectGate& g = gates.SectGates[static_cast<size_t>(k)];
        if (g.PassNo < 1 || !std::isfinite(g.Ido1) || !std::isfinite(g.Kdo1) ||
            !std::isfinite(g.Ido2) || !std::isfinite(g.Kdo2)) {
            __builtin_trap();
        }
    }

    const std::string written = qv::FormatSectText(gates);
    qv::GateTable again;
    qv::ParseSectLines(qv::SplitTextLines(written), again);
    if (again.SectCount != gates.SectCount || qv::FormatSectText(again) != written)
        __builtin_trap();
    for (int k = 0; k < gates.SectCount; ++k) {
        if (again.SectGates[static_cast<size_t>(k)].PassNo !=
            gates.SectGates[static_cast<size_t>(k)].PassNo) {
            __builtin_trap();
        }
    }
    return 0;
}
