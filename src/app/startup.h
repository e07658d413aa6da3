#pragma once
// What the program does on disk when it starts and when it ends: the folder
// tree, the version marker and the copies of the shipped folders, the
// settings file, and the removal of the temporary lap files.

#include <filesystem>
#include <string>
#include <string_view>

#include "app/folders.h"
#include "app/settings_file.h"
#include "core/atomic_file.h"
#include "core/prompter.h"
#include "core/settings.h"
#include "core/stores.h"

namespace qv {

inline constexpr const char* kVersionText = "Ver 4.7.0e";
inline constexpr const char* kVersionMarkerName = "quorvver.txt";
inline constexpr const char* kMsgTempFolderNotWritable =
    "Laps cannot be kept: the temporary folder cannot be written.";

// True when the marker file exists and its first line is the version text.
bool VersionMarkerIsCurrent(const std::filesystem::path& marker);
WriteResult WriteVersionMarker(const std::filesystem::path& marker);

// For each of the five folders: a user copy that does not exist is created
// and filled from the shipped folder; an existing one is filled again on the
// first start of a new version. Silent; files of other names stay.
CopyCounts CopyShippedFolders(const FolderTree& tree, bool firstStartOfVersion);

struct StartupResult {
    FolderTree tree;
    bool foldersReady = false;  // the three folders of the tree exist
    bool firstStartOfVersion = false;
    CopyCounts shippedCopies;
    SettingsLoad settings;
};

// The start-up work on disk, in order: the folder tree (TempFolder and the
// user folder created), the version marker and the shipped copies, the
// folder memories, the move of a settings file from the user folder, and the
// settings. A folder that cannot be created or a settings file that cannot
// be moved is told through `prompter` with the platform's message; start-up
// goes on with what there is. So are a temporary folder that cannot be
// written (no lap could be cut) and a settings file that cannot be read or
// written, unless its folder was the one that could not be made.
StartupResult StartUp(const FolderSources& sources, Settings& settings, Folders& folders,
                      Prompter& prompter);

// The message for a settings file that could not be read (the defaults are
// used) or written: what happened, then the file and the platform's message.
std::string SettingsProblemText(const std::filesystem::path& iniPath, bool reading,
                                const std::string& error);

// "temp????.dtb" without regard to case, and also "temp" with more than four
// digits, which is what the lap numbers from 10000 on produce.
bool IsTempLapFileName(std::string_view name);

// Deletes the temporary lap files of `tempFolder`, silently; returns how
// many went. Subfolders and other files stay.
int DeleteTempLapFiles(const std::filesystem::path& tempFolder);

struct ShutdownResult {
    WriteResult settingsWritten;
    int tempFilesDeleted = 0;
};

// Writes the settings file and deletes the temporary lap files.
ShutdownResult ShutDown(const FolderTree& tree, const Settings& settings);

}  // namespace qv
