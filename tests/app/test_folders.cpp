#include "app/folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;
using test::WriteText;

FolderSources HomeOnly(const std::string& home) {
    FolderSources s;
    s.home = home;
    return s;
}

TEST(ResolveFolderTree, PlacesEverythingUnderTheHomeFolderByDefault) {
    const FolderTreeResult r = ResolveFolderTree(HomeOnly("/home/driver/"));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.tree.programData, fs::path("/home/driver/.local/share/Quorvane"));
    EXPECT_EQ(r.tree.TempFolder, fs::path("/home/driver/.local/share/Quorvane/temp"));
    EXPECT_EQ(r.tree.documentsRoot, fs::path("/home/driver/Documents"));
    EXPECT_EQ(r.tree.userFolder, fs::path("/home/driver/Documents/Quorvane"));
    EXPECT_EQ(r.tree.User(UserSubfolder::ControlLine),
              fs::path("/home/driver/Documents/Quorvane/ControlLine"));
    EXPECT_TRUE(r.tree.valid());
}

TEST(ResolveFolderTree, FollowsTheXdgPlaces) {
    FolderSources s = HomeOnly("/home/driver");
    s.xdgDataHome = "/srv/data/";
    s.xdgDocuments = "/home/driver/Papers";
    FolderTreeResult r = ResolveFolderTree(s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.tree.programData, fs::path("/srv/data/Quorvane"));
    EXPECT_EQ(r.tree.documentsRoot, fs::path("/home/driver/Papers"));

    // A relative data home is not one; a documents folder equal to the home
    // folder is how the tool says it has none configured.
    s.xdgDataHome = "relative/data";
    s.xdgDocuments = "/home/driver/";
    r = ResolveFolderTree(s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.tree.programData, fs::path("/home/driver/.local/share/Quorvane"));
    EXPECT_EQ(r.tree.documentsRoot, fs::path("/home/driver/Documents"));

    for (const std::string answer : {"", "Papers", "/"}) {
        s.xdgDocuments = answer;
        r = ResolveFolderTree(s);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.tree.documentsRoot, fs::path("/home/driver/Documents")) << answer;
    }
}

TEST(ResolveFolderTree, OverridesNameTheFoldersThemselves) {
    FolderSources s = HomeOnly("/home/driver");
    s.xdgDataHome = "/srv/data";
    s.xdgDocuments = "/home/driver/Papers";
    s.dataDirOverride = "/tmp/qv-data/";
    s.documentsOverride = "/tmp/qv-docs";
    const FolderTreeResult r = ResolveFolderTree(s);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.tree.programData, fs::path("/tmp/qv-data"));
    EXPECT_EQ(r.tree.TempFolder, fs::path("/tmp/qv-data/temp"));
    EXPECT_EQ(r.tree.documentsRoot, fs::path("/tmp/qv-docs"));
    EXPECT_EQ(r.tree.userFolder, fs::path("/tmp/qv-docs/Quorvane"));
}

TEST(ResolveFolderTree, WithoutAHomeOnlyOverridesWork) {
    FolderTreeResult r = ResolveFolderTree(FolderSources{});
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(r.tree.valid());

    FolderSources s;
    s.dataDirOverride = "/tmp/qv-data";
    r = ResolveFolderTree(s);
    EXPECT_FALSE(r.ok);  // the documents root still needs a home folder
    s.documentsOverride = "/tmp/qv-docs";
    r = ResolveFolderTree(s);
    EXPECT_TRUE(r.ok);
}

