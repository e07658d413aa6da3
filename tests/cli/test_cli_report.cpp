// `quorvane-cli report` as a user runs it, its PDF read back with poppler's
// tools.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_process.h"
#include "support/shell_output.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Split(const std::string& line, char at) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, at);)
        cells.push_back(cell);
    return cells;
}

double LapSeconds(const std::string& text) {
    int minutes = 0;
    double seconds = 0;
    return std::sscanf(text.c_str(), "%d:%lf", &minutes, &seconds) == 2 ? minutes * 60 + seconds
                                                                        : 1e9;
}

// The shipped demo log, cut at its control line with its three gates.
class CliReportTest : public ::testing::Test {
  protected:
    const std::string log = test::ShippedDir() + "/Raw/demo.bnx4";
    const std::string lines = " --cln '" + test::ShippedDir() + "/ControlLine/demo.cln' --sci '" +
                              test::ShippedDir() + "/Sector/demo.sci'";
    test::TempDir dir;

    test::CliOutput Report(const std::string& out, const std::string& env = "",
                           const std::string& setup = "") {
        return test::RunCliProcess(
            "report '" + log + ":1' '" + log + ":4'" + lines + " -o '" + out + "'", env, setup);
    }
};

TEST_F(CliReportTest, TheTextHoldsTheBestLapWithItsBandAndTheSectorTable) {
    const fs::path pdf = dir / "day.pdf";
    // Qt's warning about a missing runtime folder is kept off the terminal.
    const test::CliOutput made = Report(pdf.string(), "", "unset XDG_RUNTIME_DIR");
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.err, "");
    const std::string text = test::ShellOutput("pdftotext '" + pdf.string() + "' -");
    ASSERT_FALSE(text.empty()) << "pdftotext gave nothing";

    // The best lap and its band as the lap list tells them.
    const test::CliOutput list =
        test::RunCliProcess("laps '" + log + "'" + lines + " --uncertainty");
    ASSERT_EQ(list.status, 0);
    std::string bestNo, bestTime, bestBand;
    for (size_t k = 1; k < list.lines.size() && !list.lines[k].empty(); ++k) {
        const std::vector<std::string> cells = Split(list.lines[k], ',');
        ASSERT_GT(cells.size(), 5u);
        if (bestTime.empty() || LapSeconds(cells[4]) < LapSeconds(bestTime)) {
            bestNo = cells[1];
            bestTime = cells[4];
            bestBand = cells.back();
        }
        EXPECT_NE(text.find(cells[4]), std::string::npos) << "lap " << cells[1];
    }
    ASSERT_FALSE(bestBand.empty());
    EXPECT_NE(text.find("Best lap: " + bestNo + " " + bestTime + " \u00b1" + bestBand + " ms"),
              std::string::npos)
        << text.substr(0, 600);

    // Every figure of the two laps' rows of the sector table.
    const test::CliOutput compare =
        test::RunCliProcess("compare '" + log + ":1' '" + log + ":4'" + lines);
    ASSERT_EQ(compare.status, 0);
    size_t header = 0;
    while (header < compare.lines.size() && compare.lines[header] != "sector table:")
        ++header;
    ASSERT_LT(header + 3, compare.lines.size());
    int figures = 0;
    for (size_t row = header + 2; row <= header + 3; ++row) {
        for (const std::string& cell : Split(compare.lines[row], '\t')) {
            if (cell.empty())
                continue;
            EXPECT_NE(text.find(cell), std::string::npos) << cell;
            ++figures;
        }
    }
    EXPECT_GE(figures, 30);
}

TEST_F(CliReportTest, ThePaperFollowsTheLocale) {
    struct Case {
        const char* env;
        const char* size;  // pdfinfo's page size
    };
    const Case cases[] = {
        {"LC_ALL= LC_PAPER= LANG=en_US.UTF-8", "612 x 792 pts (letter)"},
        {"LC_ALL= LC_PAPER= LANG=de_DE.UTF-8", "595 x 842 pts (A4)"},
        {"LC_ALL= LC_PAPER=en_GB.UTF-8 LANG=en_US.UTF-8", "595 x 842 pts (A4)"},
    };
    for (const Case& c : cases) {
        const fs::path pdf = dir / "paper.pdf";
        const test::CliOutput made = Report(pdf.string(), c.env);
        ASSERT_EQ(made.status, 0) << made.err;
        const std::string info = test::ShellOutput("pdfinfo '" + pdf.string() + "'");
        EXPECT_NE(info.find(c.size), std::string::npos) << c.env << "\n" << info;
    }
}

// A disk filling up part way is tried on the window's export, whose PDF is
// made before the write: here the laps' own scratch files would hit a file
// size limit first.
TEST_F(CliReportTest, AFailedWriteKeepsWhatWasThereAndTellsThePlatformsMessage) {
    struct Case {
        const char* name;
        std::string target;  // under the scratch folder
        std::string message;
    };
    const Case cases[] = {
        {"a folder by that name", "folder.pdf", std::strerror(EISDIR)},
        {"no such folder", "gone/new.pdf", std::strerror(ENOENT)},
    };
    const std::string previous = "%PDF-1.4 the report of yesterday\n";
    for (const Case& c : cases) {
        test::TempDir scratch;
        test::WriteText(scratch / "old.pdf", previous);
        fs::create_directory(scratch / "folder.pdf");
        test::WriteText(scratch / "folder.pdf" / "inside.txt", "kept");
        const test::CliOutput made =
            Report((scratch / c.target).string(), "", "unset XDG_RUNTIME_DIR");
        EXPECT_EQ(made.status, 1) << c.name;
        // The one line of the real error, and no other.
        EXPECT_EQ(made.err.rfind("quorvane-cli: " + (scratch / c.target).string() + ": ", 0), 0u)
            << c.name << ": " << made.err;
        EXPECT_EQ(std::count(made.err.begin(), made.err.end(), '\n'), 1) << made.err;
        EXPECT_NE(made.err.find(c.message), std::string::npos) << c.name << ": " << made.err;
        EXPECT_EQ(test::ReadText(scratch / "old.pdf"), previous) << c.name;
        EXPECT_EQ(test::ReadText(scratch / "folder.pdf" / "inside.txt"), "kept") << c.name;
        // No scratch file is left beside the target.
        int entries = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(scratch.path()))
            ++entries;
        EXPECT_EQ(entries, 2) << c.name;
    }
}

TEST_F(CliReportTest, UsageErrorsNameWhatIsMissing) {
    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {"report '" + log + ":1'", "report needs -o FILE.pdf"},
        {"report -o x.pdf", "report takes one to four laps"},
        {"report '" + log + ":1' -o x.pdf --paper a5", "--paper takes a4 or letter"},
    };
    for (const Case& c : cases) {
        const test::CliOutput made = test::RunCliProcess(c.args);
        EXPECT_EQ(made.status, 2) << c.args;
        EXPECT_NE(made.err.find(c.message), std::string::npos) << made.err;
    }
}

}  // namespace
}  // namespace qv
