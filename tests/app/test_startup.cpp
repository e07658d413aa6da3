#include "app/startup.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "app/session_lifetime.h"
#include "core/atomic_file.h"
#include "support/child_run.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::ScriptedPrompter;
using test::TempDir;
using test::WriteText;

constexpr const char* kDefaultIni = "15.0\r\n0.200\r\n8.0\r\n0\r\n0\r\n1\r\n0\r\n4\r\n0\r\n";

size_t EntryCount(const fs::path& folder) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// A program data folder, a documents root and a shipped tree inside one
// scratch folder.
class StartupTest : public ::testing::Test {
  protected:
    StartupTest() {
        sources_.dataDirOverride = (dir_ / "data").string();
        sources_.documentsOverride = (dir_ / "docs").string();
        sources_.shippedOverride = (dir_ / "shipped").string();
        WriteText(dir_ / "shipped" / "Raw" / "demo.binx", "raw v2");
        WriteText(dir_ / "shipped" / "Circuit" / "track.pth", "track v2");
        WriteText(dir_ / "shipped" / "Sector" / "club" / "gates.sci", "gates v2");
        fs::create_directories(dir_ / "shipped" / "ControlLine");
        // No shipped Data folder: the user copy is still made, empty.
    }

    StartupResult Start() {
        prompter_.shown.clear();
        return StartUp(sources_, settings_, folders_, prompter_);
    }

    fs::path Data(const std::string& name) const { return dir_ / "data" / name; }
    fs::path User(const std::string& name) const { return dir_ / "docs" / "Quorvane" / name; }

    TempDir dir_;
    FolderSources sources_;
    Settings settings_;
    Folders folders_;
    ScriptedPrompter prompter_;
};

TEST_F(StartupTest, FirstStartBuildsTheTreeCopiesAndWritesDefaults) {
    settings_.MinSatNum = 9;
    WriteText(User("quorvver.txt"), "Ver 4.7.0e\r\n");  // a marker of older versions
    const StartupResult r = Start();
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(r.foldersReady);
    EXPECT_FALSE(fs::exists(User("quorvver.txt")));
    EXPECT_TRUE(r.firstStartOfVersion);
    EXPECT_EQ(r.shippedCopies.copied, 3);
    EXPECT_EQ(r.shippedCopies.failed, 0);

    EXPECT_TRUE(fs::is_directory(Data("temp")));
    EXPECT_EQ(ReadText(Data("quorvver.txt")), "Ver 4.7.0e\r\n");
    EXPECT_EQ(ReadText(User("Raw/demo.binx")), "raw v2");
    EXPECT_EQ(ReadText(User("Circuit/track.pth")), "track v2");
    EXPECT_EQ(ReadText(User("Sector/club/gates.sci")), "gates v2");
    for (const char* name : {"Raw", "Sector", "ControlLine", "Circuit", "Data"})
        EXPECT_TRUE(fs::is_directory(User(name))) << name;

    EXPECT_EQ(r.settings.source, SettingsSource::DefaultsWritten);
    EXPECT_EQ(ReadText(Data("quorvane.ini")), kDefaultIni);
    EXPECT_EQ(settings_.MinSatNum, 4);

    EXPECT_EQ(folders_.TempFolder, Data("temp"));
    EXPECT_EQ(folders_.lastLogFolder, dir_ / "docs");
    EXPECT_EQ(folders_.lastLapDataFolder, dir_ / "docs");
    EXPECT_EQ(folders_.controlLineFolder, User("ControlLine"));
    EXPECT_EQ(folders_.trackMapFolder, User("Circuit"));
    EXPECT_EQ(folders_.sectorFolder, User("Sector"));
}

TEST_F(StartupTest, SameVersionLeavesUserCopiesAloneButRefillsAMissingFolder) {
    Start();
    WriteText(User("Circuit/track.pth"), "edited by the user");
    fs::remove_all(User("Raw"));
    const StartupResult r = Start();
    EXPECT_FALSE(r.firstStartOfVersion);
    EXPECT_EQ(ReadText(User("Circuit/track.pth")), "edited by the user");
    EXPECT_EQ(ReadText(User("Raw/demo.binx")), "raw v2");
    EXPECT_EQ(r.shippedCopies.copied, 1);
}

