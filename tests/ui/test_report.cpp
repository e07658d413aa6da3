// The session report from the window: "Export report (PDF)…" on two laps
// of the demo log, its pages read back with poppler's tools. The command-line
// tests read the whole text; here only what the window gives: its save flow
// and the laps in its slots.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QTableView>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "core/colours.h"
#include "support/child_run.h"
#include "support/shell_output.h"
#include "ui/report/report_actions.h"
#include "ui/report/report_document.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

namespace fs = std::filesystem;

class ReportTest : public ::testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        OpenDemoLog();
        DoubleClick(LapGrid(), 1);
        DoubleClick(LapGrid(), 2);
        ASSERT_EQ(session->laps.LapDtNum(), 2);
    }
    void Export() const {
        auto* action = window->findChild<QAction*>(QStringLiteral("MenuExportReport"));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromUtf8("Export report (PDF)\u2026"));
        action->trigger();
    }
};

TEST_F(ReportTest, TheMenuWritesAPdfHoldingTheWindowsSectorTable) {
    prompter.files.push_back((dir / "day.PDF").string());
    Export();
    // The save flow of the other exports: the extension made exactly ".pdf",
    // the folder remembered for the next dialog.
    const fs::path written = dir / "day.pdf";
    ASSERT_TRUE(fs::exists(written)) << prompter.LastMessage();
    EXPECT_EQ(session->folders.csvFolder, dir.path());
    const std::string text = ShellOutput("pdftotext '" + written.string() + "' -");
    ASSERT_FALSE(text.empty());

    const QAbstractItemModel* sectors = Child<QTableView>("StringGridSectData")->model();
    int figures = 0;
    for (int row = 1; row <= 2; ++row) {
        for (int column = 0; column < sectors->columnCount(); ++column) {
            const std::string cell = sectors->index(row, column).data().toString().toStdString();
            if (cell.empty())
                continue;
            EXPECT_NE(text.find(cell), std::string::npos) << "row " << row << ": " << cell;
            ++figures;
        }
    }
    EXPECT_GE(figures, 20);
}

// Slot A's red trace, rendered back at 50 dpi, lies inside the rectangle
// the layout gave the speed graph or the course map, and fills the graph.
TEST_F(ReportTest, TheGraphsInkStandsWhereTheLayoutPutsTheGraph) {
    const ReportDocument report = ui::MakeReport(*session, Paper::kA4);
    int graphPage = -1;
    PlacedBlock graph, map;
    for (size_t p = 0; p < report.layout.size(); ++p) {
        for (const PlacedBlock& b : report.layout[p].blocks) {
            if (b.kind == ReportBlockKind::kSpeedGraph) {
                graph = b;
                graphPage = static_cast<int>(p);
            } else if (b.kind == ReportBlockKind::kCourseMap) {
                map = b;
            }
        }
    }
    ASSERT_GE(graphPage, 0);
    const fs::path pdf = dir / "ink.pdf";
    const QByteArray bytes = ui::ReportPdf(report);
    ASSERT_FALSE(bytes.isEmpty());
    WriteText(pdf, bytes.toStdString());
    const std::string page = std::to_string(graphPage + 1);
    ShellOutput("pdftoppm -r 50 -png -f " + page + " -l " + page + " '" + pdf.string() + "' '" +
                (dir / "page").string() + "'");
    QImage image;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (entry.path().extension() == ".png")
            image.load(QString::fromStdString(entry.path().string()));
    }
    ASSERT_FALSE(image.isNull());
    const double scale = 50.0 / kReportDpi;
    const auto inside = [scale](const PlacedBlock& b, int x, int y) {
        return x >= b.left * scale - 1 && x <= b.right * scale + 1 &&
               y >= b.contentTop * scale - 1 && y <= b.bottom * scale + 1;
    };
    const Rgb red = kSlotColours[0];
    int inGraph = 0, elsewhere = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const bool reddish = std::abs(c.red() - red.r) < 80 && c.green() < 110 &&
                                 c.blue() < 110 && c.red() > c.green() + 80;
            if (!reddish)
                continue;
            if (inside(graph, x, y))
                ++inGraph;
            else if (!inside(map, x, y))
                ++elsewhere;
        }
    }
    EXPECT_GT(inGraph, 200);
    EXPECT_EQ(elsewhere, 0);
}

// The write fails part way (a full disk) or cannot start (a folder of that
// name): what was there stays, no scratch file is left, and the user reads
// the platform's message.
TEST_F(ReportTest, AFailedExportKeepsThePreviousFileAndShowsThePlatformsMessage) {
    struct Case {
        const char* name;
        const char* target;
        rlim_t fileSizeLimit;  // 0: none
        std::string message;
    };
    const Case cases[] = {
        {"full disk", "old.pdf", 4096, std::strerror(EFBIG)},
        {"folder", "folder.pdf", 0, std::strerror(EISDIR)},
    };
    const std::string previous = "%PDF-1.4 the report of yesterday\n";
    for (const Case& c : cases) {
        TempDir out;
        WriteText(out / "old.pdf", previous);
        fs::create_directory(out / "folder.pdf");
        WriteText(out / "folder.pdf" / "inside.txt", "kept");
        prompter.shown.clear();
        prompter.files = {(out / c.target).string()};
        prompter.answers = {true};  // replace it
        const ChildRun run = RunInChild([&] {
            if (c.fileSizeLimit > 0) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{c.fileSizeLimit, c.fileSizeLimit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            const bool written = ui::ExportReportPdf(*session, prompter);
            return std::vector<std::string>{written ? "written" : "failed", prompter.LastMessage()};
        });
        ASSERT_TRUE(run.exitedNormally) << c.name;
        ASSERT_EQ(run.fields.size(), 2u) << c.name;
        EXPECT_EQ(run.fields[0], "failed") << c.name;
        EXPECT_NE(run.fields[1].find(c.message), std::string::npos)
            << c.name << ": " << run.fields[1];
        EXPECT_EQ(ReadText(out / "old.pdf"), previous) << c.name;
        EXPECT_EQ(ReadText(out / "folder.pdf" / "inside.txt"), "kept") << c.name;
        int entries = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(out.path()))
            ++entries;
        EXPECT_EQ(entries, 2) << c.name;
    }
}

}  // namespace
}  // namespace qv::test
