#include "app/startup.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "core/text_file.h"

namespace qv {
namespace fs = std::filesystem;
namespace {

constexpr uintmax_t kMaxMarkerSize = 64 * 1024;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool AllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

}  // namespace

std::string SettingsProblemText(const fs::path& iniPath, bool reading, const std::string& error) {
    return std::string(reading ? "The settings could not be read; the defaults are used."
                               : "The settings could not be saved.") +
           "\r" + iniPath.string() + ": " + error;
}

bool VersionMarkerIsCurrent(const fs::path& marker) {
    const TextFileRead read = ReadTextLines(marker, kMaxMarkerSize);
    return read.ok && !read.lines.empty() && read.lines[0] == kVersionText;
}

WriteResult WriteVersionMarker(const fs::path& marker) {
    return WriteFileAtomically(marker, JoinCrLf({kVersionText}));
}

CopyCounts CopyShippedFolders(const FolderTree& tree, bool firstStartOfVersion) {
    CopyCounts total;
    for (const UserSubfolder folder : kUserSubfolders) {
        const fs::path user = tree.User(folder);
        std::error_code ec;
        const bool userExists = fs::exists(user, ec);
        if (!userExists) {
            fs::create_directories(user, ec);
            if (ec)
                ++total.failed;
        } else if (!firstStartOfVersion) {
            continue;
        }
        const CopyCounts counts = CopyFolderTree(tree.Shipped(folder), user);
        total.copied += counts.copied;
        total.failed += counts.failed;
    }
    return total;
}

StartupResult StartUp(const FolderSources& sources, Settings& settings, Folders& folders,
                      Prompter& prompter) {
    StartupResult result;
    const FolderTreeResult resolved = ResolveFolderTree(sources);
    if (!resolved.ok) {
        prompter.Inform(resolved.error, MessageIcon::Error);
        settings = Settings{};
        return result;
    }
    result.tree = resolved.tree;
    const FolderTree& tree = result.tree;

    const CreateResult created = CreateFolderTree(tree);
    result.foldersReady = created.ok;
    if (!created.ok)
        prompter.Inform(created.error, MessageIcon::Error);
    else if (::access(tree.TempFolder.c_str(), W_OK | X_OK) != 0) {
        const int error = errno;
        std::string message(kMsgTempFolderNotWritable);
        message += '\r';
        message += tree.TempFolder.string();
        message += ": ";
        message += std::strerror(error);
        prompter.Inform(message, MessageIcon::Error);
    }

    std::error_code ec;
    fs::remove(tree.userFolder / kVersionMarkerName, ec);
    const fs::path marker = tree.programData / kVersionMarkerName;
    result.firstStartOfVersion = !VersionMarkerIsCurrent(marker);
    result.shippedCopies = CopyShippedFolders(tree, result.firstStartOfVersion);
    // Marked only after the copies, so that a start cut short while copying
    // copies again next time.
    if (result.firstStartOfVersion)
        WriteVersionMarker(marker);

    FillFolders(tree, folders);

    const fs::path iniPath = tree.programData / kSettingsFileName;
    const MigrationResult migrated =
        MigrateSettingsFile(tree.userFolder / kSettingsFileName, iniPath);
    if (!migrated.error.empty())
        prompter.Inform(migrated.error, MessageIcon::Error);
    result.settings = LoadSettingsFile(iniPath, settings);
    // A data folder that could not be made, or a failed move, was told
    // above already: one message for one cause.
    if (!result.settings.error.empty() && migrated.error.empty() &&
        fs::is_directory(tree.programData, ec))
        prompter.Inform(
            SettingsProblemText(iniPath, result.settings.source == SettingsSource::DefaultsOnly,
                                result.settings.error),
            MessageIcon::Error);
    return result;
}

bool IsTempLapFileName(std::string_view name) {
    constexpr std::string_view prefix = "temp";
    constexpr std::string_view suffix = ".dtb";
    if (name.size() < prefix.size() + 4 + suffix.size())
        return false;
    if (!EqualsNoCase(name.substr(0, prefix.size()), prefix) ||
        !EqualsNoCase(name.substr(name.size() - suffix.size()), suffix)) {
        return false;
    }
    const std::string_view middle =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    return middle.size() == 4 || AllDigits(middle);
}

int DeleteTempLapFiles(const fs::path& tempFolder) {
    int deleted = 0;
    std::error_code ec;
    fs::directory_iterator it(tempFolder, ec);
    if (ec)
        return 0;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::error_code entryEc;
        if (!it->is_regular_file(entryEc) || !IsTempLapFileName(it->path().filename().string()))
            continue;
        if (fs::remove(it->path(), entryEc) && !entryEc)
            ++deleted;
    }
    return deleted;
}

ShutdownResult ShutDown(const FolderTree& tree, const Settings& settings) {
    ShutdownResult result;
    if (!tree.valid()) {
        result.settingsWritten.error = "The program data folder is not known.";
        return result;
    }
    result.settingsWritten = SaveSettingsFile(tree.programData / kSettingsFileName, settings);
    result.tempFilesDeleted = DeleteTempLapFiles(tree.TempFolder);
    return result;
}

}  // namespace qv
