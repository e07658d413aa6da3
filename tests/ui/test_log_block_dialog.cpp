// The engine headers come before Qt's: Qt's keyword macros would rewrite them.
#include "app/session.h"
#include "ui/log_block_fixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <fstream>
#include <functional>

#include "decode/load_log.h"
#include "laps/circuit_index.h"
#include "laps/suggest_line.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"
#include "ui/circuit_dialog.h"
#include "ui/edit_name_box.h"
#include "ui/log_block_dialog.h"
#include "ui/log_block_map.h"
#include "ui/mark_dialog.h"
#include "ui/record_list.h"

namespace qv {
namespace {

// Runs `act` on the modal dialog that the next call opens.
void OnNextModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] { act(QApplication::activeModalWidget()); });
}

// The circuit dialog, answered without a blocking exec.
class ScriptedCircuitDialog : public CircuitChooser {
  public:
    std::function<void(ui::CircuitDialog&)> pick;
    int shown = 0;
    std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) override {
        ++shown;
        ui::CircuitDialog dialog(nullptr, candidates);
        if (!pick)
            return std::nullopt;
        pick(dialog);
        return dialog.Choice();
    }
};

class LogBlockDialogTest : public ::testing::Test {
  protected:
    void Open(std::unique_ptr<Session> session) {
        dialog_.reset();
        session_ = std::move(session);
        dialog_ = std::make_unique<ui::LogBlockDialog>(nullptr, *session_, prompter_, index_,
                                                       chooser_, "SESSION_LOG_WITH_A_LONG_NAME");
        dialog_->resize(1000, 700);
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
        QApplication::processEvents();
    }
    ui::LogBlockMap& Map() { return *dialog_->Map(); }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(&Map(), Qt::LeftButton, {}, from);
        QTest::mouseMove(&Map(), (from + to) / 2);
        QTest::mouseMove(&Map(), to);
        QTest::mouseRelease(&Map(), Qt::LeftButton, {}, to);
    }
    QPoint FixPixel(int fix) {
        const MapProjection p = Map().Projection();
        const TLogItem& item = session_->log.LogItems[fix];
        return QPoint(p.X(item.Kdo), p.Y(item.Ido));
    }

    test::ScriptedPrompter prompter_;
    CircuitIndex index_;
    ScriptedCircuitDialog chooser_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<ui::LogBlockDialog> dialog_;
};

TEST_F(LogBlockDialogTest, ControlLineDrawnWithTheMouseLiesOnTheFixesUnderIt) {
    Open(test::DiagonalSession(1, 101));
    Drag(FixPixel(20), FixPixel(80));
    const LineState& lines = session_->lines;
    ASSERT_TRUE(lines.controlLineSet);
    EXPECT_FALSE(lines.startLineSet);
    // Within a pixel of the fixes, about 23 m at this size.
    const double pixelDeg = 0.01 / Map().Projection().height;
    EXPECT_NEAR(static_cast<double>(lines.first[0].lat), 35.002, 1.5 * pixelDeg);
    EXPECT_NEAR(static_cast<double>(lines.first[0].lon), 139.002, 1.5 * pixelDeg);
    EXPECT_NEAR(static_cast<double>(lines.first[1].lat), 35.008, 1.5 * pixelDeg);
    EXPECT_NEAR(static_cast<double>(lines.first[1].lon), 139.008, 1.5 * pixelDeg);

    // The cursor position reads out under the pointer.
    QTest::mouseMove(&Map(), FixPixel(50));
    const QString readout = dialog_->findChild<QLabel*>("LabelIK")->text();
    EXPECT_TRUE(readout.startsWith("35.00")) << readout.toStdString();
    EXPECT_TRUE(readout.contains(" , 139.00")) << readout.toStdString();

    // A click in place leaves the start tool's line unset and the control line gone.
    dialog_->Button("SpeedButtonSta")->click();
    EXPECT_EQ(dialog_->Editor().Tool(), LineTool::Start);
    QTest::mouseClick(&Map(), Qt::LeftButton, {}, FixPixel(30));
    EXPECT_FALSE(lines.controlLineSet);
    EXPECT_FALSE(lines.startLineSet);
}

TEST_F(LogBlockDialogTest, ZoomRectangleAndCancelZoom) {
    Open(test::DiagonalSession(1, 101));
    dialog_->Button("SpeedButtonRect")->click();
    Drag(FixPixel(25), FixPixel(75));
    EXPECT_NEAR(static_cast<double>(dialog_->View().IdoMin), 35.0025, 0.0002);
    EXPECT_NEAR(static_cast<double>(dialog_->View().KdoMax), 139.0075, 0.0002);
    EXPECT_FALSE(session_->lines.controlLineSet);
    dialog_->Button("SpeedButtonRstZoom")->click();
    EXPECT_EQ(dialog_->View().IdoMin, session_->log.LogRect.IdoMin);
    EXPECT_EQ(dialog_->View().KdoMax, session_->log.LogRect.KdoMax);
}