TEST_F(StartupTest, AnotherVersionTextCopiesTheShippedFilesAgain) {
    Start();
    WriteText(User("Circuit/track.pth"), "edited by the user");
    WriteText(User("Circuit/own.pth"), "the user's own map");
    for (const std::string marker : {"Ver 4.6.9\r\n", "", "\r\nVer 4.7.0e\r\n", "ver 4.7.0e"}) {
        WriteText(Data("quorvver.txt"), marker);
        WriteText(User("Circuit/track.pth"), "edited by the user");
        const StartupResult r = Start();
        EXPECT_TRUE(r.firstStartOfVersion) << '"' << marker << '"';
        EXPECT_EQ(ReadText(User("Circuit/track.pth")), "track v2");
        EXPECT_EQ(ReadText(User("Circuit/own.pth")), "the user's own map");
        EXPECT_EQ(ReadText(Data("quorvver.txt")), "Ver 4.7.0e\r\n");
    }
    fs::remove(Data("quorvver.txt"));
    EXPECT_TRUE(Start().firstStartOfVersion);
    EXPECT_FALSE(Start().firstStartOfVersion);
}

TEST_F(StartupTest, ASettingsFileInTheUserFolderMovesToTheDataFolder) {
    WriteText(Data("quorvane.ini"), kDefaultIni);
    WriteText(User("quorvane.ini"), "22.5\r\n1.000\r\n30.0\r\n");
    const StartupResult r = Start();
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_FALSE(fs::exists(User("quorvane.ini")));
    EXPECT_EQ(ReadText(Data("quorvane.ini")), "22.5\r\n1.000\r\n30.0\r\n");
    EXPECT_EQ(r.settings.source, SettingsSource::File);
    EXPECT_DOUBLE_EQ(settings_.sectorGateHalfLength, 22.5);
    EXPECT_DOUBLE_EQ(settings_.MinLapDist, 1.0);
    EXPECT_DOUBLE_EQ(settings_.MinLapTime, 30.0);
}

TEST_F(StartupTest, AFailedSettingsMoveIsToldAndLosesNothing) {
    // A folder in the place of the current settings file stops the move.
    fs::create_directories(Data("quorvane.ini/blocker"));
    WriteText(User("quorvane.ini"), "22.5\r\n");
    const StartupResult r = Start();
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].icon, MessageIcon::Error);
    EXPECT_FALSE(prompter_.shown[0].text.empty());
    EXPECT_EQ(ReadText(User("quorvane.ini")), "22.5\r\n");
    EXPECT_EQ(r.settings.source, SettingsSource::DefaultsOnly);
    EXPECT_EQ(settings_.sectorGateHalfLength, 15.0);
}

TEST_F(StartupTest, AFolderThatCannotBeMadeIsToldAndStartGoesOn) {
    WriteText(dir_ / "plain", "x");
    sources_.documentsOverride = (dir_ / "plain").string();
    const StartupResult r = Start();
    EXPECT_FALSE(r.foldersReady);
    ASSERT_FALSE(prompter_.shown.empty());
    EXPECT_EQ(prompter_.shown[0].icon, MessageIcon::Error);
    EXPECT_NE(prompter_.shown[0].text.find("plain"), std::string::npos);
    // The data folder was fine, so the settings still come from there.
    EXPECT_EQ(r.settings.source, SettingsSource::DefaultsWritten);
    EXPECT_TRUE(fs::exists(Data("quorvane.ini")));
}

