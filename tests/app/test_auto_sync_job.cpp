// The automatic tie's two passes against a planted reader: what it asks of
// the video, when it reads the whole video instead, and the tie it makes.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/auto_sync_job.h"
#include "dynamics/lap_yaw_rate.h"
#include "synth/drive.h"
#include "synth/lap_files.h"

namespace qv {
namespace {

using Kind = MotionReadRequest::Kind;
constexpr double kFrame = 1.0 / 30;

TLapDtRec LapOf(const synth::Circuit& circuit) {
    synth::DriveOptions options;
    options.laps = 2;
    const synth::Drive drive = synth::SynthesizeDrive(circuit, options);
    std::vector<synth::SynthFix> fixes;
    for (const synth::SynthFix& f : drive.fixes) {
        if (f.utcMs >= drive.crossingUtcMs[0] && f.utcMs <= drive.crossingUtcMs[1])
            fixes.push_back(f);
    }
    TLapDtRec lap;
    lap.Elm = synth::LapSamplesOfFixes(fixes, 25569.0);
    lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
    return lap;
}

const TLapDtRec& DemoLap() {
    static const TLapDtRec lap = LapOf(synth::DemoCircuit());
    return lap;
}

// The lap's yaw rate at any lap time, 0 off the lap.
std::function<double(double)> YawOf(const TLapDtRec& lap) {
    const MotionSignal yaw = LapYawRate(lap.Elm);
    return [yaw](double t) {
        const auto it = std::lower_bound(yaw.times.begin(), yaw.times.end(), t);
        if (it == yaw.times.begin() || it == yaw.times.end())
            return 0.0;
        const size_t k = static_cast<size_t>(it - yaw.times.begin());
        const double u = (t - yaw.times[k - 1]) / (yaw.times[k] - yaw.times[k - 1]);
        return yaw.values[k - 1] + u * (yaw.values[k] - yaw.values[k - 1]);
    };
}

// A video whose picture turns as `lap` does, the lap starting `offset` s
// into it, read as the real reader reads one.
struct PlantedVideo {
    const TLapDtRec* lap = &DemoLap();
    double offset = 10;
    double seconds = 120;
    double keyFrameEvery = 1;  // s
    bool gyro = false;
    std::string error;
    bool cancelWhileReading = false;
    bool spansFail = false;  // a read of spans fails, the whole read does not
};

PlantedVideo Planted(const std::function<void(PlantedVideo&)>& change) {
    PlantedVideo v;
    change(v);
    return v;
}

class PlantedReader {
  public:
    explicit PlantedReader(const PlantedVideo& v) : v_(v), yaw_(YawOf(*v.lap)) {}

    VideoMotion operator()(const MotionReadRequest& request, const MotionProgress& progress,
                           const std::atomic<bool>* cancel) {
        requests.push_back(request);
        VideoMotion out;
        if (v_.cancelWhileReading) {
            // The user presses Cancel meanwhile; the read stops.
            pressCancel->store(true);
            out.cancelled = Cancelled(cancel);
            return out;
        }
        if (!v_.error.empty() || (v_.spansFail && request.kind == Kind::Spans)) {
            out.error = v_.error.empty() ? "cannot seek" : v_.error;
            return out;
        }
        MotionSignal& s = out.signal;
        s.source = v_.gyro ? MotionSignal::Source::Gyro : MotionSignal::Source::Picture;
        s.signKnown = !v_.gyro;
        s.frameInterval = kFrame;
        s.duration = v_.seconds;
        // The picture moves 1.8 columns a second for each deg/s; the gyro
        // is mounted upside down.
        const auto add = [&](double t) {
            s.times.push_back(t);
            s.values.push_back((v_.gyro ? -0.03 : 1.8) * yaw_(t - v_.offset));
        };
        if (v_.gyro) {
            for (double t = 0.0025; t < v_.seconds; t += 0.005)
                add(t);
        } else if (request.kind == Kind::KeyFrames) {
            // The key frame against the P-frame four frames on.
            for (double key = 0; key + 4 * kFrame < v_.seconds; key += v_.keyFrameEvery)
                add(key + 2 * kFrame);
        } else {
            for (double t = 0.5 * kFrame; t < v_.seconds; t += kFrame) {
                const bool inSpan = request.kind == Kind::Whole ||
                                    std::any_of(request.spans.begin(), request.spans.end(),
                                                [t](const MotionSpan& span) {
                                                    return t >= span.from && t < span.to;
                                                });
                if (inSpan)
                    add(t);
            }
        }
        if (progress) {
            progress(0.5);
            progress(1);
        }
        return out;
    }

