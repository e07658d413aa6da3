#pragma once
// The identity of a log's content: SHA-256 in lower-case hex, so that a log
// copied or renamed is still known as the same log.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

std::string Sha256Hex(std::string_view bytes);

// The file's hash; nothing, with the platform's reason, when it cannot be read.
std::optional<std::string> FileSha256Hex(const std::filesystem::path& path, std::string& error);

}  // namespace qv
