#include "laps/cln_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/save_path.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using Lines = std::vector<std::string>;
using test::ReadText;
using test::ScriptedPrompter;
using test::TempDir;
using test::WriteText;

const Lines kControlFile = {"1", "35.1", "138.1", "35.2", "138.2"};
const Lines kStartFinishFile = {"2",    "35.1",  "138.1", "35.2", "138.2",
                                "35.3", "138.3", "35.4",  "138.4"};

LineState StartFinishState(bool rally) {
    LineState s;
    s.startLineSet = s.finishLineSet = true;
    s.first = {{{35.1L, 138.1L}, {35.2L, 138.2L}}};
    s.finish = {{{35.3L, 138.3L}, {35.4L, 138.4L}}};
    s.Rally = rally;
    return s;
}

TEST(ClnApplyTest, ControlLineFileSetsOnlyTheControlLine) {
    LineState s = StartFinishState(true);
    s.controlLineSet = false;
    EXPECT_EQ(ApplyClnLines(kControlFile, s, ClnRally::FromFile), ClnKind::ControlLine);
    EXPECT_TRUE(s.controlLineSet);
    EXPECT_FALSE(s.startLineSet);
    EXPECT_FALSE(s.finishLineSet);
    EXPECT_FALSE(s.Rally);
    EXPECT_EQ(s.first[0].lat, 35.1L);
    EXPECT_EQ(s.first[0].lon, 138.1L);
    EXPECT_EQ(s.first[1].lat, 35.2L);
    EXPECT_EQ(s.first[1].lon, 138.2L);
    // The finish points are left as they were, only unflagged.
    EXPECT_EQ(s.finish[1].lon, 138.4L);

    // Extra lines after a control line are ignored, and circuit selection
    // switches Rally off too.
    LineState t;
    t.Rally = true;
    Lines longer = kControlFile;
    longer.push_back("junk");
    EXPECT_EQ(ApplyClnLines(longer, t, ClnRally::Ignored), ClnKind::ControlLine);
    EXPECT_FALSE(t.Rally);
}

TEST(ClnApplyTest, StartFinishFileAndItsRallyLine) {
    for (const bool before : {false, true}) {
        SCOPED_TRACE(before);
        LineState s;
        s.controlLineSet = true;
        s.Rally = before;
        // Nine lines: no Rally line, the option stays.
        EXPECT_EQ(ApplyClnLines(kStartFinishFile, s, ClnRally::FromFile), ClnKind::StartFinish);
        EXPECT_FALSE(s.controlLineSet);
        EXPECT_TRUE(s.startLineSet);
        EXPECT_TRUE(s.finishLineSet);
        EXPECT_EQ(s.Rally, before);
        EXPECT_EQ(s.first[1].lon, 138.2L);
        EXPECT_EQ(s.finish[0].lat, 35.3L);
        EXPECT_EQ(s.finish[1].lon, 138.4L);
    }
    struct Case {
        std::string rallyLine;
        ClnRally rule;
        bool before, after;
    };
    const Case cases[] = {
        {"1", ClnRally::FromFile, false, true},   {"0", ClnRally::FromFile, true, false},
        {"yes", ClnRally::FromFile, true, false}, {"1", ClnRally::Ignored, false, false},
        {"0", ClnRally::Ignored, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rallyLine);
        LineState s;
        s.Rally = c.before;
        Lines file = kStartFinishFile;
        file.push_back(c.rallyLine);
        EXPECT_EQ(ApplyClnLines(file, s, c.rule), ClnKind::StartFinish);
        EXPECT_EQ(s.Rally, c.after);
    }
}

TEST(ClnApplyTest, UnusableFilesChangeNothing) {
    const LineState original = StartFinishState(true);
    const Lines bad[] = {
        {},
        {"1", "35.1", "138.1", "35.2"},  // too short for a control line
        Lines(kStartFinishFile.begin(), kStartFinishFile.end() - 1),  // eight lines
        {"3", "35.1", "138.1", "35.2", "138.2"},
        {"1 ", "35.1", "138.1", "35.2", "138.2"},
        {"", "35.1", "138.1", "35.2", "138.2"},
        // Both ends on one point: such a line would be crossed on every step.
        {"1", "35.1", "138.1", "35.1", "138.1"},
        {"1", "x", "y", "z", "w"},
        {"2", "35.1", "138.1", "35.2", "138.2", "35.3", "138.3", "35.3", "138.3"},
    };
    for (const Lines& file : bad) {
        SCOPED_TRACE(file.empty() ? std::string("empty")
                                  : file[0] + "/" + std::to_string(file.size()));
        LineState s = original;
        EXPECT_EQ(ApplyClnLines(file, s, ClnRally::FromFile), ClnKind::None);
        EXPECT_EQ(s.controlLineSet, original.controlLineSet);
        EXPECT_EQ(s.startLineSet, original.startLineSet);
        EXPECT_EQ(s.finishLineSet, original.finishLineSet);
        EXPECT_EQ(s.Rally, original.Rally);
        EXPECT_EQ(s.first[0].lat, original.first[0].lat);
        EXPECT_EQ(s.finish[1].lon, original.finish[1].lon);
    }
}

