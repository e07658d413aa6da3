#include "app/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace qv {
namespace fs = std::filesystem;
namespace {

std::string EnvText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFromPasswordDatabase() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

// The first line the command prints; empty when it cannot be run.
std::string XdgUserDocuments() {
    std::FILE* pipe = ::popen("xdg-user-dir DOCUMENTS 2>/dev/null", "r");
    if (pipe == nullptr)
        return {};
    std::string out;
    char buffer[4096];
    size_t got = 0;
    // A folder name is far shorter; anything longer is not an answer.
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0 && out.size() < 65536)
        out.append(buffer, got);
    const int status = ::pclose(pipe);
    if (status != 0)
        return {};
    const size_t end = out.find_first_of("\r\n");
    if (end != std::string::npos)
        out.resize(end);
    return out;
}

fs::path Absolute(const std::string& text) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(text), ec);
    return ec ? fs::path(text) : p.lexically_normal();
}

// Without a trailing separator, so that "/home/u/" and "/home/u" compare equal.
fs::path Trimmed(const fs::path& p) {
    fs::path n = p.lexically_normal();
    if (!n.has_filename() && n.has_parent_path() && n != n.root_path())
        n = n.parent_path();
    return n;
}

bool IsDirectory(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}

}  // namespace

const char* SubfolderName(UserSubfolder folder) {
    switch (folder) {
        case UserSubfolder::Raw:
            return "Raw";
        case UserSubfolder::Sector:
            return "Sector";
        case UserSubfolder::ControlLine:
            return "ControlLine";
        case UserSubfolder::Circuit:
            return "Circuit";
        case UserSubfolder::Data:
            return "Data";
    }
    return "";
}

FolderSources FolderSourcesFromEnvironment(const fs::path& installedShipped,
                                           const fs::path& buildTreeShipped) {
    FolderSources s;
    s.home = EnvText("HOME");
    if (s.home.empty())
        s.home = HomeFromPasswordDatabase();
    s.xdgDataHome = EnvText("XDG_DATA_HOME");
    s.dataDirOverride = EnvText("QUORVANE_DATA_DIR");
    s.documentsOverride = EnvText("QUORVANE_DOCUMENTS_DIR");
    if (s.documentsOverride.empty())
        s.xdgDocuments = XdgUserDocuments();
    s.shippedOverride = EnvText("QUORVANE_SHIPPED_DIR");
    s.installedShipped = installedShipped;
    s.buildTreeShipped = buildTreeShipped;
    return s;
}

fs::path InstalledDataDir(const fs::path& fromBinDir) {
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (ec || executable.empty())
        return {};
    return (executable.parent_path() / fromBinDir).lexically_normal();
}

fs::path InstalledShippedDir(const fs::path& installedDataDir) {
    return installedDataDir.empty() ? fs::path() : installedDataDir / "quorvane" / "shipped";
}

FolderTreeResult ResolveFolderTree(const FolderSources& sources) {
    FolderTreeResult result;
    const bool haveHome = !sources.home.empty();
    const fs::path home = haveHome ? Trimmed(Absolute(sources.home)) : fs::path();

    FolderTree& tree = result.tree;
    if (!sources.dataDirOverride.empty()) {
        tree.programData = Trimmed(Absolute(sources.dataDirOverride));
    } else if (!sources.xdgDataHome.empty() && fs::path(sources.xdgDataHome).is_absolute()) {
        tree.programData = Trimmed(fs::path(sources.xdgDataHome)) / kProgramFolderName;
    } else if (haveHome) {
        tree.programData = home / ".local" / "share" / kProgramFolderName;
    } else {
        result.error = "The home folder is not known.";
        return result;
    }
    tree.TempFolder = tree.programData / kTempFolderName;

    if (!sources.documentsOverride.empty()) {
        tree.documentsRoot = Trimmed(Absolute(sources.documentsOverride));
    } else {
        const fs::path xdg = Trimmed(fs::path(sources.xdgDocuments));
        if (!sources.xdgDocuments.empty() && xdg.is_absolute() && xdg != home &&
            xdg != xdg.root_path()) {
            tree.documentsRoot = xdg;
        } else if (haveHome) {
            tree.documentsRoot = home / "Documents";
        } else {
            result.error = "The home folder is not known.";
            return result;
        }
    }
    tree.userFolder = tree.documentsRoot / kProgramFolderName;

    if (!sources.shippedOverride.empty())
        tree.shippedRoot = Trimmed(Absolute(sources.shippedOverride));
    else if (IsDirectory(sources.installedShipped))
        tree.shippedRoot = Trimmed(sources.installedShipped);
    else if (IsDirectory(sources.buildTreeShipped))
        tree.shippedRoot = Trimmed(sources.buildTreeShipped);
    else
        tree.shippedRoot = sources.installedShipped;

    result.ok = true;
    return result;
}

CreateResult CreateFolderTree(const FolderTree& tree) {
    CreateResult result;
    for (const fs::path* folder : {&tree.programData, &tree.TempFolder, &tree.userFolder}) {
        std::error_code ec;
        fs::create_directories(*folder, ec);
        if (ec || !IsDirectory(*folder)) {
            result.error =
                folder->string() + ": " +
                (ec ? ec.message() : std::make_error_code(std::errc::not_a_directory).message());
            return result;
        }
    }
    result.ok = true;
    return result;
}

void FillFolders(const FolderTree& tree, Folders& folders) {
    folders.TempFolder = tree.TempFolder;
    folders.documentsRoot = tree.documentsRoot;
    folders.lastLogFolder = tree.documentsRoot;
    folders.rawLogFolder = tree.User(UserSubfolder::Raw);
    folders.lastLapDataFolder = tree.documentsRoot;
    folders.csvFolder = tree.documentsRoot;
    folders.controlLineFolder = tree.User(UserSubfolder::ControlLine);
    folders.trackMapFolder = tree.User(UserSubfolder::Circuit);
    folders.sectorFolder = tree.User(UserSubfolder::Sector);
}

bool CopyFileReplacing(const fs::path& from, const fs::path& to, std::string& error) {
    std::error_code ec;
    if (!fs::is_regular_file(from, ec)) {
        error = from.string() + ": " +
                (ec ? ec.message() : std::make_error_code(std::errc::invalid_argument).message());
        return false;
    }
    if (fs::equivalent(from, to, ec) && !ec)
        return true;
    const fs::path temp = to.string() + ".quorvane-copy";
    ec.clear();
    fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(temp, to, ec);
    if (ec) {
        error = to.string() + ": " + ec.message();
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

CopyCounts CopyFolderTree(const fs::path& from, const fs::path& to) {
    CopyCounts counts;
    std::error_code ec;
    if (!fs::is_directory(from, ec))
        return counts;
    if (fs::equivalent(from, to, ec) && !ec)
        return counts;
    fs::create_directories(to, ec);
    fs::recursive_directory_iterator it(from, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return counts;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        const fs::path target = to / it->path().lexically_relative(from);
        std::error_code entryEc;
        if (it->is_directory(entryEc)) {
            fs::create_directories(target, entryEc);
            if (entryEc)
                ++counts.failed;
            continue;
        }
        if (!it->is_regular_file(entryEc))
            continue;
        std::string error;
        if (CopyFileReplacing(it->path(), target, error))
            ++counts.copied;
        else
            ++counts.failed;
    }
    if (ec)
        ++counts.failed;
    return counts;
}

}  // namespace qv
