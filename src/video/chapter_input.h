#pragma once
// Several chapter files opened as one input, their times running on from
// one file to the next (FFmpeg's concat demuxer).

#include <filesystem>
#include <vector>

struct AVFormatContext;

namespace qv {

// Opens `chapters` as one input into `*format` (which must be null), as far
// as they can be read; the first alone when the second cannot be. False,
// with nothing open, when the first cannot be opened.
bool OpenChapterInput(const std::vector<std::filesystem::path>& chapters, AVFormatContext** format);

}  // namespace qv
