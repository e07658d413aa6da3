#include "geometry/gate_editing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/atomic_file.h"
#include "geometry/plane.h"
#include "geometry/straight_lap.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using test::GateAcrossNorthLap;
using test::kLon0;
using test::LatAt;
using test::NorthLap;
using test::SlotLap;
using test::TableOf;

constexpr Float80 kPiByHand = 3.141592653589793238L;

// Metres east as degrees of longitude at `lat`, by hand.
Float80 LonDegOf(Float80 metres, Float80 lat) {
    return metres / (std::cos(lat * kPiByHand / 180) * 6367444.5L * kPiByHand / 180);
}

// Metres north as degrees of latitude.
Float80 LatDegOf(Float80 metres) {
    return metres / (6367444.5L * kPiByHand) * 180;
}

class ScriptedGateDialogs : public GateDialogs {
  public:
    std::optional<int> editChoice;
    int selectCount = -1;
    int selectPreselected = -1;
    int selectCalls = 0;
    std::function<std::optional<int>(GateAdjustView&, int)> adjust;
    int adjustCalls = 0;
    std::optional<GateRemoval> removal;
    int removeCalls = 0;

    std::optional<int> SelectEditGate(int count, int preselected) override {
        ++selectCalls;
        selectCount = count;
        selectPreselected = preselected;
        return editChoice;
    }
    std::optional<int> AdjustGate(GateAdjustView& view, int passNo) override {
        ++adjustCalls;
        return adjust ? adjust(view, passNo) : std::nullopt;
    }
    std::optional<GateRemoval> SelectRemoveGates(int, bool) override {
        ++removeCalls;
        return removal;
    }
};

struct Fixture {
    GateTable gates;
    int alignGate = 0;
    GateEditState state;
    std::vector<TLapDtRec> slots;
    bool playing = false;

    GateEditContext Context() { return {gates, alignGate, state, slots, playing}; }
};

GateCursor NorthCursorAt(Float80 gridIndex) {
    return {LatAt(gridIndex), kLon0, 180, 180};
}

TEST(SetSectGate, LaysAGateAcrossTheTravelAtTheCursor) {
    Fixture f;
    f.slots.push_back(SlotLap(NorthLap(10, 1.0)));
    f.state.LastEditGate = 2;
    ASSERT_TRUE(SetSectGate(f.Context(), NorthCursorAt(2.5), 2.5, 15.0));
    ASSERT_EQ(f.gates.SectCount, 1);
    const SectGate& g = f.gates.SectGates[0];
    // Heading north: end point 1 lies west (left), end point 2 east.
    EXPECT_NEAR(g.Kdo1, kLon0 - LonDegOf(15, LatAt(2.5)), 1e-12);
    EXPECT_NEAR(g.Kdo2, kLon0 + LonDegOf(15, LatAt(2.5)), 1e-12);
    EXPECT_NEAR(g.Ido1, LatAt(2.5), 1e-12);
    EXPECT_NEAR(g.Ido2, LatAt(2.5), 1e-12);
    EXPECT_EQ(g.PassNo, 1);
    EXPECT_EQ(f.state.LastEditGate, -1);

    // The same gate again is not added.
    EXPECT_FALSE(SetSectGate(f.Context(), NorthCursorAt(2.5), 2.5, 15.0));
    EXPECT_EQ(f.gates.SectCount, 1);
}

TEST(SetSectGate, DriftRunsUseTheHeadingFromPositions) {
    Fixture f;
    f.slots.push_back(SlotLap(NorthLap(10, 1.0)));
    f.slots[0].driftAct = true;
    // The logged heading points west; the positions say north.
    const GateCursor cursor{LatAt(4.5), kLon0, 90, 180};
    ASSERT_TRUE(SetSectGate(f.Context(), cursor, 4.5, 10.0));
    const SectGate& g = f.gates.SectGates[0];
    EXPECT_NEAR(g.Ido1, g.Ido2, 1e-12);
    EXPECT_NEAR(g.Kdo2 - g.Kdo1, 2 * LonDegOf(10, LatAt(4.5)), 1e-12);
}

