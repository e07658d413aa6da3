#include "app/auto_sync_worker.h"

#include <exception>

namespace qv {

AutoSyncWorker::AutoSyncWorker(AutoSyncSink& sink) : sink_(sink) {}

AutoSyncWorker::~AutoSyncWorker() {
    Cancel();
    Join();
}

void AutoSyncWorker::Cancel() {
    std::lock_guard lock(mutex_);
    if (cancel_)
        *cancel_ = true;
}

void AutoSyncWorker::Join() {
    if (thread_.joinable())
        thread_.join();
}

void AutoSyncWorker::Run(int run, AutoSyncJob job) {
    Cancel();
    Join();
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    {
        std::lock_guard lock(mutex_);
        cancel_ = cancel;
    }
    thread_ = std::thread([this, run, cancel, job = std::move(job)] {
        AutoSyncEvent done;
        done.kind = AutoSyncEvent::Kind::Finished;
        done.run = run;
        const AutoSyncProgress progress = [this, run](double fraction) {
            AutoSyncEvent e;
            e.run = run;
            e.fraction = fraction;
            sink_.Post(std::move(e));
        };
        try {
            done.result = job(progress, *cancel);
        } catch (const std::exception& error) {
            // Out of memory on a huge video, say: a refusal, not a crash.
            done.result = AutoSyncResult{};
            done.result.message = error.what();
        }
        sink_.Post(std::move(done));
    });
}

}  // namespace qv
