#pragma once
// Writing a file so that a crash or a full disk never leaves half a file in
// place of a good one: the bytes go to a temporary name beside the target,
// which is renamed over it only when everything was written.

#include <filesystem>
#include <string>
#include <string_view>

namespace qv {

struct WriteResult {
    bool ok = false;
    std::string error;  // the platform's message when not ok
};

// `durable` also flushes the bytes to the disk before the rename; scratch
// files that die with the session (temporary lap files) skip that cost.
WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                bool durable = true);

}  // namespace qv
