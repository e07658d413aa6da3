// The Data page driven through its buttons, as a user would.
#include <gtest/gtest.h>
#include <QLabel>
#include <QRegularExpression>
#include <QTabWidget>
#include <fstream>
#include <iterator>

#include "ui/data_commands.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

const QColor kPink(255, 192, 255);
const QColor kLightYellow(255, 255, 128);
const QColor kLightGreen(192, 255, 192);
const QColor kGrey(224, 224, 224);

// "m:ss.zzz" as seconds.
double LapSeconds(const QString& text) {
    const QStringList parts = text.split(':');
    double seconds = 0;
    for (const QString& part : parts)
        seconds = seconds * 60 + part.toDouble();
    return seconds;
}

std::vector<char> Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DataPageTest : public ::testing::Test, public WindowFixture {};

TEST_F(DataPageTest, DemoLogFillsTheListWithItsMarks) {
    OpenDemoLog();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Open log data");
    EXPECT_EQ(step.shown, 1);
    const int rows = LapGrid()->model()->rowCount();
    ASSERT_GE(rows, 4);
    EXPECT_EQ(LapGrid()->model()->headerData(0, Qt::Horizontal).toString(), "Data Name");
    EXPECT_EQ(LapGrid()->model()->headerData(4, Qt::Horizontal).toString(), "Lap Time");

    const QRegularExpression date("^\\d{4}/\\d{2}/\\d{2}$");
    const QRegularExpression lapTime("^\\d+:\\d{2}\\.\\d{3}$");
    int fastest = -1, second = -1, highest = -1;
    for (int r = 0; r < rows; ++r) {
        EXPECT_EQ(Cell(r, 1), QString::asprintf("%04d", r));
        EXPECT_TRUE(date.match(Cell(r, 2)).hasMatch()) << Cell(r, 2).toStdString();
        EXPECT_TRUE(lapTime.match(Cell(r, 4)).hasMatch()) << Cell(r, 4).toStdString();
        EXPECT_EQ(Cell(r, 7), "demo");
        const double t = LapSeconds(Cell(r, 4));
        if (fastest < 0 || t < LapSeconds(Cell(fastest, 4))) {
            second = fastest;
            fastest = r;
        } else if (second < 0 || t < LapSeconds(Cell(second, 4))) {
            second = r;
        }
        if (highest < 0 || Cell(r, 5).toDouble() > Cell(highest, 5).toDouble())
            highest = r;
    }
    EXPECT_EQ(CellColour(fastest, 4, Qt::BackgroundRole), kPink);
    EXPECT_EQ(CellColour(second, 4, Qt::BackgroundRole), kLightYellow);
    EXPECT_EQ(CellColour(highest, 5, Qt::BackgroundRole), kPink);
    // One load group: white rows, black text, numbers right-aligned.
    EXPECT_EQ(CellColour(0, 0, Qt::BackgroundRole), QColor(Qt::white));
    EXPECT_EQ(CellColour(0, 0, Qt::ForegroundRole), QColor(Qt::black));
    const int align = LapGrid()->model()->index(0, 4).data(Qt::TextAlignmentRole).toInt();
    EXPECT_TRUE(align & Qt::AlignRight);
    EXPECT_EQ(LapGrid()->columnWidth(0), 120);
    EXPECT_EQ(LapGrid()->columnWidth(7), 216);
    EXPECT_EQ(LapGrid()->columnWidth(19), 40);

    // The second opening is the next load group: shaded grey, numbered on.
    OpenDemoLog();
    ASSERT_EQ(LapGrid()->model()->rowCount(), 2 * rows);
    EXPECT_EQ(Cell(rows, 1), QString::asprintf("%04d", rows));
    EXPECT_EQ(CellColour(rows, 0, Qt::BackgroundRole), kGrey);
    EXPECT_EQ(CellColour(rows - 1, 0, Qt::BackgroundRole), QColor(Qt::white));
    EXPECT_TRUE(Child<QToolButton>("SpeedButtonLdLogFile")->isEnabled());
}

