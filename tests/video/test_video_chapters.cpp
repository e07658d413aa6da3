#include "video/video_chapters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "video/player.h"
#include "video/test_videos.h"

namespace qv::test {
namespace {

std::vector<std::string> Names(const std::vector<std::filesystem::path>& paths) {
    std::vector<std::string> names;
    for (const std::filesystem::path& p : paths)
        names.push_back(p.filename().string());
    return names;
}

TEST(VideoChapters, TheFirstChapterGathersTheRestOfItsRecording) {
    struct Case {
        const char* opened;
        std::vector<std::string> folder;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"GX010123.MP4",
         {"GX020123.MP4", "GX010123.MP4", "GX030123.MP4"},
         {"GX010123.MP4", "GX020123.MP4", "GX030123.MP4"}},
        // Another recording's chapters and other letters stay out.
        {"GH010007.MP4",
         {"GH010007.MP4", "GH020008.MP4", "GX020007.MP4", "GH020007.MP4"},
         {"GH010007.MP4", "GH020007.MP4"}},
        // A missing chapter ends the recording there.
        {"GX010123.MP4",
         {"GX010123.MP4", "GX020123.MP4", "GX040123.MP4"},
         {"GX010123.MP4", "GX020123.MP4"}},
        // Copied to a disk that lowered the case, or mixed.
        {"gx010123.mp4",
         {"gx010123.mp4", "gx020123.mp4", "GX030123.MP4"},
         {"gx010123.mp4", "gx020123.mp4", "GX030123.MP4"}},
        // Older cameras: GOPR first, then GP01, GP02.
        {"GOPR0456.MP4",
         {"GOPR0456.MP4", "GP010456.MP4", "GP020456.MP4", "GP040456.MP4"},
         {"GOPR0456.MP4", "GP010456.MP4", "GP020456.MP4"}},
        // A later chapter, a lone file and other names play alone.
        {"GX020123.MP4", {"GX010123.MP4", "GX020123.MP4", "GX030123.MP4"}, {"GX020123.MP4"}},
        {"GX010123.MP4", {"GX010123.MP4"}, {"GX010123.MP4"}},
        {"onboard.mp4", {"onboard.mp4", "onboard2.mp4"}, {"onboard.mp4"}},
        {"GX01012.MP4", {"GX01012.MP4", "GX02012.MP4"}, {"GX01012.MP4"}},
        {"1X010123.MP4", {"1X010123.MP4", "1X020123.MP4"}, {"1X010123.MP4"}},
        // The extension must match too.
        {"GX010123.MP4", {"GX010123.MP4", "GX020123.LRV"}, {"GX010123.MP4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened);
        const std::vector<std::filesystem::path> found =
            ChapterFiles(std::filesystem::path("/cards/DCIM") / c.opened, c.folder);
        EXPECT_EQ(Names(found), c.expected);
        for (const std::filesystem::path& p : found)
            EXPECT_EQ(p.parent_path(), "/cards/DCIM");
    }
}

TEST(VideoChapters, TheFolderOnDiskIsRead) {
    TempDir dir;
    for (const char* name : {"GX010042.MP4", "GX020042.MP4", "GX010043.MP4"})
        std::ofstream(dir.path() / name) << "x";
    EXPECT_EQ(Names(ChapterFilesOnDisk(dir.path() / "GX010042.MP4")),
              (std::vector<std::string>{"GX010042.MP4", "GX020042.MP4"}));
    EXPECT_EQ(Names(ChapterFilesOnDisk(dir.path() / "missing" / "GX010042.MP4")),
              (std::vector<std::string>{"GX010042.MP4"}));
}

// Two chapters of 2 s each (50 frames at 25 a second, each counting its
// frames from 0) played as one 4-second video.
class ChapterPlaybackTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        dir_ = new TempDir;
        made_ = MakeTestVideo(dir_->path() / "GX010077.MP4", kH264, 160, 120, 25, 2) &&
                MakeTestVideo(dir_->path() / "GX020077.MP4", kH264, 160, 120, 25, 2);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(made_) << "ffmpeg could not make the test chapters"; }

