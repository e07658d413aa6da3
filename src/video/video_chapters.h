#pragma once
// Action cameras split a long recording into chapter files of a few GB each:
// GX010123.MP4, GX020123.MP4, ... (two letters, the chapter, the recording
// number), or on older cameras GOPR0123.MP4 followed by GP010123.MP4,
// GP020123.MP4, ... Opening the first chapter plays them all as one video.

#include <filesystem>
#include <string>
#include <vector>

namespace qv {

// The chapters recorded with `first`, in order, `first` itself leading;
// just `first` unless it is the first chapter of a recording. Names are
// matched without regard to case, and the chapters stop at the first
// missing number. `namesInFolder` are the file names beside `first`.
std::vector<std::filesystem::path> ChapterFiles(const std::filesystem::path& first,
                                                const std::vector<std::string>& namesInFolder);

// The same, with the folder of `first` read; `first` alone when it cannot be.
std::vector<std::filesystem::path> ChapterFilesOnDisk(const std::filesystem::path& first);

}  // namespace qv