TEST_F(DataPageTest, TwoLapsGoIntoSlotsAAndBWithTheirSectorTimes) {
    OpenDemoLog();
    DoubleClick(LapGrid(), 1);
    DoubleClick(LapGrid(), 2);
    ASSERT_EQ(session->laps.LapDtNum(), 2);
    EXPECT_EQ(CellColour(1, 0, Qt::ForegroundRole), QColor(255, 0, 0));
    EXPECT_EQ(CellColour(2, 0, Qt::ForegroundRole), QColor(0, 0, 255));
    EXPECT_EQ(CellColour(3, 0, Qt::ForegroundRole), QColor(Qt::black));

    for (int slot = 0; slot < 2; ++slot) {
        const int row = slot + 1;
        const QString letter = slot == 0 ? "A" : "B";
        const QString summary = Child<QLabel>(("Label" + letter).toLatin1())->text();
        EXPECT_TRUE(summary.startsWith(Cell(row, 4) + " ")) << summary.toStdString();
        // "[0001], s1, s2, ...": the sector times add up to the lap time.
        const QStringList sectors =
            Child<QLabel>(("LabelSect" + letter).toLatin1())->text().split(", ");
        ASSERT_EQ(sectors.size(), 1 + session->gates.SectCount + 1);
        EXPECT_EQ(sectors[0], "[" + Cell(row, 1) + "]");
        double sum = 0;
        for (int k = 1; k < sectors.size(); ++k)
            sum += LapSeconds(sectors[k]);
        EXPECT_NEAR(sum, LapSeconds(Cell(row, 4)), 0.001 * sectors.size());
        // The sector table's first sector time is the label's.
        auto* table = Child<QTableView>("StringGridSectData");
        EXPECT_EQ(table->model()->index(slot, 0).data().toString().remove('*'), sectors[1]);
        EXPECT_EQ(table->model()->index(slot, 0).data(Qt::ForegroundRole).value<QColor>(),
                  slot == 0 ? QColor(255, 0, 0) : QColor(0, 0, 255));
    }

    // Double-clicking a shown lap takes it out again; B moves up to A.
    DoubleClick(LapGrid(), 1);
    ASSERT_EQ(session->laps.LapDtNum(), 1);
    EXPECT_EQ(CellColour(2, 0, Qt::ForegroundRole), QColor(255, 0, 0));
    EXPECT_EQ(Child<QLabel>("LabelB")->text(), ".");
}

TEST_F(DataPageTest, SectorCellSavesThatSectorAsALap) {
    OpenDemoLog();
    Select(LapGrid(), 1, 3);
    Click("SpeedButtonGrp");
    ASSERT_EQ(session->laps.LapDtNum(), 1);

    auto* table = Child<QTableView>("StringGridSectData");
    const std::filesystem::path target = dir / "sector.DTB";
    std::filesystem::path written = target;
    written.replace_extension(".dtb");
    prompter.files.push_back(target.string());
    DoubleClick(table, 0, 5);  // slot A, sector 2
    ASSERT_EQ(prompter.shown.back().kind, "save");
    EXPECT_EQ(prompter.shown.back().request.proposedName, "0001_Sector2.dtb");
    ASSERT_TRUE(std::filesystem::exists(written));

    // Read back, the sector is a lap of its own whose time is the table's.
    const int rows = LapGrid()->model()->rowCount();
    prompter.files.push_back(written.string());
    prompter.files.push_back(std::nullopt);
    Click("SpeedButtonLoad");
    ASSERT_EQ(LapGrid()->model()->rowCount(), rows + 1);
    EXPECT_NEAR(LapSeconds(Cell(rows, 4)),
                LapSeconds(table->model()->index(0, 5).data().toString().remove('*')), 0.002);
}

TEST_F(DataPageTest, SavedLapReadsBackAsTheSameLap) {
    OpenDemoLog();
    Select(LapGrid(), 1);
    const std::filesystem::path target = dir / "saved.dtb";
    prompter.files.push_back(target.string());
    Click("SpeedButtonSvRun");
    ASSERT_TRUE(std::filesystem::exists(target));
    const std::filesystem::path temp = TempLapFilePath(session->folders, 1);
    EXPECT_EQ(Bytes(target), Bytes(temp));
    QString proposed = Cell(1, 0) + "_" + Cell(1, 1) + "_" + Cell(1, 4);
    proposed.replace(':', '_').replace('.', '_');
    EXPECT_EQ(prompter.shown.back().request.proposedName, proposed.toStdString() + ".dtb");

    const int rows = LapGrid()->model()->rowCount();
    prompter.files.push_back(target.string());
    prompter.files.push_back(std::nullopt);
    Click("SpeedButtonLoad");
    ASSERT_EQ(LapGrid()->model()->rowCount(), rows + 1);
    EXPECT_EQ(Cell(rows, 4), Cell(1, 4));
    EXPECT_EQ(Cell(rows, 5), Cell(1, 5));
    EXPECT_EQ(Cell(rows, 0), "saved");
}

