#include "core/save_path.h"

#include <gtest/gtest.h>

#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

TEST(ChooseSavePath, RemembersTheFolderEvenWhenTheReplacementIsRefused) {
    test::TempDir dir;
    test::WriteBytes(dir / "old.csv", {'k', 'e', 'e', 'p'});
    test::ScriptedPrompter prompter;
    prompter.files.push_back((dir / "old.txt").string());
    prompter.answers.push_back(false);
    std::filesystem::path folder = "/start";
    FileDialogRequest request;
    request.title = "Save";
    EXPECT_FALSE(ChooseSavePath(prompter, request, folder, ".csv"));
    EXPECT_EQ(folder, dir.path());
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].request.initialFolder, "/start");
    EXPECT_EQ(prompter.shown[1].text, ReplaceQuestion(dir / "old.csv"));

    prompter.files.push_back(std::nullopt);
    EXPECT_FALSE(ChooseSavePath(prompter, request, folder, ".csv"));
    EXPECT_EQ(folder, dir.path());
}

TEST(WriteSavedFile, WritesOrShowsWhyNot) {
    test::TempDir dir;
    test::ScriptedPrompter prompter;
    const SaveFileResult ok = WriteSavedFile(prompter, dir / "a.csv", "x,y\r\n");
    EXPECT_TRUE(ok.written);
    EXPECT_EQ(ok.path, dir / "a.csv");
    EXPECT_EQ(test::ReadBytes(ok.path), (std::vector<uint8_t>{'x', ',', 'y', '\r', '\n'}));
    EXPECT_TRUE(prompter.shown.empty());

    const SaveFileResult failed = WriteSavedFile(prompter, dir / "missing" / "b.csv", "x");
    EXPECT_FALSE(failed.written);
    EXPECT_EQ(failed.path, dir / "missing" / "b.csv");
    ASSERT_FALSE(failed.error.empty());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, failed.error);
    EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Error);
}

}  // namespace
}  // namespace qv