TEST(SetSectGate, RefusedOutsideTheLapOrWhenFull) {
    Fixture f;
    EXPECT_FALSE(SetSectGate(f.Context(), NorthCursorAt(2.5), 2.5, 15.0));  // no slot A
    f.slots.push_back(SlotLap(NorthLap(10, 1.0)));
    EXPECT_FALSE(SetSectGate(f.Context(), NorthCursorAt(0), 0, 15.0));
    EXPECT_FALSE(SetSectGate(f.Context(), NorthCursorAt(9), 9, 15.0));
    EXPECT_FALSE(SetSectGate(f.Context(), NorthCursorAt(9), 9.5, 15.0));
    f.playing = true;
    EXPECT_FALSE(SetSectGate(f.Context(), NorthCursorAt(2.5), 2.5, 15.0));
    f.playing = false;
    EXPECT_EQ(f.gates.SectCount, 0);

    for (double t : {1.5, 3.5, 5.5, 7.5})
        ASSERT_TRUE(SetSectGate(f.Context(), NorthCursorAt(t), t, 15.0));
    EXPECT_FALSE(SetSectGate(f.Context(), NorthCursorAt(8.5), 8.5, 15.0));
    EXPECT_EQ(f.gates.SectCount, 4);

    Fixture empty;
    empty.slots.push_back(SlotLap({}));
    EXPECT_FALSE(SetSectGate(empty.Context(), NorthCursorAt(0.5), 0.5, 15.0));
}

TEST(SetSectGate, PlaceCrossedBeforeTheCursorGetsPassNoTwo) {
    // Out north on kLon0, back south 0.0001 degrees (about 9 m) east: a
    // 15 m gate on the way back reaches over the way out.
    const Float80 east = kLon0 + 0.0001L;
    Fixture f;
    f.slots.push_back(SlotLap(test::OutAndBackLap(east, 1.0)));
    const GateCursor southbound{LatAt(2.5), east, 0, 0};
    ASSERT_TRUE(SetSectGate(f.Context(), southbound, 18.5, 15.0));
    EXPECT_EQ(f.gates.SectGates[0].PassNo, 2);
}

TEST(SetSectGate, GateSetBeforeAnEarlierOneIsMovedInFront) {
    Fixture f;
    f.slots.push_back(SlotLap(NorthLap(10, 1.0)));
    ASSERT_TRUE(SetSectGate(f.Context(), NorthCursorAt(6.5), 6.5, 15.0));
    f.alignGate = 1;
    ASSERT_TRUE(SetSectGate(f.Context(), NorthCursorAt(2.5), 2.5, 15.0));
    EXPECT_NEAR(f.gates.SectGates[0].Ido1, LatAt(2.5), 1e-12);
    EXPECT_NEAR(f.gates.SectGates[1].Ido1, LatAt(6.5), 1e-12);
    EXPECT_EQ(f.alignGate, 2);
}

TEST(SortGatesByPassage, GatesNeverPassedGoLastInTheirOrder) {
    const std::vector<TLapElmRec> lap = NorthLap(10, 1.0);
    SectGate farA = GateAcrossNorthLap(1.5);
    farA.Kdo1 += 1;
    farA.Kdo2 += 1;
    SectGate farB = farA;
    farB.PassNo = 3;
    GateTable gates = TableOf({farA, GateAcrossNorthLap(6.5), farB, GateAcrossNorthLap(2.5)});
    int align = 1;
    SortGatesByPassage(gates, lap, align);
    EXPECT_NEAR(gates.SectGates[0].Ido1, LatAt(2.5), 1e-12);
    EXPECT_NEAR(gates.SectGates[1].Ido1, LatAt(6.5), 1e-12);
    EXPECT_EQ(gates.SectGates[2].PassNo, 1);
    EXPECT_EQ(gates.SectGates[3].PassNo, 3);
    EXPECT_EQ(align, 3);
}

GateTable FourGates() {
    return TableOf({GateAcrossNorthLap(1.5, 1), GateAcrossNorthLap(3.5, 2),
                    GateAcrossNorthLap(5.5, 3), GateAcrossNorthLap(7.5, 4)});
}

TEST(RemoveGates, FollowingGatesAndTheAlignmentGateMoveDown) {
    GateRemoval middle;
    middle.ticked = {false, true, true, false};
    const int expected[] = {0, 1, 0, 0, 2};  // by alignment gate 0 .. 4
    for (int align = 0; align <= 4; ++align) {
        GateTable gates = FourGates();
        int alignGate = align;
        RemoveGates(gates, alignGate, middle);
        ASSERT_EQ(gates.SectCount, 2);
        EXPECT_EQ(gates.SectGates[0].PassNo, 1);
        EXPECT_EQ(gates.SectGates[1].PassNo, 4);
        EXPECT_EQ(alignGate, expected[align]) << align;
    }
    GateTable gates = FourGates();
    int alignGate = 3;
    GateRemoval all;
    all.allGates = true;
    RemoveGates(gates, alignGate, all);
    EXPECT_EQ(gates.SectCount, 0);
    EXPECT_EQ(alignGate, 0);
}

