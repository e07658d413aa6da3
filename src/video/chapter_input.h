#pragma once
// Several chapter files opened as one input, their times running on from
// one file to the next (FFmpeg's concat demuxer).

#include <filesystem>
#include <vector>

struct AVFormatContext;

namespace qv {

// Opens `chapters` as one input into `*format` (which must be null); false,
// with nothing open, when a chapter cannot be read or has no duration.
bool OpenChapterInput(const std::vector<std::filesystem::path>& chapters, AVFormatContext** format);

}  // namespace qv
