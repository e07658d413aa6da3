#pragma once
// A session library in a scratch folder with copies of the demo logs, the
// demo circuit's files indexed, and a program session beside it.

#include <filesystem>
#include <memory>

#include "app/library_import_worker.h"
#include "app/session.h"
#include "core/posted_queue.h"
#include "support/temp_dir.h"
#include "support/test_paths.h"

namespace qv::test {

// Every event kept; the import thread's ones are waited for.
class KeptEvents : public LibraryImportSink {
  public:
    void Post(LibraryImportEvent event) override { queue.Post(std::move(event)); }
    // The events up to the next Finished, waiting for them; empty when the
    // thread says nothing for a long while.
    std::vector<LibraryImportEvent> UntilFinished() {
        std::vector<LibraryImportEvent> events;
        for (;;) {
            for (LibraryImportEvent& e : queue.TakeAll()) {
                events.push_back(std::move(e));
                if (events.back().kind == LibraryImportEvent::Kind::Finished)
                    return events;
            }
            if (!queue.Wait(std::chrono::seconds(60)))
                return {};
        }
    }
    PostedQueue<LibraryImportEvent> queue;
};

class LibraryFixture {
  public:
    static constexpr TDateTime kBase = 25569.0;  // local time is UTC

    LibraryFixture() : session(std::make_unique<Session>(kBase)) {
        namespace fs = std::filesystem;
        const fs::path shipped = ShippedDir();
        fs::create_directories(logs);
        for (const char* name : {"demo.bnx4", "demo_drift.bonz"})
            fs::copy_file(shipped / "Raw" / name, logs / name);
        circuits.trackMaps =
            BuildCircuitIndex(shipped / "Circuit", CircuitFileKind::TrackMap, kBase, 46000);
        circuits.controlLines =
            BuildCircuitIndex(shipped / "ControlLine", CircuitFileKind::ControlLine, kBase, 46000);
        circuits.sectorGates =
            BuildCircuitIndex(shipped / "Sector", CircuitFileKind::SectorGates, kBase, 46000);
        session->folders.TempFolder = dir / "temp";
        fs::create_directories(session->folders.TempFolder);
    }

    LibraryImportJob Job(std::vector<std::filesystem::path> roots, bool automatic = false) const {
        LibraryImportJob job;
        job.libraryFile = libraryFile;
        job.roots = std::move(roots);
        job.circuits = circuits;
        job.settings = session->settings;
        job.localTimeBase = kBase;
        job.automatic = automatic;
        return job;
    }

    // Adds on the calling thread; the Finished event.
    LibraryImportEvent Import(std::vector<std::filesystem::path> roots) {
        KeptEvents sink;
        const std::atomic<bool> never{false};
        RunLibraryImport(Job(std::move(roots)), never, sink);
        std::vector<LibraryImportEvent> events = sink.UntilFinished();
        return events.empty() ? LibraryImportEvent{} : events.back();
    }

    SessionLibrary& Open() {
        library.Open(libraryFile);
        return library;
    }

    TempDir dir;
    std::filesystem::path logs = dir / "logs";
    std::filesystem::path libraryFile = dir / "data" / "library.sqlite";
    CircuitIndex circuits;
    std::unique_ptr<Session> session;
    SessionLibrary library;
};

}  // namespace qv::test
