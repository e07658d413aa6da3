// The Video tab as it paints: the frame fitted into the picture, and the
// bar and the G indicator of a tied video at any size the layout gives them.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>

#include "support/incar_video.h"
#include "synth/bnx4_encoder.h"
#include "ui/video_panel.h"
#include "ui/window_fixture.h"
#include "video/test_videos.h"

namespace qv::test {
namespace {

class VideoPanelTest : public ::testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        panel = window->findChild<ui::VideoPanel*>();
        ASSERT_NE(panel, nullptr);
    }
    void ShowVideoTab() const {
        Child<QTabWidget>("PageControl1")->setCurrentIndex(0);
        Child<QTabWidget>("PageControl2")->setCurrentWidget(panel);
        QApplication::processEvents();
    }
    // Lap 7 of the demo in slot A, the Video tab shown, and a test video
    // opened and paused on its first picture.
    void OpenVideoBesideALap() {
        OpenDemoLog();
        DoubleClick(LapGrid(), 6);
        ASSERT_EQ(session->laps.LapDtNum(), 1);
        ShowVideoTab();
        const std::filesystem::path video = dir / "onboard.mp4";
        ASSERT_TRUE(MakeTestVideo(video, kMpeg4));
        prompter.files.push_back(video.string());
        Click("SpeedButtonVideoOpen");
        VideoCommands& c = panel->commands();
        ASSERT_TRUE(WaitFor([&c] {
            return c.state().loaded() && c.view().image &&
                   c.player().State() == PlayerState::psPause;
        }));
    }
    static QImage Render(QWidget* w) {
        QImage image(std::max(1, w->width()), std::max(1, w->height()), QImage::Format_RGB32);
        image.fill(Qt::gray);
        w->render(&image);
        return image;
    }
    // Lets the player's queued events in until `done`.
    static bool WaitFor(const std::function<bool()>& done) {
        for (int k = 0; k < 500 && !done(); ++k)
            QTest::qWait(10);
        return done();
    }
    static bool Holds(const QImage& image, QColor colour) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == colour)
                    return true;
        return false;
    }

    ui::VideoPanel* panel = nullptr;
};

TEST_F(VideoPanelTest, AFrameIsScaledToFitThePictureWithItsAspectKept) {
    ShowVideoTab();
    // 320 x 240, the left half red and the right half blue; each row is
    // padded with green that must never show.
    auto frame = std::make_shared<VideoImage>();
    frame->width = 320;
    frame->height = 240;
    frame->stride = 320 * 4 + 64;
    frame->pixels.resize(static_cast<size_t>(frame->stride) * frame->height);
    for (int y = 0; y < frame->height; ++y) {
        for (int x = 0; x < frame->stride / 4; ++x) {
            uint8_t* p = &frame->pixels[static_cast<size_t>(y) * frame->stride + x * 4];
            const QColor c = x < 160 ? Qt::red : x < 320 ? Qt::blue : Qt::green;
            p[0] = static_cast<uint8_t>(c.blue());
            p[1] = static_cast<uint8_t>(c.green());
            p[2] = static_cast<uint8_t>(c.red());
            p[3] = 0xff;
        }
    }
    PlayerEvent opened;
    opened.kind = PlayerEventKind::kFileOpen;
    opened.time = 3'000'000;
    panel->commands().Deliver(opened);
    PlayerEvent shown;
    shown.kind = PlayerEventKind::kPosition;
    shown.image = frame;
    panel->commands().Deliver(shown);

    auto* picture = Child<QWidget>("PanelVideo");
    // Taller than 4:3: the frame fills (0, 50)-(399, 349), black above and below.
    picture->setFixedSize(400, 400);
    const QImage tall = Render(picture);
    EXPECT_EQ(tall.pixelColor(100, 200), QColor(Qt::red));
    EXPECT_EQ(tall.pixelColor(300, 200), QColor(Qt::blue));
    EXPECT_EQ(tall.pixelColor(2, 52), QColor(Qt::red));
    EXPECT_EQ(tall.pixelColor(397, 347), QColor(Qt::blue));
    EXPECT_EQ(tall.pixelColor(100, 47), QColor(Qt::black));
    EXPECT_EQ(tall.pixelColor(300, 352), QColor(Qt::black));
    EXPECT_FALSE(Holds(tall, Qt::green));

    // Wider than 4:3: the frame fills (200, 0)-(399, 149), black beside it.
    picture->setFixedSize(600, 150);
    const QImage wide = Render(picture);
    EXPECT_EQ(wide.pixelColor(202, 2), QColor(Qt::red));
    EXPECT_EQ(wide.pixelColor(397, 147), QColor(Qt::blue));
    EXPECT_EQ(wide.pixelColor(197, 75), QColor(Qt::black));
    EXPECT_EQ(wide.pixelColor(402, 75), QColor(Qt::black));
    EXPECT_FALSE(Holds(wide, Qt::green));
}

