// The Graph page's gate buttons, their dialogs and the KML button, driven
// as a user would, with the adjustment view checked pixel by pixel.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>

#include "geometry/sci_file.h"
#include "presentation/gate_adjust_scene.h"
#include "presentation/refresh_sequence.h"
#include "ui/gate_adjust_dialog.h"
#include "ui/gate_commands.h"
#include "ui/gate_dialogs.h"
#include "ui/views/scene_view.h"
#include "ui/window_fixture.h"

namespace qv::test {
namespace {

constexpr double kRadius = 6367444.5;
constexpr double kPiD = 3.14159265358979323846;

double LatDegPerM() {
    return 180.0 / (kRadius * kPiD);
}
double LonDegPerM(double lat) {
    return LatDegPerM() / std::cos(lat * kPiD / 180.0);
}
// Metres between two positions on the local plane.
double Metres(Float80 lon1, Float80 lat1, Float80 lon2, Float80 lat2) {
    const double lat = static_cast<double>(lat1 + lat2) / 2;
    const double dx = static_cast<double>(lon2 - lon1) / LonDegPerM(lat);
    const double dy = static_cast<double>(lat2 - lat1) / LatDegPerM();
    return std::hypot(dx, dy);
}

std::string Text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

GateRemoval Ticked(std::initializer_list<int> gates) {
    GateRemoval r;
    for (int k : gates)
        r.ticked[static_cast<size_t>(k)] = true;
    return r;
}

bool SameEnds(const SectGate& a, const SectGate& b) {
    return std::fabs(static_cast<double>(a.Kdo1 - b.Kdo1)) < 1e-9 &&
           std::fabs(static_cast<double>(a.Ido1 - b.Ido1)) < 1e-9 &&
           std::fabs(static_cast<double>(a.Kdo2 - b.Kdo2)) < 1e-9 &&
           std::fabs(static_cast<double>(a.Ido2 - b.Ido2)) < 1e-9;
}

GateTable DemoGates() {
    GateTable gates;
    ReadSectFile(Shipped("Sector/demo.sci"), gates);
    return gates;
}

class GraphGatesTest : public ::testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        gates_ = &window->gateCommands();
        ASSERT_NE(gates_, nullptr);
        gates_->SetDialogs(&dialogs);
        gates_->SetShowInFileBrowser(
            [this](const std::filesystem::path& p) { shown.push_back(p); });
    }
    // Slot A holds a demo lap, the demo gates are set, the Graph page shows.
    void ShowLap() {
        OpenDemoLog();
        DoubleClick(LapGrid(), 1);
        ASSERT_EQ(session->laps.LapDtNum(), 1);
        ASSERT_EQ(session->gates.SectCount, 3);
        Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
    }
    Float80 LapEnd() const { return session->laps.LapDt[0].Elm.back().Sec; }
    void MoveTo(Float80 t) {
        session->presentation.playTime = t;
        window->RunSteps(CursorRefreshSteps(session->laps.LapDtNum()));
    }
    const SectRes& SlotA() const { return session->sectRes[0]; }

    ui::GateCommands* gates_ = nullptr;
    ScriptedGateDialogs dialogs;
    std::vector<std::filesystem::path> shown;
};

TEST_F(GraphGatesTest, ButtonsSitBetweenThePlaySpeedsAndTheToggles) {
    Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
    QApplication::processEvents();
    const std::pair<const char*, const char*> buttons[] = {
        {"SpeedButtonSetSect", "Set sector gate"},
        {"SpeedButtonEdSect", "Adjust sector gate"},
        {"SpeedButtonClrSect", "Remove sector gate"},
        {"SpeedButtonLdSect", "Open sector gates"},
        {"SpeedButtonSvSect", "Save sector gates"},
        {"SpeedButtonSelSect", "Find sector gates"},
        {"SpeedButtonGoogleEarth", "Export tracks as KML file"}};
    QWidget* tool = Child<QWidget>("PanelTool");
    int left = Child<QRadioButton>("RadioButtonX8")->geometry().right();
    for (const auto& [name, hint] : buttons) {
        QToolButton* b = Child<QToolButton>(name);
        EXPECT_EQ(b->toolTip().toStdString(), hint);
        EXPECT_EQ(b->parentWidget(), tool);
        EXPECT_FALSE(b->icon().isNull()) << name;
        EXPECT_GT(b->geometry().left(), left) << name;
        left = b->geometry().right();
    }
    EXPECT_LT(left, Child<QToolButton>("PanelDiffTm")->geometry().left());
}

