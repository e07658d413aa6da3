#include "decode/log_file_kind.h"

#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace qv {
namespace {
constexpr std::array<std::pair<LogFileKind, std::string_view>, 8> kKinds = {{
    {LogFileKind::Bin, "bin"},
    {LogFileKind::Binx, "binx"},
    {LogFileKind::Bnx4, "bnx4"},
    {LogFileKind::Dtb, "dtb"},
    {LogFileKind::Bon, "bon"},
    {LogFileKind::Bon4, "bon4"},
    {LogFileKind::Bonz, "bonz"},
    {LogFileKind::Bnz4, "bnz4"},
}};
}  // namespace

LogFileKind LogFileKindOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    if (ext.empty())
        return LogFileKind::Unknown;
    ext.erase(0, 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& [kind, name] : kKinds) {
        if (ext == name)
            return kind;
    }
    return LogFileKind::Unknown;
}

std::string_view LogFileKindName(LogFileKind kind) {
    for (const auto& [k, name] : kKinds) {
        if (k == kind)
            return name;
    }
    return "";
}

}  // namespace qv