TEST(RemoveSectGates, OneGateGoesWithoutAsking) {
    Fixture f;
    f.gates = TableOf({GateAcrossNorthLap(1.5)});
    f.alignGate = 1;
    ScriptedGateDialogs dialogs;
    EXPECT_TRUE(RemoveSectGates(f.Context(), dialogs));
    EXPECT_EQ(f.gates.SectCount, 0);
    EXPECT_EQ(f.alignGate, 0);
    EXPECT_EQ(dialogs.removeCalls, 0);
    EXPECT_FALSE(RemoveSectGates(f.Context(), dialogs));

    f.gates = FourGates();
    EXPECT_FALSE(RemoveSectGates(f.Context(), dialogs));  // cancelled
    EXPECT_EQ(f.gates.SectCount, 4);
    dialogs.removal = GateRemoval{};
    dialogs.removal->ticked = {true, false, false, false};
    EXPECT_TRUE(RemoveSectGates(f.Context(), dialogs));
    EXPECT_EQ(f.gates.SectCount, 3);
    EXPECT_EQ(f.gates.SectGates[0].PassNo, 2);
}

// Drags an end point from its pixel to `to`: a press, a move and a release.
void DragEnd(GateAdjustView& view, GateDrag which, PixelPoint to) {
    const SectGate& g = view.work;
    const PixelPoint from = which == GateDrag::End1 ? ToViewPixel(view, g.Kdo1, g.Ido1)
                                                    : ToViewPixel(view, g.Kdo2, g.Ido2);
    PressAdjustView(view, from.x, from.y);
    ASSERT_EQ(view.drag, which);
    EXPECT_TRUE(MoveAdjustView(view, (from.x + to.x) / 2, (from.y + to.y) / 2));
    EXPECT_TRUE(ReleaseAdjustView(view, to.x, to.y));
    EXPECT_EQ(view.drag, GateDrag::None);
}

TEST(AdjustSectGate, MovedGateIsReorderedAndPassNoLimited) {
    Fixture f;
    f.slots.push_back(SlotLap(NorthLap(10, 1.0)));
    f.gates = TableOf({GateAcrossNorthLap(2.5), GateAcrossNorthLap(6.5)});
    f.alignGate = 1;
    ScriptedGateDialogs dialogs;
    dialogs.editChoice = 0;
    dialogs.adjust = [](GateAdjustView& view, int passNo) -> std::optional<int> {
        EXPECT_EQ(passNo, 1);
        EXPECT_DOUBLE_EQ(view.zoom, 1.0);
        // Six grid steps (about 67 m) north, the ends a little apart in
        // latitude so that the gate is not level.
        DragEnd(view, GateDrag::End1, {220, 161});
        DragEnd(view, GateDrag::End2, {240, 166});
        return 150;
    };
    ASSERT_TRUE(AdjustSectGate(f.Context(), dialogs, 1.0));
    EXPECT_EQ(dialogs.selectCount, 2);
    EXPECT_EQ(dialogs.selectPreselected, 1);  // the highest gate
    EXPECT_EQ(f.state.LastEditGate, 0);
    // The moved gate is now passed after the other one.
    EXPECT_NEAR(f.gates.SectGates[0].Ido1, LatAt(6.5), 1e-12);
    // At 1 pixel per metre, 69 and 64 pixels above the centre.
    EXPECT_NEAR(f.gates.SectGates[1].Ido1, LatAt(2.5) + LatDegOf(69), 1e-12);
    EXPECT_NEAR(f.gates.SectGates[1].Ido2, LatAt(2.5) + LatDegOf(64), 1e-12);
    EXPECT_EQ(f.gates.SectGates[1].PassNo, kPassNoMax);
    EXPECT_EQ(f.alignGate, 2);

    // The last choice is offered again.
    dialogs.editChoice.reset();
    EXPECT_FALSE(AdjustSectGate(f.Context(), dialogs, 1.0));
    EXPECT_EQ(dialogs.selectPreselected, 0);
}