TEST_F(LogBlockDialogTest, WheelZoomsAboutThePointerWithinTheLog) {
    Open(test::DiagonalSession(1, 101));
    const TLogRect whole = session_->log.LogRect;
    auto wheel = [&](int delta) {
        const QPointF at = FixPixel(50);
        QWheelEvent event(at, Map().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&Map(), &event);
    };
    wheel(120);
    const double extent = static_cast<double>(dialog_->View().IdoMax - dialog_->View().IdoMin);
    EXPECT_NEAR(extent, 0.009, 1e-9);
    const double centre = static_cast<double>(dialog_->View().IdoMax + dialog_->View().IdoMin) / 2;
    EXPECT_NEAR(centre, 35.005, 0.0001);
    // Zooming out twice cannot go beyond the whole log.
    wheel(-120);
    wheel(-120);
    EXPECT_GE(dialog_->View().IdoMin, whole.IdoMin);
    EXPECT_LE(dialog_->View().IdoMax, whole.IdoMax);
    EXPECT_GE(dialog_->View().KdoMin, whole.KdoMin);
}

TEST_F(LogBlockDialogTest, ShiftingTwiceMovesTheFixesTwoPixels) {
    Open(test::DiagonalSession(1, 101));
    const double before = session_->log.LogItems[7].Kdo;
    const double pixel = 0.01 / Map().width();
    dialog_->Button("SpeedButtonAE")->click();
    dialog_->Button("SpeedButtonAE")->click();
    EXPECT_NEAR(session_->log.LogItems[7].Kdo - before, 2 * pixel, 1e-12);
    const double lat = session_->log.LogItems[7].Ido;
    dialog_->Button("SpeedButtonAS")->click();
    EXPECT_NEAR(session_->log.LogItems[7].Ido - lat, -0.01 / Map().height(), 1e-12);
}

TEST_F(LogBlockDialogTest, MarkerFromTheMarkDialog) {
    Open(test::DiagonalSession(1, 20));
    OnNextModal([](QWidget* w) {
        auto* box = qobject_cast<ui::MarkBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Mark");
        box->Edit()->setText("35.004,139.006");
        box->accept();
    });
    dialog_->Button("SpeedButtonMark")->click();
    ASSERT_TRUE(session_->lines.markerSet);
    EXPECT_DOUBLE_EQ(static_cast<double>(session_->lines.marker.lat), 35.004);
    EXPECT_DOUBLE_EQ(static_cast<double>(session_->lines.marker.lon), 139.006);
}