TEST_F(DataPageTest, RemoveAllAsksEmptiesAndThenAsksNoMore) {
    OpenDemoLog();
    DoubleClick(LapGrid(), 1);
    ASSERT_EQ(session->laps.LapDtNum(), 1);

    Click("SpeedButtonClrDt");  // answered Cancel
    EXPECT_EQ(prompter.LastMessage(), "Do you remove all lap data?");
    EXPECT_GT(session->laps.LapNum(), 0);

    prompter.answers.push_back(true);
    Click("SpeedButtonClrDt");
    EXPECT_EQ(session->laps.LapNum(), 0);
    EXPECT_EQ(session->laps.LapDtNum(), 0);
    EXPECT_EQ(LapGrid()->model()->rowCount(), 1);
    EXPECT_EQ(Cell(0, 1), "");
    EXPECT_EQ(Child<QLabel>("LabelA")->text(), ".");

    const size_t asked = prompter.shown.size();
    Click("SpeedButtonClrDt");
    EXPECT_EQ(prompter.shown.size(), asked);
}

TEST_F(DataPageTest, BadFilesAreToldAndLeaveTheButtonsWorking) {
    const std::filesystem::path broken = dir / "broken.bnx4";
    WriteBytes(broken, std::vector<uint8_t>(4097, 0));
    prompter.files.push_back(broken.string());
    Click("SpeedButtonLdLogFile");
    ASSERT_FALSE(prompter.Messages().empty());
    EXPECT_EQ(prompter.LastMessage(), "It is not a Quorvane log format.");
    EXPECT_TRUE(Child<QToolButton>("SpeedButtonLdLogFile")->isEnabled());
    EXPECT_EQ(step.shown, 0);

    // Laps that cannot be written to the temporary folder are told once.
    const std::filesystem::path temp = session->folders.TempFolder;
    std::filesystem::rename(temp, dir / "temp-aside");
    WriteBytes(temp, {'x'});
    const size_t before = prompter.Messages().size();
    OpenDemoLog();
    EXPECT_EQ(prompter.Messages().size(), before + 1);
    EXPECT_EQ(session->laps.LapNum(), 0);
    std::filesystem::remove(temp);
    std::filesystem::rename(dir / "temp-aside", temp);

    // A temporary lap file that vanished cannot be shown, silently.
    OpenDemoLog();
    std::filesystem::remove(TempLapFilePath(session->folders, 2));
    const size_t told = prompter.shown.size();
    DoubleClick(LapGrid(), 2);
    EXPECT_EQ(session->laps.LapDtNum(), 0);
    EXPECT_EQ(prompter.shown.size(), told);
    DoubleClick(LapGrid(), 1);
    EXPECT_EQ(session->laps.LapDtNum(), 1);
}

TEST_F(DataPageTest, RenameAndCsvExportActOnTheFocusedList) {
    OpenDemoLog();
    names.answer = "Morning run";
    Select(LapGrid(), 1, 0);
    Click("SpeedButtonEdiDataName");
    EXPECT_EQ(names.caption, "Edit data name0001");
    EXPECT_EQ(Cell(1, 0), "Morning run");

    const std::filesystem::path csv = dir / "lap.csv";
    prompter.files.push_back(csv.string());
    Select(LapGrid(), 1, 4);
    Click("SpeedButtonCsv2");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], csv);
    std::ifstream in(csv);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header.rfind("Sec,Time,Latitude,Longitude", 0), 0u);
}

TEST_F(DataPageTest, DroppedLapFilesLoadOnlyOnTheDataPage) {
    OpenDemoLog();
    const int rows = session->laps.LapNum();
    const std::filesystem::path lap = TempLapFilePath(session->folders, 1);
    const std::filesystem::path copy = dir / "dropped.DTB";
    std::filesystem::copy_file(lap, copy);
    auto* pages = Child<QTabWidget>("PageControl1");
    pages->setCurrentIndex(0);
    EXPECT_FALSE(window->dataCommands().DropFiles({copy}, false));
    EXPECT_EQ(session->laps.LapNum(), rows);
    EXPECT_TRUE(window->dataCommands().DropFiles({copy, dir / "notes.txt"}, true));
    EXPECT_EQ(session->laps.LapNum(), rows + 1);
    EXPECT_EQ(Cell(rows, 4), Cell(1, 4));
}

TEST_F(DataPageTest, ADroppedLogOfAnotherLoggerOpensThroughTheLogBlockDialog) {
    const std::filesystem::path kart = dir / "kart.nmea";
    std::filesystem::copy_file(TestDataDir() + "/nmea/gps_race_data_praga_laps.nmea", kart);
    EXPECT_FALSE(window->dataCommands().DropFiles({kart}, false));
    EXPECT_EQ(step.shown, 0);
    window->dataCommands().DropFiles({kart}, true);
    EXPECT_EQ(step.shown, 1);
    EXPECT_EQ(session->openLogName, "kart");
    EXPECT_EQ(session->log.LogItemNum, 1822);
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
}  // namespace qv::test