TEST(AdjustSectGate, EndPointsSharingALongitudeAreRefused) {
    Fixture f;
    f.slots.push_back(SlotLap(NorthLap(10, 1.0)));
    f.gates = TableOf({GateAcrossNorthLap(2.5)});
    const SectGate before = f.gates.SectGates[0];
    ScriptedGateDialogs dialogs;
    dialogs.adjust = [](GateAdjustView& view, int) -> std::optional<int> {
        DragEnd(view, GateDrag::End1, {200, 100});
        DragEnd(view, GateDrag::End2, {200, 300});
        return 1;
    };
    EXPECT_FALSE(AdjustSectGate(f.Context(), dialogs, 2.0));
    EXPECT_EQ(dialogs.selectCalls, 0);  // one gate needs no choice
    EXPECT_EQ(dialogs.adjustCalls, 1);
    EXPECT_EQ(f.gates.SectGates[0].Kdo1, before.Kdo1);
    EXPECT_EQ(f.gates.SectGates[0].Ido2, before.Ido2);

    // Cancel changes nothing either, and no reference lap means no dialog.
    dialogs.adjust = nullptr;
    EXPECT_FALSE(AdjustSectGate(f.Context(), dialogs, 2.0));
    f.slots.clear();
    EXPECT_FALSE(AdjustSectGate(f.Context(), dialogs, 2.0));
    EXPECT_EQ(dialogs.adjustCalls, 2);
}

TEST(GateAdjustView, ProjectionTruncatesAndInverts) {
    const SectGate gate = GateAcrossNorthLap(0);
    GateAdjustView view = OpenGateAdjustView(gate, 2.0);
    EXPECT_EQ(view.centreLon, kLon0);
    // 0.7 m east and north at 2 pixels per metre: 1.4 pixels from the centre.
    const Float80 east = kLon0 + LonDegOf(0.7L, LatAt(0));
    const Float80 north = LatAt(0) + LatDegOf(0.7L);
    const PixelPoint p = ToViewPixel(view, east, north);
    EXPECT_EQ(p.x, 231);
    EXPECT_EQ(p.y, 228);
    // Outside the view, at x = -30.6: truncated toward zero, not floored.
    const PixelPoint far = ToViewPixel(view, kLon0 - LonDegOf(130.3L, LatAt(0)), LatAt(0));
    EXPECT_EQ(far.x, -30);

    Float80 lon = 0;
    Float80 lat = 0;
    FromViewPixel(view, 250, 210, lon, lat);
    EXPECT_NEAR(lon, kLon0 + LonDegOf(10, LatAt(0)), 1e-12);
    EXPECT_NEAR(lat, LatAt(0) + LatDegOf(10), 1e-12);

    view.width = 0;
    const PixelPoint none = ToViewPixel(view, east, north);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
}

TEST(GateAdjustView, PressNeedsToBeWithinThreePixels) {
    GateAdjustView view = OpenGateAdjustView(GateAcrossNorthLap(0), 2.0);
    const PixelPoint end1 = ToViewPixel(view, view.work.Kdo1, view.work.Ido1);
    PressAdjustView(view, end1.x + 3, end1.y - 3);
    EXPECT_EQ(view.drag, GateDrag::End1);
    PressAdjustView(view, end1.x + 4, end1.y);
    EXPECT_EQ(view.drag, GateDrag::None);
    EXPECT_FALSE(MoveAdjustView(view, 10, 10));
    EXPECT_EQ(view.work.Kdo1, GateAcrossNorthLap(0).Kdo1);
}

TEST(GateAdjustView, ZoomLadder) {
    GateAdjustView view;
    view.zoom = 1;
    std::vector<double> steps;
    while (ZoomAdjustIn(view))
        steps.push_back(view.zoom);
    const std::vector<double> in{1.25, 1.5, 1.75, 2,  3,  4,  5,  6,  7,
                                 8,    9,   10,   11, 12, 13, 14, 15, 16};
    EXPECT_EQ(steps, in);
    view.zoom = 2.5;
    steps.clear();
    while (ZoomAdjustOut(view))
        steps.push_back(view.zoom);
    EXPECT_EQ(steps, (std::vector<double>{1.5, 1.25, 1}));
    view.rebuildBackground = false;
    EXPECT_FALSE(ZoomAdjustOut(view));
    EXPECT_FALSE(view.rebuildBackground);
}