TEST_F(VideoPanelTest, ATiedVideosBarAndGIndicatorPaintAtAnySize) {
    ASSERT_NO_FATAL_FAILURE(OpenVideoBesideALap());
    VideoCommands& c = panel->commands();

    auto* sync = Child<QToolButton>("SpeedButtonVideoSync");
    EXPECT_EQ(sync->toolTip(), QStringLiteral("Sync/Free"));
    const QImage freeGlyph = sync->icon().pixmap(16).toImage();
    session->presentation.playTime = 10;
    sync->click();
    ASSERT_TRUE(c.state().syncOn);
    EXPECT_NE(sync->icon().pixmap(16).toImage(), freeGlyph);

    // At their own sizes: the bar's red frame, the G indicator's white ring
    // and red dot.
    auto* bar = Child<QWidget>("PaintBoxVideoBar");
    auto* g = Child<QWidget>("PaintBoxVideoG");
    EXPECT_TRUE(Holds(Render(bar), Qt::red));
    const QImage gImage = Render(g);
    EXPECT_TRUE(Holds(gImage, Qt::white));
    EXPECT_TRUE(Holds(gImage, Qt::red));

    auto* picture = Child<QWidget>("PanelVideo");
    for (const QSize size : {QSize(0, 0), QSize(0, 22), QSize(1, 1), QSize(1, 49), QSize(92, 1),
                             QSize(3, 3), QSize(7, 9)}) {
        for (QWidget* w : {bar, g, picture}) {
            w->setFixedSize(size);
            Render(w);
        }
    }

    // The player is told each new picture size and decodes the frames
    // after it scaled down to fit, never up.
    struct Case {
        QSize shown;
        int64_t at;
        QSize frame;
    };
    for (const Case& k :
         {Case{QSize(32, 32), 1'000'000, QSize(32, 24)}, Case{QSize(1, 1), 2'000'000, QSize(1, 1)},
          Case{QSize(400, 300), 520'000, QSize(320, 240)}}) {
        picture->setFixedSize(k.shown);
        c.player().Seek(SeekFlag::kPrecise, k.at);
        ASSERT_TRUE(WaitFor([&c, &k] { return c.view().image->pts == k.at; })) << k.at;
        EXPECT_EQ(QSize(c.view().image->width, c.view().image->height), k.frame) << k.at;
        Render(picture);
    }
}

TEST_F(VideoPanelTest, ATiedVideoPlaysAtRealSpeedAndStopsWhenItsLapLeaves) {
    ASSERT_NO_FATAL_FAILURE(OpenVideoBesideALap());
    VideoCommands& c = panel->commands();
    session->presentation.playTime = 0;
    Click("SpeedButtonVideoSync");
    ASSERT_TRUE(c.state().syncOn);

    // Playing at x4 with the video tied plays at x1, and says so.
    Child<QRadioButton>("RadioButtonX4")->click();
    Click("SpeedButtonPlay");
    ASSERT_TRUE(session->presentation.playing);
    EXPECT_EQ(session->presentation.playSpeed, PlaySpeed::kX1);
    EXPECT_TRUE(Child<QRadioButton>("RadioButtonX1")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>("RadioButtonX4")->isChecked());
    EXPECT_FALSE(c.player().Paused());

    // The lap leaves its slot: playback stops, and the video with it.
    Child<QTabWidget>("PageControl1")->setCurrentIndex(1);
    DoubleClick(LapGrid(), 6);
    EXPECT_EQ(session->laps.LapDtNum(), 0);
    EXPECT_FALSE(session->presentation.playing);
    EXPECT_FALSE(Child<QToolButton>("SpeedButtonPlay")->property("playing").toBool());
    EXPECT_TRUE(c.player().Paused());
}

// Auto sync on an in-car video of the lap in slot A: the video is tied where
// the lap starts in it, and the tie with its ± stays on show.
TEST_F(VideoPanelTest, AutoSyncTiesTheVideoAndShowsTheTie) {
    synth::DriveOptions options;
    options.laps = 2;
    const synth::Drive drive = synth::SynthesizeDrive(synth::DemoCircuit(), options);
    test::WriteBytes(dir / "day.bnx4", synth::EncodeBnx4Image(drive.fixes));
    prompter.files.push_back((dir / "day.bnx4").string());
    Click("SpeedButtonLdLogFile");
    // The first lap runs from the first crossing of the line, 3.7 s into the video.
    DoubleClick(LapGrid(), 0);
    ASSERT_EQ(session->laps.LapDtNum(), 1);
    ShowVideoTab();
    InCarVideo v;
    v.startUtcMs = drive.crossingUtcMs[0] - 3700;
    ASSERT_TRUE(MakeInCarVideo(dir / "car.mp4", DriveHeading(drive), v));
    prompter.files.push_back((dir / "car.mp4").string());
    Click("SpeedButtonVideoOpen");
    VideoCommands& c = panel->commands();
    ASSERT_TRUE(WaitFor([&c] { return c.state().loaded() && c.view().image; }));

    auto* status = Child<QLabel>("LabelVideoAutoSync");
    Child<QPushButton>("ButtonVideoAutoSync")->click();
    for (int k = 0; k < 3000 && !c.state().syncOn; ++k)
        QTest::qWait(10);
    ASSERT_TRUE(c.state().syncOn) << status->text().toStdString();
    EXPECT_NEAR(static_cast<double>(c.state().syncStart), 3.7e6, 1e6 / v.fps);
    QApplication::processEvents();
    EXPECT_TRUE(status->text().startsWith(QString::fromUtf8("tied at +3.")))
        << status->text().toStdString();
    EXPECT_TRUE(status->text().contains(QString::fromUtf8("\u00B1")));
}

}  // namespace
}  // namespace qv::test
