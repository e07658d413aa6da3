#include "cli/video_sync_command.h"

#include <atomic>
#include <filesystem>
#include <ostream>

#include "app/auto_sync_job.h"
#include "app/video_auto_sync.h"
#include "cli/lap_argument.h"
#include "cli/lap_options.h"
#include "core/atomic_file.h"
#include "core/date_time.h"
#include "core/display_format.h"
#include "video/video_motion.h"
#include "video/video_sync.h"

namespace qv::cli {

const char* const kVideoSyncUsage =
    "usage: quorvane-cli video-sync VIDEO LOG LAP [--vsy FILE] [lap options]\n"
    "\n"
    "Ties the video to the lap numbered LAP (from 0) among the laps cut from LOG,\n"
    "as \"Auto sync\" does: the camera's gyro, or else the sideways motion of the\n"
    "picture, is matched against the lap's yaw rate. Prints where the lap starts\n"
    "in the video with its ± (about 95 %), the drift of the camera's clock, the\n"
    "peak's sharpness and the video's start time. --vsy writes the tie as the\n"
    "window's \"Save sync information\" does (the extension becomes .vsy). Exit\n"
    "status 0 when tied, 1 when the moment was not found or a file failed, 2 for\n"
    "a usage error.\n"
    "\n"
    "lap options:\n";

namespace {

const char* SourceName(MotionSignal::Source source) {
    return source == MotionSignal::Source::Gyro ? "camera gyro" : "picture";
}

}  // namespace

int RunVideoSync(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    LapOptions options;
    std::vector<std::string> operands;
    std::string vsy;
    const auto own = [&](const std::vector<std::string>& all, size_t& k) {
        if (all[k] != "--vsy")
            return OptionParse::NotMine;
        if (k + 1 >= all.size()) {
            err << "quorvane-cli: --vsy needs a FILE\n";
            return OptionParse::Failed;
        }
        vsy = all[++k];
        return OptionParse::Taken;
    };
    const auto operand = [&](const std::string& a) {
        if (operands.size() == 3) {
            err << "quorvane-cli: unexpected argument " << a << "\n";
            return false;
        }
        operands.push_back(a);
        return true;
    };
    if (const int code = ParseLapCommand(args, options, err, own, operand))
        return code;
    int lapNumber = 0;
    if (operands.size() != 3 || !ParseCount(operands[2], lapNumber)) {
        err << "quorvane-cli: video-sync takes VIDEO, LOG and a lap number from 0\n";
        return 2;
    }
    const std::string& video = operands[0];
    if (!std::filesystem::is_regular_file(video)) {
        err << "quorvane-cli: " << video << ": no such video\n";
        return 1;
    }

    CliSession laps(options, err);
    if (!laps.Ready())
        return 1;
    LapArgumentResolver resolver(laps, err);
    if (!resolver.ShowInSlot(operands[1] + ":" + operands[2]))
        return 1;
    const TLapDtRec& lap = laps.session().laps.LapDt[0];

    const std::atomic<bool> never{false};
    const AutoSyncResult tie = RunAutoSync(lap, VideoFileMotionReader(video), {}, never);
    if (!tie.readError.empty()) {
        err << "quorvane-cli: " << tie.readError << "\n";
        return 1;
    }
    out << "motion: " << SourceName(tie.source) << "\n";
    out << StrFormat("peak: %.3f, sharpness %.3f\n", tie.peak, tie.sharpness);
    if (!tie.tied) {
        err << tie.message << "\n";
        return 1;
    }
    out << AutoSyncTieText(tie) << "\n";
    out << StrFormat("drift: %+.0f ppm (%s)\n", tie.driftPpm,
                     tie.driftApplied ? "applied" : "not applied");
    out << "video start: " << FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", tie.videoStartTime) << "\n";
    if (!vsy.empty()) {
        std::filesystem::path path(vsy);
        if (path.extension() != ".vsy")
            path.replace_extension(".vsy");
        const std::string videoPath = std::filesystem::absolute(video).string();
        const WriteResult written =
            WriteFileAtomically(path, VsyFileText(videoPath, tie.videoStartTime));
        if (!written.ok) {
            err << "quorvane-cli: " << path.string() << ": " << written.error << "\n";
            return 1;
        }
        out << "written: " << path.string() << "\n";
    }
    return 0;
}

}  // namespace qv::cli