TEST_F(GraphGatesTest, SetGateAtTheCursorAcrossTheTrack) {
    ShowLap();
    const Float80 end = LapEnd();
    const SectRes before = SlotA();

    // Not at the very start, not at or past the last sample.
    MoveTo(0);
    Click("SpeedButtonSetSect");
    MoveTo(end);
    Click("SpeedButtonSetSect");
    EXPECT_EQ(session->gates.SectCount, 3);

    session->gateEdit.LastEditGate = 2;
    MoveTo(end * 0.37L);
    const CurSmp at = session->align.cursor[0];
    Click("SpeedButtonSetSect");
    ASSERT_EQ(session->gates.SectCount, 4);
    EXPECT_EQ(session->gateEdit.LastEditGate, -1);

    const GateTable demo = DemoGates();
    int added = -1;
    for (int k = 0; k < 4; ++k) {
        bool old = false;
        for (int d = 0; d < 3; ++d)
            old = old || SameEnds(session->gates.SectGates[k], demo.SectGates[d]);
        if (!old)
            added = k;
    }
    ASSERT_GE(added, 0);
    const SectGate& g = session->gates.SectGates[static_cast<size_t>(added)];
    EXPECT_EQ(g.PassNo, 1);
    // Centred on the car, 2 x 15 m long, across the direction of travel.
    EXPECT_NEAR(static_cast<double>((g.Ido1 + g.Ido2) / 2 - at.CsIdo), 0, 1e-9);
    EXPECT_NEAR(static_cast<double>((g.Kdo1 + g.Kdo2) / 2 - at.CsKdo), 0, 1e-9);
    EXPECT_NEAR(Metres(g.Kdo1, g.Ido1, g.Kdo2, g.Ido2), 30.0, 0.05);
    const auto& elm = session->laps.LapDt[0].Elm;
    size_t i = 1;
    while (i + 1 < elm.size() && Float80(elm[i].Sec) < at.CsTim)
        ++i;
    const double lat = static_cast<double>(at.CsIdo);
    const double tx =
        static_cast<double>(Float80(elm[i].Kdo) - Float80(elm[i - 1].Kdo)) / LonDegPerM(lat);
    const double ty =
        static_cast<double>(Float80(elm[i].Ido) - Float80(elm[i - 1].Ido)) / LatDegPerM();
    const double gx = static_cast<double>(g.Kdo2 - g.Kdo1) / LonDegPerM(lat);
    const double gy = static_cast<double>(g.Ido2 - g.Ido1) / LatDegPerM();
    EXPECT_LT(std::fabs(tx * gx + ty * gy) / (std::hypot(tx, ty) * std::hypot(gx, gy)), 0.2);

    // The refresh ran: five sectors now, split times in lap order, the
    // sector times adding up to the lap.
    EXPECT_EQ(before.SectTim[4], 0);
    Float80 sum = 0;
    for (int j = 0; j < 5; ++j) {
        EXPECT_GT(SlotA().SectTim[j], 0) << j;
        sum += SlotA().SectTim[j];
    }
    EXPECT_NEAR(static_cast<double>(sum), static_cast<double>(end), 0.01);
    for (int j = 1; j < 4; ++j)
        EXPECT_GT(SlotA().SectPassTim[j], SlotA().SectPassTim[j - 1]) << j;
    const double splitAtNew = static_cast<double>(SlotA().SectPassTim[added]);
    EXPECT_NEAR(splitAtNew, static_cast<double>(end * 0.37L), 0.2);

    // No fifth gate; the same gate is never added twice.
    MoveTo(end * 0.6L);
    Click("SpeedButtonSetSect");
    EXPECT_EQ(session->gates.SectCount, 4);
}

