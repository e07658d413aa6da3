// The Graph page's views with four laps of about 3,000 samples each: one
// cursor refresh as the playback tick runs it, each view on its own, and
// a slot change with its full refresh. The views paint at the window's
// default size.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTabWidget>
#include <memory>

#include "app/analysis.h"
#include "laps/lap_extraction.h"
#include "presentation/refresh_sequence.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"
#include "ui/graph_page.h"
#include "ui/window_fixture.h"

namespace {

struct FourLapWindow {
    qv::test::WindowFixture fixture;
    qv::ui::GraphPage* page = nullptr;

    FourLapWindow() {
        qv::Session& session = *fixture.session;
        const qv::synth::Circuit circuit = qv::synth::DemoCircuit();
        qv::synth::DriveOptions options;
        options.rateHz = 46;  // about 3,000 samples a lap
        options.laps = 4;
        options.noiseM = 0.3;
        qv::synth::LoadDriveIntoLog(qv::synth::SynthesizeDrive(circuit, options), session.log,
                                    session.LocalTimeBase);
        session.folders.TempFolder = (fixture.dir / "temp").string();
        std::filesystem::create_directories(session.folders.TempFolder);
        session.lines = qv::synth::CircuitControlLine(circuit);
        session.gates = qv::synth::CircuitGates(circuit, 3);
        session.trackMap = qv::synth::CircuitTrackMap(circuit);
        session.settings.MinLapDist = 1.0;
        qv::ExtractLaps(session);
        for (int row = 1; row <= 4; ++row)
            qv::ShowLapInSlot(session, row);
        fixture.Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
        page = fixture.window->findChild<qv::ui::GraphPage*>();
        SlotChange();
    }
    void SlotChange() {
        fixture.window->RunSteps(qv::SlotChangeSteps(fixture.session->presentation,
                                                     fixture.session->laps.LapDtNum(), true));
        QApplication::processEvents();
    }
    // Steps the cursor by one tick of the 66 ms playback timer.
    void Tick() {
        qv::Float80& t = fixture.session->presentation.playTime;
        t += 0.066L;
        if (t > 60)
            t = 0;
    }
};

// Closed before the application object goes, unlike a function static.
std::unique_ptr<FourLapWindow> window;

FourLapWindow& Window() {
    if (!window)
        window = std::make_unique<FourLapWindow>();
    return *window;
}

void BM_ViewsCursorRefresh(benchmark::State& state) {
    FourLapWindow& w = Window();
    for (auto _ : state) {
        w.Tick();
        w.fixture.window->RunSteps(qv::CursorRefreshSteps(w.fixture.session->laps.LapDtNum()));
        QApplication::processEvents();
    }
    state.counters["slots"] = w.fixture.session->laps.LapDtNum();
    state.counters["samples_per_lap"] = w.fixture.session->laps.LapDt[0].ElmNum;
}
BENCHMARK(BM_ViewsCursorRefresh)->Unit(benchmark::kMillisecond);

// The heaviest tick: every overlay on and the x axis zoomed, so the speed
// graph cannot reuse its last image.
void BM_ViewsCursorRefreshZoomedAllOverlays(benchmark::State& state) {
    FourLapWindow& w = Window();
    qv::PresentationState& p = w.fixture.session->presentation;
    const qv::PresentationState saved = p;
    p.showGGraph = p.showElevation = p.showDriftAngle = true;
    p.xZoom = 4;
    p.rebuild.SetAll();
    for (auto _ : state) {
        w.Tick();
        w.fixture.window->RunSteps(qv::CursorRefreshSteps(w.fixture.session->laps.LapDtNum()));
        QApplication::processEvents();
    }
    p = saved;
}
BENCHMARK(BM_ViewsCursorRefreshZoomedAllOverlays)->Unit(benchmark::kMillisecond);

void BM_ViewRepaint(benchmark::State& state) {
    FourLapWindow& w = Window();
    const auto kind = static_cast<qv::StepKind>(state.range(0));
    for (auto _ : state) {
        w.Tick();
        qv::MoveCursor(*w.fixture.session, w.fixture.session->presentation.playTime);
        w.page->Repaint(kind);
    }
}
BENCHMARK(BM_ViewRepaint)
    ->ArgName("speed_graph")
    ->Arg(static_cast<int>(qv::StepKind::kRepaintSpeedGraph))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewRepaint)
    ->ArgName("speed_bar")
    ->Arg(static_cast<int>(qv::StepKind::kRepaintSpeedBar))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewRepaint)
    ->ArgName("course_map")
    ->Arg(static_cast<int>(qv::StepKind::kRepaintCourseMap))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewRepaint)
    ->ArgName("course_overview_markers")
    ->Arg(static_cast<int>(qv::StepKind::kRepaintCourseMarkers))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewRepaint)
    ->ArgName("g_cursor")
    ->Arg(static_cast<int>(qv::StepKind::kRepaintGCursor))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ViewRepaint)
    ->ArgName("drift_cursor")
    ->Arg(static_cast<int>(qv::StepKind::kRepaintDriftCursor))
    ->Unit(benchmark::kMillisecond);

void BM_ViewsSlotChange(benchmark::State& state) {
    FourLapWindow& w = Window();
    for (auto _ : state)
        w.SlotChange();
}
BENCHMARK(BM_ViewsSlotChange)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window.reset();
    return 0;
}