    bool PumpUntil(const std::function<bool()>& done) {
        for (int k = 0; k < 500 && !done(); ++k) {
            queue_.Wait(std::chrono::milliseconds(10));
            for (PlayerEvent& e : queue_.TakeAll()) {
                if (e.kind == PlayerEventKind::kPosition && e.image)
                    image_ = e.image;
                if (e.kind == PlayerEventKind::kFileOpen)
                    openedDuration_ = e.time;
            }
        }
        return done();
    }
    int SeekTo(SeekFlag flag, int64_t time) {
        image_.reset();
        player_.Seek(flag, time);
        EXPECT_TRUE(PumpUntil([&] { return image_ != nullptr; }));
        return image_ ? FrameNumberOf(*image_) : -1;
    }

    static TempDir* dir_;
    static bool made_;
    PlayerEventQueue queue_;
    Player player_{queue_};
    std::shared_ptr<const VideoImage> image_;
    int64_t openedDuration_ = 0;
};

TempDir* ChapterPlaybackTest::dir_ = nullptr;
bool ChapterPlaybackTest::made_ = false;

TEST_F(ChapterPlaybackTest, TheFirstChapterOpensAllOfThemAsOneVideo) {
    ASSERT_TRUE(player_.Open((dir_->path() / "GX010077.MP4").string(), true));
    ASSERT_TRUE(PumpUntil([&] { return image_ != nullptr && openedDuration_ > 0; }));
    EXPECT_NEAR(static_cast<double>(player_.Duration()), 4e6, 50000);
    EXPECT_EQ(openedDuration_, player_.Duration());
    EXPECT_EQ(FrameNumberOf(*image_), 0);

    // The second chapter alone is a video of its own.
    Player alone(queue_);
    ASSERT_TRUE(alone.Open((dir_->path() / "GX020077.MP4").string(), true));
    EXPECT_NEAR(static_cast<double>(alone.Duration()), 2e6, 50000);
}

TEST_F(ChapterPlaybackTest, SeeksAndFrameStepsCrossTheJoint) {
    ASSERT_TRUE(player_.Open((dir_->path() / "GX010077.MP4").string(), true));
    ASSERT_TRUE(PumpUntil([&] { return image_ != nullptr; }));
    struct Seek {
        SeekFlag flag;
        int64_t time;
        int frame;       // as counted in its chapter
        int64_t landed;  // the time of the frame shown
    };
    const Seek seeks[] = {
        {SeekFlag::kPrecise, 55 * kFrameUs, 5, 55 * kFrameUs},
        {SeekFlag::kPrecise, 49 * kFrameUs, 49, 49 * kFrameUs},
        {SeekFlag::kPrecise, 99 * kFrameUs, 49, 99 * kFrameUs},
        {SeekFlag::kPrecise, 20 * kFrameUs, 20, 20 * kFrameUs},
        // The second chapter's key frames are 2 s and 3 s into the whole.
        {SeekFlag::sfAny, 85 * kFrameUs, 25, 75 * kFrameUs},
        {SeekFlag::sfAny, 60 * kFrameUs, 0, 50 * kFrameUs},
    };
    for (const Seek& s : seeks) {
        SCOPED_TRACE(s.time);
        EXPECT_EQ(SeekTo(s.flag, s.time), s.frame);
        EXPECT_EQ(player_.CurrentPTS(), s.landed);
    }
    ASSERT_EQ(SeekTo(SeekFlag::kPrecise, 48 * kFrameUs), 48);
    for (int expected : {49, 0, 1}) {
        image_.reset();
        player_.StepToNextFrame();
        ASSERT_TRUE(PumpUntil([&] { return image_ != nullptr; }));
        EXPECT_EQ(FrameNumberOf(*image_), expected);
    }
    EXPECT_EQ(player_.CurrentPTS(), 51 * kFrameUs);
}

TEST_F(ChapterPlaybackTest, AChapterThatCannotBeReadEndsTheRecordingThere) {
    TempDir cut;
    std::filesystem::copy_file(dir_->path() / "GX010077.MP4", cut.path() / "GX010078.MP4");
    std::ofstream(cut.path() / "GX020078.MP4") << "the card filled up";
    ASSERT_TRUE(player_.Open((cut.path() / "GX010078.MP4").string(), true));
    EXPECT_NEAR(static_cast<double>(player_.Duration()), 2e6, 50000);
    EXPECT_EQ(SeekTo(SeekFlag::kPrecise, 30 * kFrameUs), 30);
}

}  // namespace
}  // namespace qv::test