TEST_F(GraphGatesTest, RemoveChosenGatesOrAll) {
    ShowLap();
    MoveTo(LapEnd() * 0.37L);
    Click("SpeedButtonSetSect");
    ASSERT_EQ(session->gates.SectCount, 4);
    const GateTable four = session->gates;
    const GateTable demo = DemoGates();
    int added = 0;
    while (added < 4 && SameEnds(four.SectGates[added], demo.SectGates[std::min(added, 2)]))
        ++added;
    ASSERT_LT(added, 4);

    // Cancel changes nothing.
    Click("SpeedButtonClrSect");
    EXPECT_EQ(dialogs.removeCount, 4);
    EXPECT_EQ(session->gates.SectCount, 4);

    session->align.AlignGate = 4;
    dialogs.removal = Ticked({added});
    Click("SpeedButtonClrSect");
    ASSERT_EQ(session->gates.SectCount, 3);
    for (int k = 0; k < 3; ++k)
        EXPECT_TRUE(SameEnds(session->gates.SectGates[k], demo.SectGates[k])) << k;
    EXPECT_EQ(session->align.AlignGate, added < 3 ? 3 : 0);
    EXPECT_EQ(SlotA().SectTim[4], 0);
    EXPECT_GT(SlotA().SectTim[3], 0);

    dialogs.removal = GateRemoval{};
    dialogs.removal->allGates = true;
    Click("SpeedButtonClrSect");
    EXPECT_EQ(session->gates.SectCount, 0);
    EXPECT_EQ(session->align.AlignGate, 0);

    // With one gate no dialog is asked.
    MoveTo(LapEnd() / 2);
    Click("SpeedButtonSetSect");
    ASSERT_EQ(session->gates.SectCount, 1);
    const int asked = dialogs.removeAsked;
    Click("SpeedButtonClrSect");
    EXPECT_EQ(session->gates.SectCount, 0);
    EXPECT_EQ(dialogs.removeAsked, asked);
}

TEST_F(GraphGatesTest, SaveFindAndReopenTheGates) {
    ShowLap();
    const GateTable demo = DemoGates();
    auto removeAll = [this] {
        dialogs.removal = GateRemoval{};
        dialogs.removal->allGates = true;
        Click("SpeedButtonClrSect");
        ASSERT_EQ(session->gates.SectCount, 0);
    };
    auto expectDemo = [&] {
        ASSERT_EQ(session->gates.SectCount, 3);
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(SameEnds(session->gates.SectGates[k], demo.SectGates[k])) << k;
            EXPECT_EQ(session->gates.SectGates[k].PassNo, demo.SectGates[k].PassNo);
        }
        EXPECT_EQ(session->align.AlignGate, 0);
        EXPECT_GT(SlotA().SectTim[3], 0);
        EXPECT_FALSE(session->presentation.dialogOpen);
    };
    const std::filesystem::path saved = dir / "mine.sci";
    prompter.files.push_back((dir / "mine").string());
    Click("SpeedButtonSvSect");
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(prompter.shown.back().text, "Save Sector as...");
    EXPECT_FALSE(session->presentation.dialogOpen);

    // The demo circuit's file is the only one stored near the lap: no choice.
    removeAll();
    session->align.AlignGate = 1;
    Click("SpeedButtonSelSect");
    expectDemo();

    // Nothing is opened during playback.
    removeAll();
    const size_t dialogsShown = prompter.shown.size();
    session->presentation.playing = true;
    Click("SpeedButtonLdSect");
    session->presentation.playing = false;
    EXPECT_EQ(prompter.shown.size(), dialogsShown);

    session->align.AlignGate = 2;
    prompter.files.push_back(saved.string());
    Click("SpeedButtonLdSect");
    EXPECT_EQ(prompter.shown.back().text, "Open sector");
    expectDemo();
    EXPECT_EQ(session->folders.sectorFolder, dir.path());
}

