// The Data page's imports, exports and copy menus, and the gates that the
// circuit search brings along when a log is opened.
#include <gtest/gtest.h>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/analysis.h"
#include "exchange/motec_file.h"
#include "presentation/refresh_sequence.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

std::vector<std::string> Cells(const std::string& line, char separator) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, separator);)
        cells.push_back(cell);
    return cells;
}

std::string Fmt(const char* format, double v) {
    return Num(format, v);
}

// ddmm.mmmmmm of a coordinate's magnitude.
double DegreesMinutes(double degrees) {
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    return whole * 100 + (a - whole) * 60;
}

class DataExchangeTest : public ::testing::Test, public WindowFixture {
  protected:
    std::string Clipboard(const char* action) {
        QGuiApplication::clipboard()->clear();
        Child<QAction>(action)->trigger();
        return QGuiApplication::clipboard()->text().toStdString();
    }
    void WriteMotec(const std::filesystem::path& path, const std::vector<std::string>& lines) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << JoinLines(lines);
    }
    std::filesystem::path Documents() const { return dir / "documents"; }
};

TEST_F(DataExchangeTest, MotecFilesBecomeRowsAndTheDialogFollowsTheChosenFolder) {
    OpenDemoLog();
    const int rows = LapGrid()->model()->rowCount();
    const MotecMotion motion;
    const std::filesystem::path file = dir / "imports" / "circle.csv";
    WriteMotec(file, MotecLines(motion));
    prompter.files.push_back(file.string());
    Click("SpeedButtonMotec");
    ASSERT_EQ(prompter.shown.back().kind, "open");
    EXPECT_EQ(prompter.shown.back().text, "Open MoTeC data(.csv)");
    EXPECT_EQ(prompter.shown.back().request.initialFolder, Documents().string());

    ASSERT_EQ(LapGrid()->model()->rowCount(), rows + 1);
    EXPECT_EQ(Cell(rows, 0), "circle");
    EXPECT_EQ(Cell(rows, 1), QString::asprintf("%04d", rows));
    EXPECT_EQ(Cell(rows, 4), "0:30.000");
    EXPECT_EQ(Cell(rows, 6).toStdString(), Fmt("%.3f", motion.DistM(motion.Samples() - 1) / 1000));
    EXPECT_EQ(Cell(rows, 7).toStdString(), file.string());

    // A file too short to be an export is refused without a word; the
    // dialog now starts in the folder of the last file.
    const std::filesystem::path shortFile = dir / "other" / "short.csv";
    std::vector<std::string> lines = MotecLines(motion);
    lines.resize(12);
    WriteMotec(shortFile, lines);
    const size_t messages = prompter.Messages().size();
    prompter.files.push_back(shortFile.string());
    Click("SpeedButtonMotec");
    EXPECT_EQ(prompter.shown.back().request.initialFolder, file.parent_path().string());
    EXPECT_EQ(LapGrid()->model()->rowCount(), rows + 1);
    EXPECT_EQ(prompter.Messages().size(), messages);

    // The imported row goes into a slot like any other lap.
    DoubleClick(LapGrid(), rows);
    EXPECT_EQ(session->laps.LapDtNum(), 1);
    EXPECT_EQ(Child<QLabel>("LabelSectA")->text().section(',', 0, 0), "[" + Cell(rows, 1) + "]");
}

