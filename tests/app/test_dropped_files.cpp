#include "app/dropped_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

namespace fs = std::filesystem;

TEST(ClassifyDroppedFile, TheExtensionDecidesWithoutRegardToCase) {
    struct Case {
        const char* file;
        DroppedFileAction action;
    };
    const std::vector<Case> cases = {
        {"/logs/lap.dtb", DroppedFileAction::LoadLapDataFile},
        {"/logs/LAP.DTB", DroppedFileAction::LoadLapDataFile},
        {"lap.Dtb", DroppedFileAction::LoadLapDataFile},
        {"/logs/my.run.dtb", DroppedFileAction::LoadLapDataFile},
        {"/logs/.dtb", DroppedFileAction::LoadLapDataFile},
        {"/logs/run.bon", DroppedFileAction::LoadRunFile},
        {"/logs/RUN.BON", DroppedFileAction::LoadRunFile},
        {"/logs/run.bond", DroppedFileAction::LoadBondRunFile},
        {"/logs/run.BoNd", DroppedFileAction::LoadBondRunFile},
        {"/logs/run.bonz", DroppedFileAction::Ignore},
        {"/logs/run.bon4", DroppedFileAction::Ignore},
        {"/logs/log.bnx4", DroppedFileAction::Ignore},
        {"/logs/lap.csv", DroppedFileAction::Ignore},
        {"/logs/lap.dtb.txt", DroppedFileAction::Ignore},
        {"/logs/kart.nmea", DroppedFileAction::OpenLog},
        {"/logs/track.GPX", DroppedFileAction::OpenLog},
        {"/logs/run.vbo", DroppedFileAction::OpenLog},
        {"/logs/receiver.log", DroppedFileAction::Ignore},
        {"/logs/dtb", DroppedFileAction::Ignore},
        {"/logs.dtb/readme", DroppedFileAction::Ignore},
        {"", DroppedFileAction::Ignore},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyDroppedFile(c.file, true), c.action) << c.file;
        // Away from the "Data" page nothing is loaded.
        EXPECT_EQ(ClassifyDroppedFile(c.file, false), DroppedFileAction::Ignore) << c.file;
    }
    EXPECT_EQ(DroppedFileExtension("/a/b.C.DtB"), ".dtb");
    EXPECT_EQ(DroppedFileExtension("/a.b/c"), "");
}

// Records which loader saw which file and answers from a list.
struct LoaderLog {
    std::vector<std::string> calls;
    bool answer = true;

    DroppedFileLoaders Loaders() {
        DroppedFileLoaders l;
        l.lapDataFile = [this](const fs::path& p) { return Note("lap", p); };
        l.runFile = [this](const fs::path& p) { return Note("bon", p); };
        l.bondRunFile = [this](const fs::path& p) { return Note("bond", p); };
        l.log = [this](const fs::path& p) { return Note("log", p); };
        return l;
    }
    bool Note(const char* kind, const fs::path& p) {
        calls.push_back(std::string(kind) + " " + p.string());
        return answer;
    }
};

TEST(DispatchDroppedFiles, LoadsEachKnownFileInOrder) {
    LoaderLog log;
    const bool loaded = DispatchDroppedFiles(
        {"a.bon", "notes.txt", "b.DTB", "c.bond", "e.gpx", "d.dtb"}, true, log.Loaders());
    EXPECT_TRUE(loaded);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"bon a.bon", "lap b.DTB", "bond c.bond",
                                                   "log e.gpx", "lap d.dtb"}));

    LoaderLog graphPage;
    EXPECT_FALSE(DispatchDroppedFiles({"a.dtb", "b.bon", "c.bond"}, false, graphPage.Loaders()));
    EXPECT_TRUE(graphPage.calls.empty());
}

TEST(DispatchDroppedFiles, RecomputeOnlyWhenSomethingLoaded) {
    LoaderLog log;
    log.answer = false;
    EXPECT_FALSE(DispatchDroppedFiles({"a.dtb", "b.bon"}, true, log.Loaders()));
    EXPECT_EQ(log.calls.size(), 2u);

    LoaderLog ignored;
    EXPECT_FALSE(DispatchDroppedFiles({"a.csv", "b.bnx4"}, true, ignored.Loaders()));
    EXPECT_TRUE(ignored.calls.empty());
    EXPECT_FALSE(DispatchDroppedFiles({}, true, ignored.Loaders()));

    // One success among failures is enough.
    int n = 0;
    DroppedFileLoaders mixed;
    mixed.lapDataFile = [&n](const fs::path&) { return ++n == 2; };
    EXPECT_TRUE(DispatchDroppedFiles({"a.dtb", "b.dtb", "c.dtb"}, true, mixed));
    EXPECT_EQ(n, 3);
}

TEST(DispatchDroppedFiles, AMissingLoaderLoadsNothing) {
    DroppedFileLoaders onlyLaps;
    int laps = 0;
    onlyLaps.lapDataFile = [&laps](const fs::path&) {
        ++laps;
        return true;
    };
    EXPECT_FALSE(DispatchDroppedFiles({"a.bon", "b.bond"}, true, onlyLaps));
    EXPECT_TRUE(DispatchDroppedFiles({"a.bon", "b.dtb"}, true, onlyLaps));
    EXPECT_EQ(laps, 1);
}

}  // namespace
}  // namespace qv
