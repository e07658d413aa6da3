#pragma once
// Adding logs to the session library away from the window's thread: a bulk
// import of folders and the logs added on their own after they were opened
// or downloaded. One thread takes the jobs in turn, each on its own
// connection to the library file; it reports through a sink, which the
// window turns into queued calls on its own thread.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "laps/circuit_index.h"
#include "library/library_import.h"

namespace qv {

struct LibraryImportJob {
    std::filesystem::path libraryFile;
    std::vector<std::filesystem::path> roots;  // files or folders
    // A copy: the window's own index has its gaps measured on its thread.
    CircuitIndex circuits;
    Settings settings;
    TDateTime localTimeBase = 0;
    // A log added by itself after it was opened: no progress is shown.
    bool automatic = false;
};

struct LibraryImportEvent {
    enum class Kind { Progress, Finished };
    Kind kind = Kind::Progress;
    bool automatic = false;
    ImportProgress progress;  // Progress
    ImportReport report;      // Finished
    // Finished: the library could not be opened for writing, and why.
    std::string error;
};

class LibraryImportSink {
  public:
    virtual ~LibraryImportSink() = default;
    // Called on the import thread, in order.
    virtual void Post(LibraryImportEvent event) = 0;
};

// One job on the calling thread, from its first progress to its Finished.
// `cancel` is read between logs; what was added before stays.
void RunLibraryImport(const LibraryImportJob& job, const std::atomic<bool>& cancel,
                      LibraryImportSink& sink);

class LibraryImportWorker {
  public:
    explicit LibraryImportWorker(LibraryImportSink& sink);
    // Cancels the job that runs, drops the waiting ones and joins.
    ~LibraryImportWorker();
    LibraryImportWorker(const LibraryImportWorker&) = delete;
    LibraryImportWorker& operator=(const LibraryImportWorker&) = delete;

    // Runs after the jobs given before it.
    void Enqueue(LibraryImportJob job);
    // Stops the bulk imports, the running one between two logs and the
    // waiting ones before they start; logs added by themselves still go in.
    // The number of waiting jobs dropped, which post nothing.
    size_t CancelImports();
    // A job waits or runs.
    bool Busy() const;

  private:
    void Loop();

    LibraryImportSink& sink_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<LibraryImportJob> jobs_;
    bool running_ = false;
    bool stopping_ = false;
    std::atomic<bool> cancel_{false};
    std::thread thread_;
};

}  // namespace qv