TEST_F(GraphGatesTest, KmlButtonWritesTheSlotsAndShowsTheFile) {
    const size_t before = prompter.shown.size();
    Click("SpeedButtonGoogleEarth");
    EXPECT_EQ(prompter.shown.size(), before);  // nothing without a lap in slot A

    ShowLap();
    const std::filesystem::path kml = dir / "trace.kml";
    prompter.files.push_back(kml.string());
    Click("SpeedButtonGoogleEarth");
    ASSERT_TRUE(std::filesystem::exists(kml));
    const std::string text = Text(kml);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", 0), 0u);
    const std::string name = "<name>\r\n" + session->laps.LapDt[0].DtName + "\r\n</name>";
    EXPECT_FALSE(session->laps.LapDt[0].DtName.empty());
    EXPECT_NE(text.find(name), std::string::npos);
    EXPECT_EQ(text.find("<Folder>"), text.rfind("<Folder>"));  // slot A only
    EXPECT_NE(text.find("<color>af0000ff</color>"), std::string::npos);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], kml);
    EXPECT_FALSE(session->presentation.dialogOpen);
}

TEST_F(GraphGatesTest, AdjustRefusesAGateStandingOnOneMeridian) {
    ShowLap();
    const GateTable demo = DemoGates();
    dialogs.editChoice = 1;
    dialogs.adjust = [](GateAdjustView& view, int) -> std::optional<int> {
        view.work.Kdo2 = view.work.Kdo1;
        return 1;
    };
    Click("SpeedButtonEdSect");
    EXPECT_TRUE(SameEnds(session->gates.SectGates[1], demo.SectGates[1]));
    EXPECT_EQ(session->gateEdit.LastEditGate, 1);

    // Shifting the whole gate 5 m north moves the split later along the lap.
    const Float80 splitBefore = SlotA().SectPassTim[1];
    dialogs.adjust = [](GateAdjustView& view, int) -> std::optional<int> {
        const Float80 north = 5 * LatDegPerM();
        view.work.Ido1 += north;
        view.work.Ido2 += north;
        return 1;
    };
    Click("SpeedButtonEdSect");
    EXPECT_NEAR(static_cast<double>(session->gates.SectGates[1].Ido1 - demo.SectGates[1].Ido1),
                5 * LatDegPerM(), 1e-12);
    EXPECT_NE(SlotA().SectPassTim[1], splitBefore);
}

// The real dialogs, answered while they are open.
TEST_F(GraphGatesTest, AdjustThroughTheQtDialogs) {
    ShowLap();
    gates_->SetDialogs(nullptr);
    const GateTable demo = DemoGates();
    session->presentation.mapZoom = 2;
    bool selectSeen = false, adjustSeen = false;
    int shownPass = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* select = qobject_cast<ui::SelectGateDialog*>(modal)) {
            selectSeen = true;
            EXPECT_TRUE(select->findChild<QRadioButton*>("RadioButtonSect3")->isChecked());
            EXPECT_FALSE(select->findChild<QRadioButton*>("RadioButtonSect4")->isEnabled());
            select->findChild<QRadioButton*>("RadioButtonSect2")->setChecked(true);
            select->accept();
        } else if (auto* adjust = qobject_cast<ui::GateAdjustDialog*>(modal)) {
            adjustSeen = true;
            auto* pass = adjust->findChild<QSpinBox*>("UpDownDtcN");
            shownPass = pass->value();
            pass->setValue(3);
            adjust->accept();
        }
    });
    poll.start();
    Click("SpeedButtonEdSect");
    poll.stop();
    EXPECT_TRUE(selectSeen);
    EXPECT_TRUE(adjustSeen);
    EXPECT_EQ(shownPass, demo.SectGates[1].PassNo);
    // Never passed three times, the gate goes after the ordered ones.
    EXPECT_EQ(session->gates.SectGates[2].PassNo, 3);
    EXPECT_TRUE(SameEnds(session->gates.SectGates[2], demo.SectGates[1]));
    EXPECT_EQ(session->gateEdit.LastEditGate, 1);
}