    std::vector<MotionReadRequest> requests;
    std::atomic<bool>* pressCancel = nullptr;

  private:
    static bool Cancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && *cancel; }

    PlantedVideo v_;
    std::function<double(double)> yaw_;
};

struct JobRun {
    AutoSyncResult result;
    std::vector<Kind> kinds;
    std::vector<MotionSpan> spans;
    bool ascending = true;
    double lastShare = 0;
};

JobRun RunOn(const PlantedVideo& v) {
    PlantedReader planted(v);
    JobRun run;
    std::atomic<bool> cancel{false};
    planted.pressCancel = &cancel;
    run.result = RunAutoSync(
        DemoLap(), std::ref(planted),
        [&](double share) {
            run.ascending = run.ascending && share > run.lastShare;
            run.lastShare = share;
        },
        cancel);
    for (const MotionReadRequest& r : planted.requests) {
        run.kinds.push_back(r.kind);
        if (r.kind == Kind::Spans)
            run.spans = r.spans;
    }
    return run;
}

// A picture video with key frames every second is read twice in part; what
// the passes cannot serve is read whole.
TEST(AutoSyncJob, EachVideoIsReadAsItAllows) {
    static const TLapDtRec otherLap = LapOf(synth::FigureEightCircuit());
    struct Case {
        const char* name;
        PlantedVideo video;
        std::vector<Kind> kinds;
        bool tied;
    } cases[] = {
        {"key frames, then spans", PlantedVideo{}, {Kind::KeyFrames, Kind::Spans}, true},
        {"short video",
         Planted([](PlantedVideo& v) {
             v.offset = -5;
             v.seconds = 25;
         }),
         {Kind::KeyFrames, Kind::Whole},
         true},
        {"key frames 3 s apart",
         Planted([](PlantedVideo& v) { v.keyFrameEvery = 3; }),
         {Kind::KeyFrames, Kind::Whole},
         true},
        {"another lap: the whole check refuses it",
         Planted([](PlantedVideo& v) { v.lap = &otherLap; }),
         {Kind::KeyFrames, Kind::Whole},
         false},
        {"spans that cannot be read",
         Planted([](PlantedVideo& v) { v.spansFail = true; }),
         {Kind::KeyFrames, Kind::Spans, Kind::Whole},
         true},
        {"camera gyro, matched whole at once",
         Planted([](PlantedVideo& v) { v.gyro = true; }),
         {Kind::KeyFrames},
         true},
    };
    for (const Case& c : cases) {
        const JobRun run = RunOn(c.video);
        EXPECT_EQ(run.kinds, c.kinds) << c.name;
        const bool twoPasses = c.kinds.back() == Kind::Spans;
        EXPECT_EQ(run.result.twoPasses, twoPasses) << c.name;
        if (twoPasses) {
            // A few short spans within the video, far less than the whole of it.
            EXPECT_GE(run.result.match.windows.size(), 3u) << c.name;
            EXPECT_GE(run.spans.size(), 3u) << c.name;
            double read = 0;
            for (const MotionSpan& s : run.spans) {
                EXPECT_TRUE(s.from >= 0 && s.to > s.from && s.to <= c.video.seconds) << c.name;
                read += s.to - s.from;
            }
            EXPECT_LT(read, 0.5 * c.video.seconds) << c.name;
        }
        EXPECT_EQ(run.result.tied, c.tied) << c.name << ": " << run.result.match.why;
        if (c.tied)
            EXPECT_NEAR(run.result.lapStartInVideo, c.video.offset, kFrame) << c.name;
        else
            EXPECT_EQ(run.result.message, kAutoSyncRefused) << c.name;
        EXPECT_TRUE(run.ascending) << c.name;
        EXPECT_DOUBLE_EQ(run.lastShare, 1) << c.name;
    }
}

TEST(AutoSyncJob, AnUnreadableVideoOrACancelStopsIt) {
    const JobRun unreadable =
        RunOn(Planted([](PlantedVideo& v) { v.error = "cannot open car.mp4"; }));
    EXPECT_FALSE(unreadable.result.tied);
    EXPECT_EQ(unreadable.result.readError, "cannot open car.mp4");
    EXPECT_EQ(unreadable.result.message, "cannot open car.mp4");

    const JobRun cancelled = RunOn(Planted([](PlantedVideo& v) { v.cancelWhileReading = true; }));
    EXPECT_TRUE(cancelled.result.cancelled);
    EXPECT_FALSE(cancelled.result.tied);
    EXPECT_EQ(cancelled.kinds, std::vector<Kind>{Kind::KeyFrames});
}

}  // namespace
}  // namespace qv
