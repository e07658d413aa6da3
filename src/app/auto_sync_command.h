#pragma once
// The "Auto sync" button of the Video tab: when it can be pressed, what a
// run that ends does, and what the tab shows meanwhile. The analysis itself
// runs elsewhere (AutoSyncWorker); this keeps the rules, so that a late
// answer for a video or lap that has since gone ties nothing.

#include <cstdint>
#include <optional>
#include <string>

#include "app/video_auto_sync.h"
#include "core/date_time.h"

namespace qv {

class AutoSyncCommand {
  public:
    // What the tab holds when a run starts or ends.
    struct Context {
        std::string videoFile;  // empty: no video
        bool slotAOccupied = false;
        TDateTime lapStart = 0;  // slot A's first sample
        // The tie in force: the date-time of the video's time 0; none while
        // the video is free.
        std::optional<TDateTime> tiedVideoStart;
    };

    struct View {
        bool running = false;  // the progress bar and Cancel show
        int percent = 0;
        std::string status;  // the last run's tie or refusal
    };

    // What the window does with a run that ended.
    struct Outcome {
        bool tie = false;
        int64_t lapStartVideoTime = 0;  // µs; the video time of the lap's start
    };

    bool Enabled(const Context& now) const;
    // The run's number, or nothing when the button could not be pressed.
    std::optional<int> Start(const Context& now);
    // Progress of run `run`, 0 to 1; others' are ignored.
    void Progress(int run, double fraction);
    // Run `run` ended with `result`. A cancelled or superseded run, or one
    // whose video or lap has changed since it started, ties nothing.
    Outcome Finish(int run, const AutoSyncResult& result, const Context& now);
    // The window applied the tie of the last Finish, or could not (`tied`
    // false: the status goes, as it would name a tie not made).
    void TieApplied(bool tied, const Context& now);
    // The tab changed: the status names a tie or a refusal of one video and
    // the tie then in force, and goes once the video is removed or another
    // opened, or the video is tied by hand, freed or tied from a file.
    void Follow(const Context& now);
    // The running run's answer, when it comes, is dropped; the tie before
    // it stays.
    void Cancel();

    const View& view() const { return view_; }
    bool running() const { return view_.running; }

  private:
    View view_;
    int lastRun_ = 0;
    Context started_;
    // What the status was written for; none while a tie is being applied.
    std::optional<Context> statusFor_;
};

}  // namespace qv