// A view at zoom 2 (two pixels per metre) centred on an east-west gate of
// 2 x 15 m: its ends lie 30 px either side of the centre (230, 230).
class AdjustViewTest : public ::testing::Test {
  protected:
    static constexpr double kLat = 35.37;
    static constexpr double kLon = 138.93;
    double East(double metres) const { return kLon + metres * LonDegPerM(kLat); }
    double North(double metres) const { return kLat + metres * LatDegPerM(); }

    void SetUp() override {
        gate.Kdo1 = East(-15);
        gate.Kdo2 = East(15);
        gate.Ido1 = gate.Ido2 = kLat;
        gates.SectGates[0] = gate;
        SectGate other;  // 40 m east, north-south
        other.Kdo1 = other.Kdo2 = East(40);
        other.Ido1 = North(-15);
        other.Ido2 = North(15);
        gates.SectGates[1] = other;
        gates.SectCount = 2;
        // 60 m west, northwards; the last step seen by four satellites.
        TLapDtRec lap;
        for (double m : {-50.0, 0.0, 50.0}) {
            TLapElmRec e;
            e.Kdo = East(-60);
            e.Ido = North(m);
            e.Spd = 80;
            e.UseSat = m > 0 ? 4 : 9;
            lap.Elm.push_back(e);
        }
        lap.ElmNum = 3;
        slots.push_back(lap);
        TPathRec path;  // 80 m south, east-west
        for (double m : {-90.0, 90.0})
            path.Elm.push_back({North(-80), East(m)});
        trackMap.TrackMap.push_back(path);
        view = OpenGateAdjustView(gate, 2.0);
        scene = {&gates, 0, &trackMap, &slots, true};
    }
    QRgb At(int x, int y) const { return frame.pixel(x, y); }
    // The colour appears within a pixel of (x, y).
    bool Near(int x, int y, QColor colour) const {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (frame.pixelColor(x + dx, y + dy) == colour)
                    return true;
        return false;
    }

    SectGate gate;
    GateTable gates;
    std::vector<TLapDtRec> slots;
    TrackMapStore trackMap;
    GateAdjustView view;
    ui::GateAdjustScene scene;
    QImage frame, background;
};

TEST_F(AdjustViewTest, PaintsTheGateOverTheMapAndTheLaps) {
    ui::PaintGateAdjust(frame, background, view, scene);
    ASSERT_EQ(frame.size(), QSize(460, 460));
    EXPECT_FALSE(view.rebuildBackground);
    const QColor black(Qt::black);
    // The end squares, 7 x 7 around (200, 230) and (260, 230).
    for (int cx : {200, 260})
        for (int dx = -2; dx <= 2; ++dx)
            for (int dy = -2; dy <= 2; ++dy)
                EXPECT_EQ(frame.pixelColor(cx + dx, 230 + dy), black)
                    << cx << "," << dx << "," << dy;
    EXPECT_TRUE(Near(230, 230, black));
    EXPECT_EQ(frame.pixelColor(230, 235), QColor(Qt::white));
    EXPECT_EQ(frame.pixelColor(196, 240), QColor(Qt::white));
    // The other gate grey at x 310, the lap red then silver at x 110, the
    // track map 5 px wide at y 390.
    EXPECT_TRUE(Near(310, 230, QColor(128, 128, 128)));
    EXPECT_TRUE(Near(110, 280, QColor(255, 0, 0)));
    EXPECT_TRUE(Near(110, 180, QColor(192, 192, 192)));
    EXPECT_FALSE(Near(110, 180, QColor(255, 0, 0)));
    for (int dy = -1; dy <= 1; ++dy)
        EXPECT_EQ(frame.pixelColor(230, 390 + dy), QColor(222, 222, 222)) << dy;
    EXPECT_EQ(frame.pixelColor(230, 396), QColor(Qt::white));

    // The gate being adjusted is not drawn grey in the background.
    scene.edited = 1;
    view.rebuildBackground = true;
    ui::PaintGateAdjust(frame, background, view, scene);
    EXPECT_FALSE(Near(310, 230, QColor(128, 128, 128)));
}