TEST(ClnApplyTest, UnparsableValueReadsZero) {
    LineState s;
    EXPECT_EQ(ApplyClnLines({"1", "35,1", "138.1", "35.2", " 138.2 "}, s, ClnRally::FromFile),
              ClnKind::ControlLine);
    EXPECT_EQ(s.first[0].lat, 0);
    EXPECT_EQ(s.first[1].lon, 138.2L);
}

TEST(ClnFormatTest, TextOfEachKind) {
    LineState control;
    control.controlLineSet = true;
    control.first = {{{35.3712L, 138.9268L}, {-35.0000004L, -1.5L}}};
    EXPECT_EQ(FormatClnText(control),
              "1\r\n35.371200\r\n138.926800\r\n-35.000000\r\n-1.500000\r\n");
    // A control line wins over start and finish lines set at the same time.
    control.startLineSet = control.finishLineSet = true;
    EXPECT_EQ(FormatClnText(control)->substr(0, 3), "1\r\n");

    EXPECT_EQ(FormatClnText(StartFinishState(true)),
              "2\r\n35.100000\r\n138.100000\r\n35.200000\r\n138.200000\r\n"
              "35.300000\r\n138.300000\r\n35.400000\r\n138.400000\r\n1\r\n");
    const std::string noRally = *FormatClnText(StartFinishState(false));
    EXPECT_TRUE(noRally.ends_with("\r\n138.400000\r\n0\r\n")) << noRally;

    LineState startOnly = StartFinishState(false);
    startOnly.finishLineSet = false;
    EXPECT_FALSE(FormatClnText(startOnly));
    EXPECT_FALSE(FormatClnText(LineState{}));
}

TEST(ClnFileTest, WrittenFileReadsBackTheSameLines) {
    TempDir dir;
    const LineState written = StartFinishState(true);
    ASSERT_TRUE(WriteClnFile(dir / "sf.cln", written).ok);
    LineState read;
    const ClnReadResult r = ReadClnFile(dir / "sf.cln", read, ClnRally::FromFile);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.kind, ClnKind::StartFinish);
    EXPECT_TRUE(read.Rally);
    EXPECT_EQ(FormatClnText(read), FormatClnText(written));

    // Nothing to write: the existing file is kept.
    WriteText(dir / "keep.cln", "old");
    EXPECT_FALSE(WriteClnFile(dir / "keep.cln", LineState{}).ok);
    EXPECT_EQ(ReadText(dir / "keep.cln"), "old");

    // LF-only files from other tools read the same.
    WriteText(dir / "lf.cln", "1\n35.1\n138.1\n35.2\n138.2\n");
    EXPECT_EQ(ReadClnFile(dir / "lf.cln", read, ClnRally::FromFile).kind, ClnKind::ControlLine);

    const ClnReadResult missing = ReadClnFile(dir / "missing.cln", read, ClnRally::FromFile);
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
}

TEST(OpenControlLineTest, DialogExtensionAndFolder) {
    TempDir dir;
    std::filesystem::create_directory(dir / "lines");
    WriteText(dir / "lines" / "fsw.cln", "1\r\n35.1\r\n138.1\r\n35.2\r\n138.2\r\n");
    Folders folders;
    folders.controlLineFolder = dir / "start";
    LineState lines;

    ScriptedPrompter prompter;
    prompter.files.push_back((dir / "lines" / "fsw.txt").string());
    const OpenControlLineResult r = OpenControlLine(prompter, lines, folders);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, "open");
    EXPECT_EQ(prompter.shown[0].request.title, "Open control line, Start/Finish");
    EXPECT_EQ(prompter.shown[0].request.filter, "CLN files|*.cln");
    EXPECT_EQ(prompter.shown[0].request.initialFolder, (dir / "start").string());
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.kind, ClnKind::ControlLine);
    EXPECT_TRUE(lines.controlLineSet);
    EXPECT_EQ(folders.controlLineFolder, dir / "lines");

    // A name without extension finds the .cln file too.
    LineState other;
    ScriptedPrompter again;
    again.files.push_back((dir / "lines" / "fsw").string());
    EXPECT_TRUE(OpenControlLine(again, other, folders).opened);
}

