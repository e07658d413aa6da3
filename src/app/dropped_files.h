#pragma once
// Files dropped onto the main window: which load each one leads to. The
// loads themselves are the lap-file and run-file commands.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "decode/file_kinds.h"

namespace qv {

// Only while the "Data" page is shown does a drop load anything; the
// extension, compared without regard to case, picks the row of the table of
// file kinds whose drop rule applies.
DroppedFileAction ClassifyDroppedFile(const std::filesystem::path& file, bool dataPageShown);

// The extension as the drop rules see it: the file name from its last '.',
// so ".dtb" alone is an extension too. Empty when the name has no '.'.
std::string DroppedFileExtension(const std::filesystem::path& file);

// Each returns true when it loaded the file; a missing one loads nothing.
struct DroppedFileLoaders {
    std::function<bool(const std::filesystem::path&)> lapDataFile;
    std::function<bool(const std::filesystem::path&)> runFile;
    std::function<bool(const std::filesystem::path&)> bondRunFile;
    std::function<bool(const std::filesystem::path&)> log;  // another logger's log
};

// Runs the load of every file in order. True when at least one file was
// loaded: the caller then recomputes the sector times and drift angles and
// repaints the lap grid.
bool DispatchDroppedFiles(const std::vector<std::filesystem::path>& files, bool dataPageShown,
                          const DroppedFileLoaders& loaders);

}  // namespace qv