TEST_F(AdjustViewTest, DragsAnEndPointAndZoomsWithTheWheel) {
    ui::GateAdjustDialog dialog(view, 7, scene);
    EXPECT_EQ(dialog.PassNo(), 7);
    ui::GateAdjustCanvas* canvas = dialog.canvas();
    auto send = [canvas](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, canvas->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &e);
    };

    // A press away from both ends drags nothing.
    send(QEvent::MouseButtonPress, {230, 100}, Qt::LeftButton);
    send(QEvent::MouseMove, {150, 300}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {150, 300}, Qt::NoButton);
    EXPECT_EQ(view.work.Kdo1, gate.Kdo1);
    EXPECT_EQ(view.work.Ido1, gate.Ido1);

    // Within 3 px of end point 2 at (260, 230).
    const PixelPoint end2 = ToViewPixel(view, view.work.Kdo2, view.work.Ido2);
    send(QEvent::MouseButtonPress, {end2.x + 3, end2.y - 3}, Qt::LeftButton);
    send(QEvent::MouseMove, {300, 260}, Qt::LeftButton);
    EXPECT_NEAR(static_cast<double>(view.work.Kdo2), East(35), 0.5 * LonDegPerM(kLat));
    send(QEvent::MouseButtonRelease, {150, 300}, Qt::NoButton);
    // (150, 300): 40 m west and 35 m south of the centre.
    EXPECT_NEAR(static_cast<double>(view.work.Kdo2), East(-40), 0.5 * LonDegPerM(kLat));
    EXPECT_NEAR(static_cast<double>(view.work.Ido2), North(-35), 0.5 * LatDegPerM());
    EXPECT_EQ(view.work.Kdo1, gate.Kdo1);
    EXPECT_EQ(view.drag, GateDrag::None);
    send(QEvent::MouseMove, {10, 10}, Qt::NoButton);
    EXPECT_NEAR(static_cast<double>(view.work.Kdo2), East(-40), 0.5 * LonDegPerM(kLat));

    auto wheel = [canvas](int delta) {
        QWheelEvent e(QPointF(230, 230), canvas->mapToGlobal(QPointF(230, 230)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &e);
    };
    wheel(120);
    EXPECT_EQ(view.zoom, 3.0);
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(view.zoom, 1.75);
    auto* zoomIn = dialog.findChild<QToolButton*>("SpeedButtonEdZin");
    zoomIn->click();
    EXPECT_EQ(view.zoom, 2.0);
    EXPECT_TRUE(view.rebuildBackground);
}

