#pragma once
// The commands of the "Data" page's tool bar, the lap list and the detail
// tables, each forwarded to its engine operation. What the window must do
// afterwards (stop playback, repaint, show the page) goes through Hooks.

#include <filesystem>
#include <functional>
#include <vector>

#include "app/session.h"
#include "dynamics/sector_tables.h"
#include "exchange/motec_import.h"
#include "exchange/nmea_export.h"
#include "geometry/gate_editing.h"
#include "geometry/sector_gates.h"
#include "presentation/steps.h"
#include "presentation/video_link.h"
#include "ui/window_services.h"

namespace qv::ui {

// Where the grid's cursor stands: grid row (row k + 1 is lap k) and column.
struct GridCursor {
    int row = 0;
    int column = 0;
    bool hasFocus = false;
};

class DataCommands {
  public:
    struct Hooks {
        std::function<void()> stopPlayback;
        std::function<void(const StepList&)> runSteps;
        std::function<void()> lapListChanged;  // rows, header or marks
        std::function<void()> showDataPage;
        std::function<void(bool busy)> loadingLog;  // "Load log data" disabled while busy
        // The gate dialogs "Remove all lap data" ends with.
        std::function<GateDialogs*()> gateDialogs;
        // The player's state: removing every lap pauses a playing video.
        std::function<VideoStatus()> video;
        // After the steps of an opened, reopened or downloaded log.
        std::function<void(const OpenLogOutcome&)> logOpened;
    };

    // The exchange dialogs start where the file dialogs start after
    // start-up: the documents root.
    DataCommands(Session& session, WindowServices& services, Hooks hooks);

    void LoadLog();
    // A file handed to the program from outside, opened as "Load log data"
    // or "Load lap data" opens it after its dialog.
    void OpenFile(const std::filesystem::path& file);
    void ReopenLog();
    // The log the device page has just downloaded.
    void OpenDownloadedLog();
    void LoadLapData();
    void SaveLap(const GridCursor& list);
    void SaveAllLaps();
    // The detail table shown (drift or sector) when it has the focus.
    void SaveSector(DetailTableKind kind, const GridCursor& table);
    void RemoveAll();
    void EditDataName(const GridCursor& list);
    void ShowLap(int row, bool fromGraphButton);
    void SaveListCsv(const GridCursor& list);
    void ExportLapCsv(const GridCursor& list);
    // "Import MoTeC CSV file"; true when a row was added.
    bool ImportMotec();
    // "Export lap data as NMEA file" on the list's current row.
    void ExportNmea(const GridCursor& list);
    // "SC": the sector-time and drift columns of the lap list.
    void RecalculateColumns();
    // The texts of the copy commands of the lap list and the detail tables.
    std::string AllLapDataText() const;
    std::string SelLapDataText() const;
    std::string SectDataText() const;
    std::string DriftDataText() const;
    // Files dropped on the window; true when any was loaded.
    bool DropFiles(const std::vector<std::filesystem::path>& files, bool dataPageShown);

    // The detail tables as the slots stand now.
    DetailTables Tables() const;

  private:
    OpenLogContext LogContext();
    void RunLoadLog(const std::function<OpenLogOutcome(OpenLogContext&)>& open);
    // `gatesBefore`: the gate table before the command, which the circuit
    // search of the log-block dialog may have replaced.
    void AfterLog(const OpenLogOutcome& outcome, const GateTable& gatesBefore);
    void Tell(const std::string& error);

    Session& session_;
    WindowServices& services_;
    Hooks hooks_;
    MotecDialogState motecDialog_;
    NmeaExportState nmeaDialog_;
};

}  // namespace qv::ui