TEST(OpenSectGates, ReadsTheChosenFileWithItsExtension) {
    test::TempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir / "track.sci",
                                    "35.000250,138.999900,35.000250,139.000100,2\r\n"
                                    "35.000650,138.999900,35.000650,139.000100\r\n")
                    .ok);
    GateTable gates = TableOf({GateAcrossNorthLap(1)});
    int align = 1;
    std::filesystem::path folder = "/start";
    test::ScriptedPrompter prompter;
    prompter.files.push_back((dir / "track").string());
    ASSERT_TRUE(OpenSectGates(gates, align, folder, prompter, false));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Open sector");
    EXPECT_EQ(prompter.shown[0].request.filter, "Sector files|*.sci");
    EXPECT_EQ(prompter.shown[0].request.initialFolder, "/start");
    ASSERT_EQ(gates.SectCount, 2);
    EXPECT_NEAR(gates.SectGates[0].Ido1, 35.00025L, 1e-12);
    EXPECT_NEAR(gates.SectGates[0].Kdo2, 139.0001L, 1e-12);
    EXPECT_EQ(gates.SectGates[0].PassNo, 2);
    EXPECT_EQ(gates.SectGates[1].PassNo, 1);
    EXPECT_EQ(align, 0);
    EXPECT_EQ(folder, dir.path());

    // A missing file, a cancelled dialog and a running playback change nothing.
    align = 2;
    prompter.files.push_back((dir / "gone.sci").string());
    EXPECT_FALSE(OpenSectGates(gates, align, folder, prompter, false));
    EXPECT_FALSE(OpenSectGates(gates, align, folder, prompter, false));
    const size_t asked = prompter.shown.size();
    EXPECT_FALSE(OpenSectGates(gates, align, folder, prompter, true));
    EXPECT_EQ(prompter.shown.size(), asked);
    EXPECT_EQ(gates.SectCount, 2);
    EXPECT_EQ(align, 2);
}

TEST(SaveSectGates, ExtensionIsForcedAndNothingIsAskedForANewFile) {
    test::TempDir dir;
    const GateTable gates = TableOf({test::EastWestGate(35.00025L, 138.9999L, 139.0001L, 2)});
    test::ScriptedPrompter prompter;
    prompter.files.push_back((dir / "gates.txt").string());
    ASSERT_TRUE(SaveSectGates(gates, dir.path(), prompter));
    EXPECT_EQ(prompter.shown[0].text, "Save Sector as...");
    EXPECT_TRUE(prompter.Messages().empty());
    const std::vector<uint8_t> bytes = test::ReadBytes(dir / "gates.sci");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "35.000250,138.999900,35.000250,139.000100,2\r\n");

    const size_t asked = prompter.shown.size();
    EXPECT_FALSE(SaveSectGates(GateTable{}, dir.path(), prompter));
    EXPECT_EQ(prompter.shown.size(), asked);
}

// The file dialog does not ask before replacing, whatever name is typed, so
// the command asks once for every spelling of an existing file.
TEST(SaveSectGates, AnExistingFileIsReplacedOnlyAfterYes) {
    const struct {
        const char* typed;
        bool answer;
    } cases[] = {
        {"gates.sci", false}, {"gates.sci", true}, {"gates.txt", false},
        {"gates.txt", true},  {"gates", false},    {"gates", true},
    };
    const std::string old = "35.100000,139.000000,35.100000,139.100000,1\r\n";
    const GateTable gates = TableOf({test::EastWestGate(35.00025L, 138.9999L, 139.0001L, 2)});
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + (c.answer ? " Yes" : " No"));
        test::TempDir dir;
        const std::filesystem::path target = dir / "gates.sci";
        ASSERT_TRUE(WriteFileAtomically(target, old).ok);
        test::ScriptedPrompter prompter;
        prompter.files.push_back((dir / c.typed).string());
        prompter.answers.push_back(c.answer);

        EXPECT_EQ(SaveSectGates(gates, dir.path(), prompter), c.answer);
        ASSERT_EQ(prompter.Messages().size(), 1u);
        EXPECT_EQ(prompter.Messages()[0],
                  target.string() + " already exists.\rDo you want to replace it ?");
        EXPECT_EQ(prompter.shown.back().kind, "yesno");
        EXPECT_EQ(prompter.shown.back().icon, MessageIcon::Warning);
        const std::vector<uint8_t> after = test::ReadBytes(target);
        EXPECT_EQ(std::string(after.begin(), after.end()),
                  c.answer ? "35.000250,138.999900,35.000250,139.000100,2\r\n" : old);
    }
}

}  // namespace
}  // namespace qv