TEST_F(AdjustViewTest, TracesBreakOutsideTheViewAndDotWhileSlowing) {
    // Three steps: the middle sample lies 200 m north, outside the view.
    TLapDtRec lap;
    const double north[] = {-20, -10, 200, 10};
    const float speed[] = {90, 80, 85, 70};
    for (int k = 0; k < 4; ++k) {
        TLapElmRec e;
        e.Kdo = kLon;
        e.Ido = North(north[k]);
        e.Spd = speed[k];
        e.UseSat = 8;
        lap.Elm.push_back(e);
    }
    lap.ElmNum = 4;
    const std::vector<ViewSegment> dotted = LapSegments(view, lap, kSlotColours[1], true);
    ASSERT_EQ(dotted.size(), 1u);
    EXPECT_NEAR(dotted[0].from.y, 270, 1);
    EXPECT_NEAR(dotted[0].to.y, 250, 1);
    EXPECT_TRUE(dotted[0].dotted);  // 90 -> 80 km/h
    EXPECT_EQ(dotted[0].colour, kSlotColours[1]);
    EXPECT_FALSE(LapSegments(view, lap, kSlotColours[1], false)[0].dotted);

    // Short and empty laps draw nothing and do not read past their samples.
    lap.ElmNum = 1;
    EXPECT_TRUE(LapSegments(view, lap, kSlotColours[0], true).empty());
    lap.ElmNum = 40;
    EXPECT_EQ(LapSegments(view, lap, kSlotColours[0], true).size(), 1u);
    lap.Elm.clear();
    EXPECT_TRUE(LapSegments(view, lap, kSlotColours[0], true).empty());

    EXPECT_EQ(EditedGateIndex(gates, gates.SectGates[1]), 1);
    SectGate moved = gate;
    moved.Ido1 += 1e-7;
    EXPECT_EQ(EditedGateIndex(gates, moved), -1);
}

TEST(GateRemovalDialog, IgnoresTheBoxesOfMissingGates) {
    ui::RemoveGatesDialog remove(3, true);
    EXPECT_EQ(remove.findChild<QCheckBox*>("CheckBoxAll")->text(), "All gates");
    EXPECT_TRUE(remove.Removal().allGates);
    remove.findChild<QCheckBox*>("CheckBoxAll")->setChecked(false);
    remove.findChild<QCheckBox*>("CheckBoxSect2")->setChecked(true);
    remove.findChild<QCheckBox*>("CheckBoxSect4")->setChecked(true);  // disabled
    const GateRemoval r = remove.Removal();
    EXPECT_FALSE(r.allGates);
    EXPECT_EQ(r.ticked, (std::array<bool, MaxSectGate>{false, true, false, false}));
}

TEST_F(GraphGatesTest, RemovingAllLapsOffersToRemoveTheGatesWithAllTicked) {
    ShowLap();
    MoveTo(20);
    Child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    // Keeping the gates: the list and the slots go, the gates stay.
    prompter.answers.push_back(true);
    Click("SpeedButtonClrDt");
    EXPECT_EQ(dialogs.removeAsked, 1);
    EXPECT_EQ(dialogs.removeCount, 3);
    EXPECT_TRUE(dialogs.removeAllTicked);
    EXPECT_EQ(session->gates.SectCount, 3);
    EXPECT_EQ(session->laps.LapNum(), 0);
    EXPECT_EQ(session->laps.LapDtNum(), 0);
    // Everything the clear-graph command resets is reset.
    EXPECT_EQ(session->presentation.mapOrigin, 0);
    EXPECT_EQ(session->presentation.mapCentreIdo, 0);
    EXPECT_EQ(session->presentation.playTime, 0);
    EXPECT_EQ(session->align.MaxAlignedTim, 0);
    // The clear asked the drift dial to rebuild, and its repaint did.
    EXPECT_FALSE(session->presentation.rebuild.driftView);
    EXPECT_FALSE(Child<ui::SceneView>("PaintBoxGraphDrift")->Image().isNull());

    // With the next laps removed and "All gates" confirmed, the gates go.
    ShowLap();
    session->align.AlignGate = 2;
    Child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    GateRemoval all;
    all.allGates = true;
    dialogs.removal = all;
    prompter.answers.push_back(true);
    Click("SpeedButtonClrDt");
    EXPECT_EQ(dialogs.removeAsked, 2);
    EXPECT_EQ(session->gates.SectCount, 0);
    EXPECT_EQ(session->align.AlignGate, 0);
    EXPECT_EQ(Child<QTableView>("StringGridSectData")->model()->index(0, 0).data().toString(), "");
}

}  // namespace
}  // namespace qv::test