// Settings files left broken by a crash, a full disk or a file passed
// around: start-up never fails, takes what it can read and tells only what
// the user loses.
TEST_F(StartupTest, BrokenSettingsFilesGiveDefaultsWhereTheyAreBroken) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 37 + 11) & 0xFF);
    struct Case {
        const char* what;
        std::string content;
        std::string settings;  // as the file would be written back
        bool told;
    };
    const std::vector<Case> cases = {
        {"empty", "", kDefaultIni, false},
        {"cut inside line 2", "22.5\r\n0.",
         "22.5\r\n0.200\r\n8.0\r\n0\r\n0\r\n1\r\n0\r\n4\r\n0\r\n", false},
        {"cut inside line 1", "2", "2.0\r\n0.200\r\n8.0\r\n0\r\n0\r\n1\r\n0\r\n4\r\n0\r\n", false},
        // Its sixth line is there and is not "1": that graph is hidden.
        {"binary", binary, "15.0\r\n0.200\r\n8.0\r\n0\r\n0\r\n0\r\n0\r\n4\r\n0\r\n", false},
        {"only NUL bytes", std::string(64, '\0'), kDefaultIni, false},
        {"out of range", "1e999\r\n-0.5\r\nnan\r\n7\r\n7\r\n2\r\n1\r\n99999999999\r\n1\r\n",
         "15.0\r\n0.200\r\n8.0\r\n0\r\n0\r\n0\r\n1\r\n4\r\n1\r\n", false},
        {"just past the limits", "30.1\r\n10\r\n0.9\r\n", kDefaultIni, false},
        {"too large to be one", std::string(2 * 1024 * 1024, '9'), kDefaultIni, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(Data("quorvane.ini"), c.content);
        settings_ = Settings{};
        settings_.MinSatNum = 9;
        const StartupResult r = Start();
        EXPECT_EQ(FormatSettingsText(settings_), c.settings);
        ASSERT_EQ(prompter_.shown.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_EQ(r.settings.source, SettingsSource::DefaultsOnly);
            EXPECT_EQ(prompter_.shown[0].text,
                      "The settings could not be read; the defaults are used.\r" +
                          Data("quorvane.ini").string() + ": File too large");
        }
        // Only an empty file is replaced at start; the rest wait for the
        // shutdown, so a start cut short loses nothing more.
        if (!c.content.empty()) {
            EXPECT_EQ(ReadText(Data("quorvane.ini")), c.content);
        }
    }
}

TEST_F(StartupTest, ASettingsFileThatIsAFolderIsToldOnce) {
    fs::create_directories(Data("quorvane.ini"));
    const StartupResult r = Start();
    EXPECT_EQ(r.settings.source, SettingsSource::DefaultsOnly);
    ASSERT_EQ(prompter_.Messages().size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text.rfind("The settings could not be read", 0), 0u);
    EXPECT_EQ(FormatSettingsText(settings_), kDefaultIni);
}

TEST_F(StartupTest, AMissingShippedFolderLeavesEmptyUserFoldersSilently) {
    fs::remove_all(dir_ / "shipped");
    const StartupResult r = Start();
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(r.foldersReady);
    EXPECT_EQ(r.shippedCopies.copied + r.shippedCopies.failed, 0);
    for (const char* name : {"Raw", "Sector", "ControlLine", "Circuit", "Data"})
        EXPECT_TRUE(fs::is_empty(User(name))) << name;
    EXPECT_EQ(ReadText(Data("quorvane.ini")), kDefaultIni);
}

TEST_F(StartupTest, ADataFolderThatCannotBeMadeIsToldOnceAndTheDefaultsServe) {
    WriteText(dir_ / "data", "a file where the folder should be");
    settings_.MinSatNum = 9;
    const StartupResult r = Start();
    EXPECT_FALSE(r.foldersReady);
    ASSERT_EQ(prompter_.Messages().size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text.rfind((dir_ / "data").string() + ": ", 0), 0u);
    EXPECT_EQ(FormatSettingsText(settings_), kDefaultIni);
    EXPECT_EQ(ReadText(dir_ / "data"), "a file where the folder should be");
}