TEST_F(DataExchangeTest, NmeaExportWritesOneCheckedRmcSentencePerSample) {
    OpenDemoLog();
    // Without the list's focus nothing is asked.
    auto* sectorTable = Child<QTableView>("StringGridSectData");
    sectorTable->setFocus();
    const size_t shown = prompter.shown.size();
    Click("SpeedButtonNMEA");
    EXPECT_EQ(prompter.shown.size(), shown);

    Select(LapGrid(), 1, 2);
    const std::filesystem::path target = dir / "lap";
    prompter.files.push_back(target.string());
    Click("SpeedButtonNMEA");
    ASSERT_EQ(prompter.shown.back().kind, "save");
    EXPECT_EQ(prompter.shown.back().request.initialFolder, Documents().string());
    EXPECT_EQ(prompter.shown.back().request.proposedName,
              (Cell(1, 0) + "_" + Cell(1, 1) + ".nmea").toStdString());

    std::ifstream in(dir / "lap.nmea", std::ios::binary);
    ASSERT_TRUE(in) << "no lap.nmea";
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::vector<std::string> lines = CrLfLines(text);
    const LapFileRead lap = ReadLapFile(TempLapFilePath(session->folders, 1));
    ASSERT_GE(lap.samples.size(), 5u);
    ASSERT_EQ(lines.size(), lap.samples.size());

    for (size_t i : {size_t{0}, lines.size() - 1}) {
        const std::string& line = lines[i];
        ASSERT_EQ(line.rfind("$GPRMC,", 0), 0u) << line;
        const size_t star = line.find('*');
        ASSERT_EQ(star, line.size() - 3) << line;
        unsigned sum = 0;
        for (size_t c = 1; c < star; ++c)
            sum ^= static_cast<unsigned char>(line[c]);
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", sum);
        EXPECT_EQ(line.substr(star + 1), hex) << line;

        const std::vector<std::string> fields = Cells(line.substr(1, star - 1), ',');
        ASSERT_EQ(fields.size(), 13u) << line;
        const TLapElmRec& sample = lap.samples[i];
        EXPECT_EQ(fields[2], "A");
        EXPECT_EQ(fields[3], Fmt("%.6f", DegreesMinutes(static_cast<double>(sample.Ido))));
        EXPECT_EQ(fields[4], "N");  // the demo circuit lies north-east
        EXPECT_EQ(fields[5], Fmt("%.6f", DegreesMinutes(static_cast<double>(sample.Kdo))));
        EXPECT_EQ(fields[6], "E");
        EXPECT_EQ(fields[7], Fmt("%.1f", static_cast<double>(sample.Spd) / 1.852));
        EXPECT_EQ(fields[8], "");
    }
}

TEST_F(DataExchangeTest, CopyMenusPutTheirTablesOnTheClipboard) {
    // Empty list and tables: the header lines alone.
    EXPECT_EQ(CrLfLines(Clipboard("pmAllDt")).size(), 1u);
    EXPECT_EQ(CrLfLines(Clipboard("pmSelDt")).size(), 1u);

    OpenDemoLog();
    DoubleClick(LapGrid(), 2);
    DoubleClick(LapGrid(), 1);
    ASSERT_EQ(session->laps.LapDtNum(), 2);

    const std::vector<std::string> all = CrLfLines(Clipboard("pmAllDt"));
    ASSERT_EQ(all.size(), static_cast<size_t>(session->laps.LapNum()) + 1);
    EXPECT_EQ(all[0].rfind("Data Name\tData No.\tDate\tTime\tLap Time\t", 0), 0u) << all[0];
    EXPECT_NE(all[0].find("\tDRIFT\tScore\t"), std::string::npos) << all[0];
    auto tabs = [](const std::string& line) { return std::count(line.begin(), line.end(), '\t'); };
    for (size_t r = 1; r < all.size(); ++r) {
        EXPECT_EQ(Cells(all[r], '\t')[1], Cell(static_cast<int>(r) - 1, 1).toStdString());
        // Every row fills the spreadsheet columns of the header, no more.
        EXPECT_EQ(tabs(all[r]), tabs(all[0])) << all[r];
    }

    // The shown laps in slot order: A holds lap 0002, B lap 0001.
    const std::vector<std::string> shown = CrLfLines(Clipboard("pmSelDt"));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], all[0]);
    EXPECT_EQ(shown[1], all[3]);
    EXPECT_EQ(shown[2], all[2]);

    // Sector table: header, slots A and B, the best-of row.
    const std::vector<std::string> sectors = CrLfLines(Clipboard("pmSectDt"));

    ASSERT_EQ(sectors.size(), 4u);
    EXPECT_EQ(
        sectors[0].rfind("'-S1 Time\t'-S1 Length\t'-S1 AveSpeed\t'-S1 Top\tBot\tS1 Split\t", 0), 0u)
        << sectors[0];
    auto* table = Child<QTableView>("StringGridSectData");
    std::vector<std::string> firstSector;
    for (size_t r = 1; r < sectors.size(); ++r) {
        EXPECT_EQ(tabs(sectors[r]), tabs(sectors[0])) << sectors[r];
        firstSector.push_back(Cells(sectors[r], '\t')[0]);
        EXPECT_EQ(firstSector.back().find('*'), std::string::npos);
    }
    EXPECT_EQ(firstSector[0],
              table->model()->index(0, 0).data().toString().remove('*').toStdString());
    EXPECT_EQ(firstSector[1],
              table->model()->index(1, 0).data().toString().remove('*').toStdString());
    // Both laps are under a minute there, so the texts order as the times.
    EXPECT_EQ(firstSector[2], std::min(firstSector[0], firstSector[1]));

    // Drift table: header, then the slots whose laps have drift data.
    const std::vector<std::string> drift = CrLfLines(Clipboard("pmDriftDt"));
    size_t drifting = 0;
    for (int slot = 0; slot < 2; ++slot)
        drifting += session->laps.LapDt[static_cast<size_t>(slot)].driftAct ? 1 : 0;
    ASSERT_EQ(drift.size(), 1 + drifting);
    EXPECT_EQ(drift[0].rfind("'-S1 HighDeg+\t'-HighDeg\t'-S1 Ave\tDev\t'-S1 Vel\tAction\t'-S1 "
                             "Sco\tSum\t",
                             0),
              0u)
        << drift[0];
}

