#pragma once
// A file handed to the window from outside (a double click in the file
// manager, "Open with", the command line): the command that opens it.

#include <filesystem>

namespace qv {

enum class OpenedFileCommand {
    LoadLogData,  // also every kind the program does not know, which it then names
    LoadLapData,
};

// A kind that "Load lap data" takes (lap data and run files, text laps,
// MoTeC CSV) opens as a lap-list row, as a drop does; the logger's logs and
// anything else go through "Load log data".
OpenedFileCommand CommandForOpenedFile(const std::filesystem::path& file);

}  // namespace qv
