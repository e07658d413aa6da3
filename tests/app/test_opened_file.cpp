#include "app/opened_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "decode/file_kinds.h"
#include "support/test_paths.h"

namespace qv {
namespace {

TEST(CommandForOpenedFile, LapFilesJoinTheListAndEverythingElseOpensAsALog) {
    for (const char* lap :
         {"/d/lap.dtb", "/d/LAP.DTB", "/d/run.bon", "/d/run.bonz", "/d/t.csvv", "/d/motec.csv"})
        EXPECT_EQ(CommandForOpenedFile(lap), OpenedFileCommand::LoadLapData) << lap;
    // Upper-case text laps are not read as text by "Load lap data", and an
    // unknown kind is named by "Load log data".
    for (const char* log : {"/d/log.bnx4", "/d/LOG.BINX", "/d/flash.bin", "/d/run.bon4",
                            "/d/run.bnz4", "/d/T.CSVV", "/d/notes.txt", "/d/noextension"})
        EXPECT_EQ(CommandForOpenedFile(log), OpenedFileCommand::LoadLogData) << log;
}

// Every extension the desktop's file types claim for the program is one it
// opens, so that a double click on such a file never starts it in vain.
TEST(CommandForOpenedFile, TheDesktopFileTypesAreKindsTheWindowOpens) {
    std::ifstream in(test::DesktopDir() + "/org.quorvane.Quorvane.mime.xml");
    ASSERT_TRUE(in) << "no file type definitions";
    std::stringstream text;
    text << in.rdbuf();
    const std::string xml = text.str();
    const std::regex glob("<glob pattern=\"\\*(\\.[^\"]+)\"");
    std::vector<std::string> extensions;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), glob); it != std::sregex_iterator();
         ++it)
        extensions.push_back((*it)[1]);
    ASSERT_GE(extensions.size(), 8u);
    for (const std::string& extension : extensions) {
        const FileKind* kind = FindFileKind(extension);
        ASSERT_NE(kind, nullptr) << extension;
        const bool opens =
            CommandForOpenedFile("f" + extension) == OpenedFileCommand::LoadLapData ||
            kind->readLog != nullptr;
        EXPECT_TRUE(opens) << extension;
    }
}

}  // namespace
}  // namespace qv