TEST_F(DataExchangeTest, RightClicksOpenTheMenuOfTheTableUnderThePointer) {
    OpenDemoLog();
    auto menuAfterClickOn = [this](QTableView* grid) -> QString {
        for (QMenu* menu : window->findChildren<QMenu*>())
            menu->hide();
        const QPoint at(10, 10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &event);
        QString open;
        for (QMenu* menu : window->findChildren<QMenu*>()) {
            if (menu->isVisible())
                open += menu->objectName();
        }
        return open;
    };
    auto* tabs = Child<QTabWidget>("PageControlDetail");
    EXPECT_EQ(menuAfterClickOn(LapGrid()), "PopupMenu2");
    EXPECT_EQ(menuAfterClickOn(Child<QTableView>("StringGridSectData")), "PopupMenu3");
    tabs->setCurrentIndex(1);
    EXPECT_EQ(menuAfterClickOn(Child<QTableView>("StringGridDrift")), "PopupMenu4");
    EXPECT_EQ(Child<QAction>("pmSelDt")->text(), "Copy &graph display data to clipboard");
    for (QMenu* menu : window->findChildren<QMenu*>())
        menu->hide();
}

TEST_F(DataExchangeTest, GatesBroughtByTheLogDialogRetimeTheShownLaps) {
    OpenDemoLog();
    const int demoGates = session->gates.SectCount;
    ASSERT_GE(demoGates, 2);
    DoubleClick(LapGrid(), 1);
    DoubleClick(LapGrid(), 2);
    ASSERT_EQ(session->laps.LapDtNum(), 2);

    // Down to one gate, as the gate commands would leave it.
    session->gates.SectCount = 1;
    RefreshAfterGateChange(*session);
    window->RunSteps(GateChangeSteps(session->presentation, session->laps.LapDtNum()));
    auto* table = Child<QTableView>("StringGridSectData");
    ASSERT_EQ(table->model()->headerData(5, Qt::Horizontal).toString(), "S1- Time");
    const double oneGateSecond = session->sectRes[0].SectTim[1];

    // The dialog of the reopened log sets the demo's gates again.
    Click("SpeedButtonReLog");
    ASSERT_EQ(session->gates.SectCount, demoGates);
    ASSERT_EQ(session->laps.LapDtNum(), 2);
    EXPECT_EQ(table->model()->headerData(5, Qt::Horizontal).toString(), "S1-2 Time");
    for (int slot = 0; slot < 2; ++slot) {
        const SectRes& result = session->sectRes[static_cast<size_t>(slot)];
        const double lapSeconds =
            static_cast<double>(session->laps.LapDt[static_cast<size_t>(slot)].LapTim) * 86400;
        double sum = 0;
        for (int k = 0; k <= demoGates; ++k) {
            EXPECT_GT(result.SectTim[static_cast<size_t>(k)], 0)
                << "slot " << slot << " sector " << k;
            sum += result.SectTim[static_cast<size_t>(k)];
        }
        EXPECT_NEAR(sum, lapSeconds, 0.01);
        const QString letter = slot == 0 ? "A" : "B";
        EXPECT_EQ(Child<QLabel>(("LabelSect" + letter).toLatin1())->text().count(", "),
                  demoGates + 1);
    }
    // The second gate now ends sector 2, well before the lap's end.
    EXPECT_LT(session->sectRes[0].SectTim[1], oneGateSecond);
}

}  // namespace
}  // namespace qv::test
