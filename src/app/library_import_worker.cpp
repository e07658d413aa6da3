#include "app/library_import_worker.h"

#include <algorithm>

namespace qv {

void RunLibraryImport(const LibraryImportJob& job, const std::atomic<bool>& cancel,
                      LibraryImportSink& sink) {
    LibraryImportEvent finished;
    finished.kind = LibraryImportEvent::Kind::Finished;
    finished.automatic = job.automatic;
    SessionLibrary library;
    const LibraryOpenResult opened = library.Open(job.libraryFile);
    if (!library.IsOpen() || library.ReadOnly()) {
        finished.error = opened.message.empty()
                             ? "The library cannot be written: " + job.libraryFile.string()
                             : opened.message;
        sink.Post(std::move(finished));
        return;
    }
    LibraryAddContext context;
    context.circuits = &job.circuits;
    context.settings = job.settings;
    context.localTimeBase = job.localTimeBase;
    finished.report =
        AddLogs(library, job.roots, context, &cancel, [&](const ImportProgress& progress) {
            LibraryImportEvent event;
            event.automatic = job.automatic;
            event.progress = progress;
            sink.Post(std::move(event));
        });
    sink.Post(std::move(finished));
}

LibraryImportWorker::LibraryImportWorker(LibraryImportSink& sink)
    : sink_(sink), thread_([this] { Loop(); }) {}

LibraryImportWorker::~LibraryImportWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
        cancel_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void LibraryImportWorker::Enqueue(LibraryImportJob job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

size_t LibraryImportWorker::CancelImports() {
    std::lock_guard lock(mutex_);
    const size_t dropped =
        std::erase_if(jobs_, [](const LibraryImportJob& job) { return !job.automatic; });
    cancel_ = true;
    return dropped;
}

bool LibraryImportWorker::Busy() const {
    std::lock_guard lock(mutex_);
    return running_ || !jobs_.empty();
}

void LibraryImportWorker::Loop() {
    // Logs added by themselves are one file each and are never cancelled.
    const std::atomic<bool> never{false};
    for (;;) {
        LibraryImportJob job;
        {
            std::unique_lock lock(mutex_);
            running_ = false;
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_)
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            running_ = true;
            cancel_ = false;
        }
        RunLibraryImport(job, job.automatic ? never : cancel_, sink_);
    }
}

}  // namespace qv
