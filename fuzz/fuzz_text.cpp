// The text utilities every file reader relies on, on arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> items;
    qv::SplitAtChar(items, text, ',');
    size_t separators = 0;
    for (char c : text)
        separators += c == ',';
    if (items.size() != separators + 1)
        __builtin_trap();
    for (const std::string& item : items) {
        (void)qv::TextToFloat(item);
        (void)qv::HexToInt(item);
    }
    return 0;
}
