#pragma once
// The program's folders on disk:
//   program data folder  settings file, version marker, temp/ (lap scratch files)
//   documents root       the user's documents folder, first folder of the file dialogs
//   user folder          documents root/Quorvane with Raw, Sector, ControlLine, Circuit, Data
//   shipped root         the installed copies of those five folders
//
// Where they are comes from the environment (FolderSourcesFromEnvironment);
// the rules that turn that into paths (ResolveFolderTree) take the values as
// arguments so that tests never touch the real home folder.

#include <array>
#include <filesystem>
#include <string>

#include "core/stores.h"

namespace qv {

inline constexpr const char* kProgramFolderName = "Quorvane";
inline constexpr const char* kTempFolderName = "temp";

// The five folders the user folder holds and the program ships.
enum class UserSubfolder { Raw, Sector, ControlLine, Circuit, Data };
inline constexpr std::array<UserSubfolder, 5> kUserSubfolders = {
    UserSubfolder::Raw, UserSubfolder::Sector, UserSubfolder::ControlLine, UserSubfolder::Circuit,
    UserSubfolder::Data};
// "Raw", "Sector", "ControlLine", "Circuit", "Data".
const char* SubfolderName(UserSubfolder folder);

// What the environment says, unprocessed. Empty text means "not set".
struct FolderSources {
    std::string home;                        // HOME, else the password database
    std::string xdgDataHome;                 // XDG_DATA_HOME
    std::string dataDirOverride;             // QUORVANE_DATA_DIR: the program data folder itself
    std::string documentsOverride;           // QUORVANE_DOCUMENTS_DIR: the documents root itself
    std::string xdgDocuments;                // what `xdg-user-dir DOCUMENTS` printed
    std::string shippedOverride;             // QUORVANE_SHIPPED_DIR
    std::filesystem::path installedShipped;  // <prefix>/share/quorvane/shipped
    std::filesystem::path buildTreeShipped;  // the source tree's data/shipped
};

// Reads the environment. `xdg-user-dir` is run only when
// QUORVANE_DOCUMENTS_DIR is not set. The two shipped paths are the caller's:
// the install prefix and the build tree are known at build time.
FolderSources FolderSourcesFromEnvironment(const std::filesystem::path& installedShipped,
                                           const std::filesystem::path& buildTreeShipped);

// The installed data folder (<prefix>/share) of the running program: `fromBinDir`
// taken from the folder of its executable, so that an installed tree works
// under any prefix and wherever a package was unpacked. Empty when the
// executable's path is not known.
std::filesystem::path InstalledDataDir(const std::filesystem::path& fromBinDir);
// The shipped folders within it.
std::filesystem::path InstalledShippedDir(const std::filesystem::path& installedDataDir);

struct FolderTree {
    std::filesystem::path programData;
    std::filesystem::path TempFolder;  // programData/temp
    std::filesystem::path documentsRoot;
    std::filesystem::path userFolder;   // documentsRoot/Quorvane
    std::filesystem::path shippedRoot;  // may not exist: then nothing is copied

    std::filesystem::path User(UserSubfolder folder) const {
        return userFolder / SubfolderName(folder);
    }
    std::filesystem::path Shipped(UserSubfolder folder) const {
        return shippedRoot / SubfolderName(folder);
    }
    bool valid() const { return !programData.empty() && !userFolder.empty(); }
};

struct FolderTreeResult {
    bool ok = false;
    FolderTree tree;
    std::string error;
};

// The paths, without touching the disk except to see which shipped folder
// exists. The program data folder is QUORVANE_DATA_DIR, else
// XDG_DATA_HOME/Quorvane (an XDG_DATA_HOME that is not absolute is ignored),
// else ~/.local/share/Quorvane. The documents root is QUORVANE_DOCUMENTS_DIR,
// else the xdg-user-dir answer when it is an absolute folder other than the
// home folder itself (the way that tool says "not configured"), else
// ~/Documents. The shipped root is QUORVANE_SHIPPED_DIR, else the installed
// folder when it exists, else the build tree's when it exists. Fails only
// when a folder depends on a home folder that is not known.
FolderTreeResult ResolveFolderTree(const FolderSources& sources);

struct CreateResult {
    bool ok = false;
    std::string error;  // the folder and the platform's message
};

// Creates the program data folder, TempFolder and the user folder.
CreateResult CreateFolderTree(const FolderTree& tree);

// The folder memories the rest of the engine reads: TempFolder, the dialogs'
// last folders at the documents root, and the control-line, track-map and
// sector folders of the user folder.
void FillFolders(const FolderTree& tree, Folders& folders);

// Copies `from` to `to` through a temporary name beside `to`, so that `to`
// is either its old self or a complete copy. `error` gets the platform's
// message on failure.
bool CopyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                       std::string& error);

// Counts of a silent folder copy, for the caller's log and for tests.
struct CopyCounts {
    int copied = 0;
    int failed = 0;
};

// Copies every file below `from` into `to`, creating subfolders and
// replacing files of the same name; other files in `to` stay.
CopyCounts CopyFolderTree(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace qv