TEST_F(LogBlockDialogTest, LogOfOneFixStillWorks) {
    Open(test::DiagonalSession(1, 1));
    EXPECT_FALSE(Map().TraceImage().isNull());
    Drag(QPoint(50, 50), QPoint(120, 90));
    QWheelEvent event(QPointF(60, 60), Map().mapToGlobal(QPointF(60, 60)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Map(), &event);
    Map().repaint();
    dialog_->Button("SpeedButtonAllRel")->click();
    Map().repaint();
    EXPECT_FALSE(session_->log.LogBlocks[0].Act);
    // Every pixel is the same place, so no line of two points can be drawn.
    EXPECT_FALSE(session_->lines.controlLineSet);
}

TEST_F(LogBlockDialogTest, TicksInTheRecordListChangeTheRuns) {
    Open(test::DiagonalSession(2, 50));
    ui::RecordList& list = *dialog_->Records();
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->checkState(), Qt::Checked);

    list.item(1)->setCheckState(Qt::Unchecked);
    const LogStore& log = session_->log;
    EXPECT_FALSE(log.LogBlocks[1].Act);
    EXPECT_TRUE(log.LogItems[10].Act);
    EXPECT_FALSE(log.LogItems[60].Act);
    // The view follows the remaining run, which ends at fix 49.
    EXPECT_NEAR(static_cast<double>(log.LogRect.IdoMax), 35.0 + 0.01 * 49 / 99, 1e-9);
    EXPECT_EQ(dialog_->View().IdoMax, log.LogRect.IdoMax);

    dialog_->Button("SpeedButtonAllRel")->click();
    EXPECT_EQ(list.item(0)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(log.LogBlocks[0].Act);
    // Nothing ticked still paints.
    EXPECT_FALSE(Map().TraceImage().isNull());
    dialog_->Button("SpeedButtonAllSel")->click();
    EXPECT_EQ(list.item(1)->checkState(), Qt::Checked);
    EXPECT_TRUE(log.LogItems[60].Act);
}

TEST_F(LogBlockDialogTest, RenamingARunRefusesForbiddenNames) {
    Open(test::DiagonalSession(2, 10));
    dialog_->Records()->setCurrentRow(1);
    bool refused = false;
    OnNextModal([&](QWidget* w) {
        auto* box = qobject_cast<ui::EditNameBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Edit record name");
        box->Edit()->setText("Lap:1");
        box->accept();
        refused = box->isVisible() && box->Edit()->selectedText() == ":";
        box->Edit()->setText("Morning run");
        box->accept();
    });
    dialog_->Button("SpeedButtonEdiRecName")->click();
    EXPECT_TRUE(refused);
    EXPECT_EQ(session_->log.LogBlocks[1].Title, "Morning run");
    EXPECT_EQ(dialog_->Records()->item(1)->text(), "Morning run");
}

TEST_F(LogBlockDialogTest, OkWithoutLinesAsksAndMaySearchFirst) {
    Open(test::DiagonalSession(1, 20));
    prompter_.answers = {true, false};
    dialog_->accept();
    EXPECT_TRUE(dialog_->isVisible());
    dialog_->accept();
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(prompter_.Messages(),
              (std::vector<std::string>{"Control line is not set.\rFind control line？",
                                        "Track map and control line not found.",
                                        "Control line is not set.\rFind control line？"}));
}

TEST_F(LogBlockDialogTest, CancelAsksNothingAndOkWithALineAsksNothing) {
    Open(test::DiagonalSession(1, 20));
    dialog_->findChild<QPushButton*>("CancelBtn")->click();
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_TRUE(prompter_.shown.empty());

    Open(test::DiagonalSession(1, 20));
    Drag(FixPixel(2), FixPixel(15));
    dialog_->findChild<QPushButton*>("OKBtn")->click();
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_TRUE(prompter_.shown.empty());
}

// Laps of a circuit with no files anywhere: the driving's own line is shown
// without being set, and OK takes it for this log without asking and
// without touching Rally; Erase refuses it. With the circuit's line on
// disk, that one.
TEST_F(LogBlockDialogTest, SuggestedLineWhenNoCircuitIsNear) {
    const synth::Circuit circuit = synth::DemoCircuit();
    synth::DriveOptions options;
    options.laps = 3;
    const synth::Drive drive = synth::SynthesizeDrive(circuit, options);
    auto driven = [&] {
        auto session = std::make_unique<Session>(25569.0);
        synth::LoadDriveIntoLog(drive, session->log, 25569.0);
        session->lines.Rally = true;
        return session;
    };
    QLabel* label = nullptr;
    QPushButton* take = nullptr;
    auto open = [&] {
        Open(driven());
        label = dialog_->findChild<QLabel*>("LabelSuggestedLine");
        take = dialog_->findChild<QPushButton*>("TakeSuggestedLineBtn");
    };
    open();
    const std::optional<SuggestedLine> expected = SuggestControlLine(session_->log);
    ASSERT_TRUE(expected.has_value());
    ASSERT_TRUE(dialog_->Offer().Pending().has_value());
    EXPECT_FALSE(session_->lines.controlLineSet);
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(take->isVisible());
    dialog_->findChild<QPushButton*>("OKBtn")->click();
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_TRUE(prompter_.shown.empty());
    ASSERT_TRUE(IsLogLine(session_->lines));
    EXPECT_EQ(session_->lines.first[0].lat, expected->line[0].lat);
    EXPECT_EQ(session_->lines.first[1].lon, expected->line[1].lon);
    EXPECT_TRUE(session_->lines.Rally);

    // The button takes it and leaves the dialog open.
    open();
    take->click();
    EXPECT_TRUE(IsLogLine(session_->lines));
    EXPECT_FALSE(take->isVisible());
    EXPECT_TRUE(session_->lines.Rally);
    EXPECT_TRUE(dialog_->isVisible());

    // Erase refuses it: OK then asks.
    open();
    dialog_->Button("SpeedButtonDel")->click();
    EXPECT_FALSE(label->isVisible());
    EXPECT_FALSE(dialog_->Offer().Pending().has_value());
    prompter_.answers.push_back(false);
    dialog_->findChild<QPushButton*>("OKBtn")->click();
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(prompter_.LastMessage(), kMsgControlLineNotSet);
    EXPECT_FALSE(session_->lines.controlLineSet);

    test::TempDir dir;
    ASSERT_TRUE(synth::WriteCircuitFiles(circuit, dir.path(), "home").ok);
    index_.controlLines = BuildCircuitIndex(dir.path(), CircuitFileKind::ControlLine, 25569, 46000);
    open();
    ASSERT_TRUE(session_->lines.controlLineSet);
    EXPECT_FALSE(IsLogLine(session_->lines));
    EXPECT_NEAR(static_cast<double>(session_->lines.first[0].lat), circuit.lineA.lat, 1e-6);
    EXPECT_FALSE(label->isVisible());
    EXPECT_FALSE(take->isVisible());
}

// A log whose file names its start line shows it as the control line.
TEST_F(LogBlockDialogTest, FileStartLineIsShownAsTheControlLine) {
    auto session = test::DiagonalSession(1, 101);
    session->fileStartLine = {{{35.005, 139.004}, {35.004, 139.006}}};
    Open(std::move(session));
    const LineState& lines = session_->lines;
    ASSERT_TRUE(lines.controlLineSet);
    EXPECT_TRUE(IsLogLine(lines));
    EXPECT_DOUBLE_EQ(static_cast<double>(lines.first[0].lat), 35.005);
    EXPECT_DOUBLE_EQ(static_cast<double>(lines.first[1].lon), 139.006);
    EXPECT_TRUE(dialog_->Offer().FromFile());
    EXPECT_TRUE(dialog_->findChild<QLabel*>("LabelSuggestedLine")->isVisible());
    dialog_->findChild<QPushButton*>("OKBtn")->click();
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(LogBlockDialogTest, SavedRallyOptionPutsStartDown) {
    auto session = test::DiagonalSession(1, 20);
    session->lines.Rally = true;
    Open(std::move(session));
    EXPECT_TRUE(dialog_->Button("SpeedButtonSta")->isChecked());
    EXPECT_TRUE(dialog_->findChild<QCheckBox*>("CheckBoxRallySta")->isChecked());
    dialog_->Button("SpeedButtonCtrl")->click();
    EXPECT_FALSE(session_->lines.Rally);
    EXPECT_FALSE(dialog_->findChild<QCheckBox*>("CheckBoxRallySta")->isChecked());
}

// Two control lines 110 m and 330 m from the start of the driving, and one
// track map: the dialog offers both lines, and the one chosen is loaded.
TEST_F(LogBlockDialogTest, ChosenCircuitFilesAreLoaded) {
    test::TempDir dir;
    const auto write = [&](const char* name, const char* text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    };
    write("near.cln", "1\r\n35.001\r\n139.0\r\n35.001\r\n139.001\r\n");
    write("far.cln", "1\r\n35.003\r\n139.0\r\n35.003\r\n139.001\r\n");
    write("ring.pth", "<path>\r\n139.0,35.0\r\n139.01,35.0\r\n</path>\r\n");
    index_.controlLines = BuildCircuitIndex(dir.path(), CircuitFileKind::ControlLine, 25569, 46000);
    index_.trackMaps = BuildCircuitIndex(dir.path(), CircuitFileKind::TrackMap, 25569, 46000);
    ASSERT_EQ(index_.controlLines.size(), 2u);

    std::vector<QString> offered;
    chooser_.pick = [&](ui::CircuitDialog& dialog) {
        QListWidget* lines = dialog.List(CircuitFileKind::ControlLine);
        for (int k = 0; k < lines->count(); ++k)
            offered.push_back(lines->item(k)->text());
        EXPECT_EQ(dialog.windowTitle(), "Circuit - Track map, Control line, Sector gates");
        EXPECT_EQ(dialog.List(CircuitFileKind::SectorGates)->count(), 1);
        lines->setCurrentRow(1);
    };
    Open(test::DiagonalSession(1, 20));
    // The automatic run after opening saw two control lines, so it asked.
    EXPECT_EQ(chooser_.shown, 1);
    EXPECT_EQ(offered, (std::vector<QString>{"near", "far", "-- NONE --"}));
    const LineState& lines = session_->lines;
    ASSERT_TRUE(lines.controlLineSet);
    EXPECT_DOUBLE_EQ(static_cast<double>(lines.first[0].lat), 35.003);
    ASSERT_EQ(session_->trackMap.TrackMapNum(), 1);
    EXPECT_EQ(session_->folders.controlLineFolder, dir.path());

    // "-- NONE --" loads nothing; Cancel neither.
    chooser_.pick = [](ui::CircuitDialog& dialog) {
        dialog.List(CircuitFileKind::ControlLine)->setCurrentRow(2);
        dialog.List(CircuitFileKind::TrackMap)->setCurrentRow(1);
    };
    session_->trackMap.TrackMap.clear();
    dialog_->Button("SpeedButtonSelCircuit")->click();
    EXPECT_EQ(session_->trackMap.TrackMapNum(), 0);
    EXPECT_DOUBLE_EQ(static_cast<double>(lines.first[0].lat), 35.003);
}

TEST(CircuitDialogTest, DisabledListsOfferOnlyNone) {
    CircuitCandidates candidates;
    candidates.trackMaps = {{0.5L, 0, 0, "ring"}, {1.5L, 0, 1, "club"}};
    candidates.controlLines = {{0.5L, 0, 0, "line"}};
    ui::CircuitDialog dialog(nullptr, candidates, ui::CircuitLists{true, false, false});
    QListWidget* lines = dialog.List(CircuitFileKind::ControlLine);
    EXPECT_FALSE(lines->isEnabled());
    ASSERT_EQ(lines->count(), 1);
    EXPECT_EQ(lines->item(0)->text(), "-- NONE --");
    EXPECT_EQ(dialog.List(CircuitFileKind::TrackMap)->count(), 3);
    dialog.List(CircuitFileKind::TrackMap)->setCurrentRow(1);
    const CircuitChoice choice = dialog.Choice();
    EXPECT_EQ(choice.trackMap, 1);
    EXPECT_FALSE(choice.controlLine);
    EXPECT_FALSE(choice.sectorGates);
}

TEST(EditNameBoxTest, RefusesEmptyAndForbiddenNames) {
    ui::EditNameBox box(nullptr, "Edit record name", "20240501_0930");
    EXPECT_EQ(box.Edit()->text(), "20240501_0930");
    box.show();
    for (const char* bad : {"", "a/b", "x?", "say \"hi\"", "pipe|"}) {
        box.Edit()->setText(bad);
        box.accept();
        EXPECT_TRUE(box.isVisible()) << bad;
        EXPECT_NE(box.result(), QDialog::Accepted) << bad;
    }
    box.Edit()->setText("ab<c>d");
    box.accept();
    EXPECT_EQ(box.Edit()->selectedText(), "<");
    EXPECT_EQ(box.Edit()->selectionStart(), 2);
    box.Edit()->setText("Heat 2 - wet");
    box.accept();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_EQ(box.Text(), "Heat 2 - wet");
}

TEST(LogBlockDialogDemo, DemoLogPaintsItsTrace) {
    auto session = std::make_unique<Session>(25569.0);
    const LoadLogResult load =
        LoadLogFile(*session, std::filesystem::path(test::ShippedDir()) / "Raw" / "demo.bnx4");
    ASSERT_TRUE(load.decoded);
    SetAllBlocks(session->log, true);
    test::ScriptedPrompter prompter;
    CircuitIndex index;
    ScriptedCircuitDialog chooser;
    ui::LogBlockDialog dialog(nullptr, *session, prompter, index, chooser, "demo");
    dialog.resize(1100, 760);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QApplication::processEvents();
    ui::LogBlockMap& map = *dialog.Map();
    const QImage image = map.TraceImage().convertToFormat(QImage::Format_RGB32);
    const MapProjection p = map.Projection();
    const LogStore& log = session->log;
    int checked = 0;
    for (int k = 0; k < log.LogItemNum; k += log.LogItemNum / 20) {
        const TLogItem& fix = log.LogItems[k];
        if (fix.Spd < 2)
            continue;
        const QPoint at = QPoint(p.X(fix.Kdo), p.Y(fix.Ido)) * image.devicePixelRatio();
        bool red = false;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx)
                red = red || image.pixel(at + QPoint(dx, dy)) == qRgb(255, 0, 0);
        }
        EXPECT_TRUE(red) << "fix " << k;
        ++checked;
    }
    EXPECT_GT(checked, 10);
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255));

    // A control line across the track at the start lies over the trace.
    const std::optional<ActiveRange> range = FindActiveRange(log);
    ASSERT_TRUE(range);
    const TLogItem& start = log.LogItems[range->first + 100];
    session->lines.controlLineSet = true;
    session->lines.first = {LinePoint{start.Ido - 0.0004, start.Kdo},
                            LinePoint{start.Ido + 0.0004, start.Kdo}};
    map.update();
    const QImage shown = map.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint middle = QPoint(p.X(start.Kdo), p.Y(start.Ido)) * shown.devicePixelRatio();
    EXPECT_EQ(shown.pixel(middle), qRgb(0, 0, 0));
    if (const char* grab = std::getenv("QUORVANE_LOG_BLOCK_GRAB"))
        dialog.grab().save(grab);
}

}  // namespace
}  // namespace qv
