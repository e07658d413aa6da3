#pragma once
// Runs one automatic video sync at a time on its own thread and reports
// through a sink, which the window turns into queued calls on its thread.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/auto_sync_command.h"

namespace qv {

struct AutoSyncEvent {
    enum class Kind { Progress, Finished };
    Kind kind = Kind::Progress;
    int run = 0;
    double fraction = 0;    // Progress
    AutoSyncResult result;  // Finished
};

class AutoSyncSink {
  public:
    virtual ~AutoSyncSink() = default;
    // Called on the worker's thread, in order; Finished comes last.
    virtual void Post(AutoSyncEvent event) = 0;
};

// The analysis: reports its progress from 0 to 1 and looks at `cancel`
// often enough to stop within a moment of it.
using AutoSyncProgress = std::function<void(double fraction)>;
using AutoSyncJob = std::function<AutoSyncResult(const AutoSyncProgress& progress,
                                                 const std::atomic<bool>& cancel)>;

class AutoSyncWorker {
  public:
    explicit AutoSyncWorker(AutoSyncSink& sink);
    // Cancels a run and waits for it.
    ~AutoSyncWorker();
    AutoSyncWorker(const AutoSyncWorker&) = delete;
    AutoSyncWorker& operator=(const AutoSyncWorker&) = delete;

    // Cancels the run before it, waits for it, then starts `job` as `run`.
    void Run(int run, AutoSyncJob job);
    // Asks the running job to stop; its Finished still comes.
    void Cancel();

  private:
    void Join();

    AutoSyncSink& sink_;
    std::mutex mutex_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::thread thread_;
};

}  // namespace qv