TEST(OpenControlLineTest, MissingFileOrCancelChangesNothing) {
    TempDir dir;
    Folders folders;
    folders.controlLineFolder = dir / "start";
    LineState lines = StartFinishState(true);

    ScriptedPrompter prompter;
    prompter.files.push_back((dir / "nothing.cln").string());
    prompter.files.push_back(std::nullopt);
    EXPECT_FALSE(OpenControlLine(prompter, lines, folders).opened);
    EXPECT_FALSE(OpenControlLine(prompter, lines, folders).opened);
    EXPECT_EQ(folders.controlLineFolder, dir / "start");
    EXPECT_TRUE(lines.startLineSet);
    EXPECT_EQ(prompter.Messages().size(), 0u);

    // A file of no known form is opened (its folder is taken) but sets nothing.
    WriteText(dir / "odd.cln", "9\r\n1\r\n2\r\n3\r\n4\r\n");
    prompter.files.push_back((dir / "odd.cln").string());
    const OpenControlLineResult odd = OpenControlLine(prompter, lines, folders);
    EXPECT_TRUE(odd.opened);
    EXPECT_EQ(odd.kind, ClnKind::None);
    EXPECT_TRUE(lines.startLineSet);
    EXPECT_EQ(folders.controlLineFolder, dir.path());
}

TEST(SaveControlLineTest, NothingToSaveAsksNothing) {
    ScriptedPrompter prompter;
    LineState startOnly = StartFinishState(false);
    startOnly.finishLineSet = false;
    EXPECT_FALSE(SaveControlLine(prompter, startOnly, Folders{}).saved);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(SaveControlLineTest, ExtensionRuleAndReplaceQuestion) {
    TempDir dir;
    Folders folders;
    folders.controlLineFolder = dir.path();
    LineState control;
    control.controlLineSet = true;
    control.first = {{{35.1L, 138.1L}, {35.2L, 138.2L}}};

    ScriptedPrompter prompter;
    prompter.files.push_back((dir / "fsw.txt").string());
    const SaveControlLineResult first = SaveControlLine(prompter, control, folders);
    ASSERT_TRUE(first.saved);
    EXPECT_EQ(first.path, dir / "fsw.cln");
    EXPECT_EQ(prompter.shown[0].text, "Save control line, Start/Finish as...");
    EXPECT_EQ(prompter.shown[0].request.filter, "CLN files|*.cln");
    EXPECT_EQ(prompter.shown[0].request.initialFolder, dir.path().string());
    EXPECT_EQ(ReadText(dir / "fsw.cln"), *FormatClnText(control));
    EXPECT_FALSE(std::filesystem::exists(dir / "fsw.txt"));

    // The same name again: asked, and No keeps the old file.
    const LineState sf = StartFinishState(false);
    prompter.shown.clear();
    prompter.files.push_back((dir / "fsw").string());
    prompter.answers.push_back(false);
    EXPECT_FALSE(SaveControlLine(prompter, sf, folders).saved);
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0], ReplaceQuestion(dir / "fsw.cln"));
    EXPECT_EQ(prompter.Messages()[0],
              (dir / "fsw.cln").string() + " already exists.\rDo you want to replace it ?");
    EXPECT_EQ(ReadText(dir / "fsw.cln"), *FormatClnText(control));

    prompter.files.push_back((dir / "fsw").string());
    prompter.answers.push_back(true);
    EXPECT_TRUE(SaveControlLine(prompter, sf, folders).saved);
    EXPECT_EQ(ReadText(dir / "fsw.cln"), *FormatClnText(sf));
}

TEST(SaveControlLineTest, WriteFailureIsShown) {
    TempDir dir;
    ScriptedPrompter prompter;
    prompter.files.push_back((dir / "missing" / "x.cln").string());
    const SaveControlLineResult r = SaveControlLine(prompter, StartFinishState(true), Folders{});
    EXPECT_FALSE(r.saved);
    EXPECT_FALSE(r.error.empty());
    ASSERT_EQ(prompter.Messages().size(), 1u);
    EXPECT_EQ(prompter.Messages()[0], r.error);
    EXPECT_EQ(prompter.shown.back().icon, MessageIcon::Error);
}

}  // namespace
}  // namespace qv