// A data folder the user may not write to (as root, the child drops to an
// unprivileged user, for whom the folders made by root are not writable).
TEST_F(StartupTest, AReadOnlyDataFolderIsToldAtStartAndAtShutdown) {
    Start();
    WriteText(Data("quorvane.ini"), "22.5\r\n");
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec |
                               fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(dir_.path(), readOnly | fs::perms::owner_write);
    fs::permissions(Data("temp"), readOnly);
    fs::permissions(Data(""), readOnly);
    const test::ChildRun run = test::RunInChild([this] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return std::vector<std::string>{"could not drop root"};
        StartupResult r = Start();
        Session session(25569.0);
        session.settings = settings_;
        ShutDownSession(session, r, {}, prompter_);
        std::vector<std::string> out = prompter_.Messages();
        out.push_back(FormatSettingsText(settings_));
        return out;
    });
    fs::permissions(Data(""), fs::perms::owner_all);
    fs::permissions(Data("temp"), fs::perms::owner_all);
    ASSERT_TRUE(run.exitedNormally);
    ASSERT_EQ(run.fields.size(), 3u) << (run.fields.empty() ? "" : run.fields[0]);
    const std::string denied = std::strerror(EACCES);
    EXPECT_EQ(run.fields[0], "Laps cannot be kept: the temporary folder cannot be written.\r" +
                                 Data("temp").string() + ": " + denied);
    EXPECT_EQ(run.fields[1],
              "The settings could not be saved.\r" + Data("quorvane.ini").string() + ": " + denied);
    EXPECT_EQ(run.fields[2], "22.5\r\n0.200\r\n8.0\r\n0\r\n0\r\n1\r\n0\r\n4\r\n0\r\n");
    EXPECT_EQ(ReadText(Data("quorvane.ini")), "22.5\r\n");
}

TEST_F(StartupTest, WithoutAnyPlaceTheDefaultsAreUsedAndNothingIsWritten) {
    sources_ = FolderSources{};
    settings_.MinSatNum = 9;
    const StartupResult r = Start();
    EXPECT_FALSE(r.tree.valid());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(settings_.MinSatNum, 4);
    const ShutdownResult end = ShutDown(r.tree, settings_);
    EXPECT_FALSE(end.settingsWritten.ok);
    EXPECT_FALSE(fs::exists("quorvane.ini"));
}

TEST_F(StartupTest, SettingsSurviveAShutdownAndTheNextStart) {
    const StartupResult r = Start();
    ConfigTexts texts = ConfigTextsFrom(settings_);
    texts.sectorLength = "7.5";
    texts.lapLength = "2010";
    texts.lapTime = "25.0";
    ASSERT_TRUE(AcceptConfigTexts(texts, settings_));
    settings_.elevationGraphShown = true;
    settings_.MinSatNum = 6;
    const ShutdownResult end = ShutDown(r.tree, settings_);
    ASSERT_TRUE(end.settingsWritten.ok) << end.settingsWritten.error;
    EXPECT_EQ(ReadText(Data("quorvane.ini")),
              "7.5\r\n2.010\r\n25.0\r\n0\r\n0\r\n1\r\n1\r\n6\r\n0\r\n");

    settings_ = Settings{};
    Start();
    EXPECT_DOUBLE_EQ(settings_.sectorGateHalfLength, 7.5);
    EXPECT_DOUBLE_EQ(settings_.MinLapDist, 2.01);
    EXPECT_DOUBLE_EQ(settings_.MinLapTime, 25.0);
    EXPECT_TRUE(settings_.elevationGraphShown);
    EXPECT_EQ(settings_.MinSatNum, 6);
    EXPECT_EQ(ConfigTextsFrom(settings_).lapLength, "2010");
}

