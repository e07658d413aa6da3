#pragma once
// `quorvane-cli video-sync`: ties a video to a lap from the motion of both,
// as "Auto sync" does in the window, and can write the tie as a .vsy file.

#include <iosfwd>
#include <string>
#include <vector>

namespace qv::cli {

extern const char* const kVideoSyncUsage;

// `args` are the arguments after the word "video-sync".
int RunVideoSync(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