TEST(ResolveFolderTree, ShippedFoldersComeFromTheOverrideThenInstalledThenBuildTree) {
    TempDir dir;
    const fs::path installed = dir / "installed";
    const fs::path build = dir / "build";
    FolderSources s = HomeOnly("/home/driver");
    s.installedShipped = installed;
    s.buildTreeShipped = build;

    EXPECT_EQ(ResolveFolderTree(s).tree.shippedRoot, installed);  // neither exists
    fs::create_directory(build);
    EXPECT_EQ(ResolveFolderTree(s).tree.shippedRoot, build);
    fs::create_directory(installed);
    EXPECT_EQ(ResolveFolderTree(s).tree.shippedRoot, installed);
    s.shippedOverride = (dir / "elsewhere").string();
    EXPECT_EQ(ResolveFolderTree(s).tree.shippedRoot, dir / "elsewhere");
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnv {
  public:
    void Set(const char* name, const std::optional<std::string>& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(FolderSourcesFromEnvironment, ReadsTheVariables) {
    ScopedEnv env;
    env.Set("HOME", "/home/tester");
    env.Set("XDG_DATA_HOME", "/srv/xdg");
    env.Set("QUORVANE_DATA_DIR", "/tmp/a");
    env.Set("QUORVANE_DOCUMENTS_DIR", "/tmp/b");
    env.Set("QUORVANE_SHIPPED_DIR", "/tmp/c");
    const FolderSources s = FolderSourcesFromEnvironment("/usr/share/x", "/src/data/shipped");
    EXPECT_EQ(s.home, "/home/tester");
    EXPECT_EQ(s.xdgDataHome, "/srv/xdg");
    EXPECT_EQ(s.dataDirOverride, "/tmp/a");
    EXPECT_EQ(s.documentsOverride, "/tmp/b");
    EXPECT_TRUE(s.xdgDocuments.empty());  // not asked when overridden
    EXPECT_EQ(s.shippedOverride, "/tmp/c");
    EXPECT_EQ(s.installedShipped, fs::path("/usr/share/x"));
    EXPECT_EQ(s.buildTreeShipped, fs::path("/src/data/shipped"));

    // Without HOME the password database still knows one.
    env.Set("HOME", std::nullopt);
    env.Set("QUORVANE_SHIPPED_DIR", std::nullopt);
    const FolderSources unset = FolderSourcesFromEnvironment({}, {});
    EXPECT_TRUE(unset.shippedOverride.empty());
    EXPECT_TRUE(fs::path(unset.home).is_absolute());
}

TEST(CreateFolderTree, CreatesDataTempAndUserFolders) {
    TempDir dir;
    FolderSources s;
    s.dataDirOverride = (dir / "data" / "deep").string();
    s.documentsOverride = (dir / "docs").string();
    const FolderTree tree = ResolveFolderTree(s).tree;
    const CreateResult created = CreateFolderTree(tree);
    ASSERT_TRUE(created.ok) << created.error;
    EXPECT_TRUE(fs::is_directory(tree.programData));
    EXPECT_TRUE(fs::is_directory(tree.TempFolder));
    EXPECT_TRUE(fs::is_directory(tree.userFolder));
    EXPECT_TRUE(CreateFolderTree(tree).ok);  // already there is fine
}

TEST(CreateFolderTree, ReportsTheFolderThatCannotBeMade) {
    TempDir dir;
    WriteText(dir / "file", "x");
    FolderSources s;
    s.dataDirOverride = (dir / "data").string();
    s.documentsOverride = (dir / "file").string();
    const FolderTree tree = ResolveFolderTree(s).tree;
    const CreateResult created = CreateFolderTree(tree);
    EXPECT_FALSE(created.ok);
    EXPECT_NE(created.error.find((dir / "file" / "Quorvane").string()), std::string::npos)
        << created.error;

    // A plain file where the temp folder belongs is no folder either.
    s.dataDirOverride = (dir / "data2").string();
    s.documentsOverride = (dir / "docs").string();
    WriteText(dir / "data2" / "temp", "x");
    EXPECT_FALSE(CreateFolderTree(ResolveFolderTree(s).tree).ok);
}

TEST(CopyFileReplacing, ReplacesWholeOrNotAtAll) {
    TempDir dir;
    WriteText(dir / "src", "new content");
    WriteText(dir / "dst", "old");
    std::string error;
    ASSERT_TRUE(CopyFileReplacing(dir / "src", dir / "dst", error)) << error;
    EXPECT_EQ(ReadText(dir / "dst"), "new content");

    WriteText(dir / "dst", "old");
    EXPECT_FALSE(CopyFileReplacing(dir / "missing", dir / "dst", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadText(dir / "dst"), "old");

    // A folder in the way: it stays, and no scratch copy is left behind.
    fs::create_directories(dir / "folder" / "inside");
    error.clear();
    EXPECT_FALSE(CopyFileReplacing(dir / "src", dir / "folder", error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir / "folder" / "inside"));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().string().find("copy"), std::string::npos) << entry.path();

    EXPECT_TRUE(CopyFileReplacing(dir / "src", dir / "src", error));
    EXPECT_EQ(ReadText(dir / "src"), "new content");
}

}  // namespace
}  // namespace qv