TEST_F(StartupTest, ShutdownDeletesOnlyTheTemporaryLapFiles) {
    const StartupResult r = Start();
    const fs::path temp = Data("temp");
    for (const char* name :
         {"temp0000.dtb", "temp0001.dtb", "TEMP0002.DTB", "Temp0003.dtb", "temp12345.dtb"}) {
        WriteText(temp / name, "lap");
    }
    for (const char* name : {"temp001.dtb", "temp0001.dtb.bak", "temp0001.csv", "other.dtb",
                             "temp1234x.dtb", "keep.txt"}) {
        WriteText(temp / name, "keep");
    }
    fs::create_directories(temp / "temp0009.dtb");
    const ShutdownResult end = ShutDown(r.tree, settings_);
    EXPECT_EQ(end.tempFilesDeleted, 5);
    EXPECT_EQ(EntryCount(temp), 7u);
    EXPECT_TRUE(fs::is_directory(temp / "temp0009.dtb"));
    EXPECT_TRUE(fs::exists(temp / "temp001.dtb"));
    EXPECT_FALSE(fs::exists(temp / "Temp0003.dtb"));

    fs::remove_all(temp);
    EXPECT_EQ(ShutDown(r.tree, settings_).tempFilesDeleted, 0);  // no folder: quietly nothing
}

TEST(TempLapFileName, MatchesFourCharactersOrALongerLapNumber) {
    for (const char* name :
         {"temp0000.dtb", "TEMP9999.DTB", "tempabcd.dtb", "temp10000.dtb", "Temp123456.Dtb"}) {
        EXPECT_TRUE(IsTempLapFileName(name)) << name;
    }
    for (const char* name : {"temp.dtb", "temp000.dtb", "temp000a0.dtb", "xtemp0000.dtb",
                             "temp0000.dtbx", "temp0000dtb", "temp0000.csv", ""}) {
        EXPECT_FALSE(IsTempLapFileName(name)) << name;
    }
}

TEST(VersionMarker, OnlyTheExactFirstLineCounts) {
    TempDir dir;
    const fs::path marker = dir / "quorvver.txt";
    EXPECT_FALSE(VersionMarkerIsCurrent(marker));
    ASSERT_TRUE(WriteVersionMarker(marker).ok);
    EXPECT_TRUE(VersionMarkerIsCurrent(marker));
    WriteText(marker, "Ver 4.7.0e\nanything after\n");
    EXPECT_TRUE(VersionMarkerIsCurrent(marker));
    WriteText(marker, "Ver 4.7.0e \r\n");
    EXPECT_FALSE(VersionMarkerIsCurrent(marker));
    fs::remove(marker);
    fs::create_directory(marker);
    EXPECT_FALSE(VersionMarkerIsCurrent(marker));
}

// Restores the file-size limit and the signal it raises.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST(WriteFileAtomically, ReplacesTheTargetWhole) {
    TempDir dir;
    const fs::path target = dir / "file.txt";
    WriteText(target, "old content");
    const WriteResult r = WriteFileAtomically(target, "new");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadText(target), "new");
    EXPECT_EQ(EntryCount(dir.path()), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(WriteFileAtomically, AFailedWriteKeepsTheOldContent) {
    TempDir dir;
    const fs::path target = dir / "file.txt";
    WriteText(target, "old content");
    {
        // Even root is held to the file-size limit, so the write runs out
        // of room part way.
        FileSizeLimit limit(1024);
        const WriteResult r = WriteFileAtomically(target, std::string(64 * 1024, 'x'));
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
    }
    EXPECT_EQ(ReadText(target), "old content");
    EXPECT_EQ(EntryCount(dir.path()), 1u);  // no scratch file left

    WriteText(dir / "plain", "a file, not a folder");
    const WriteResult r = WriteFileAtomically(dir / "plain" / "file.txt", "x");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(ReadText(dir / "plain"), "a file, not a folder");

    // A folder where the file should be is not replaced.
    fs::create_directories(dir / "folder" / "inside");
    EXPECT_FALSE(WriteFileAtomically(dir / "folder", "x").ok);
    EXPECT_TRUE(fs::is_directory(dir / "folder" / "inside"));
    EXPECT_EQ(EntryCount(dir.path()), 3u);
}

}  // namespace
}  // namespace qv
