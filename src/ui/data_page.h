#pragma once
// The "Data" page: the lap tool bar, the lap list `StringGridLapData` and
// the detail tabs "Sector details" and "DRIFT details".

#include <QWidget>
#include <initializer_list>
#include <string>

#include "ui/data_commands.h"

class QMenu;
class QTableView;
class QTabWidget;
class QToolButton;

namespace qv::ui {

class DetailTableModel;
class LapListModel;
class LapSummaryPanel;

class DataPage : public QWidget {
    Q_OBJECT

  public:
    DataPage(Session& session, DataCommands& commands, QWidget* parent = nullptr);

    // The lap list's rows, header, marks or slot colours changed.
    void RefreshList();
    // `SetSectGrid`: both detail tables from the slots.
    void RefreshTables();
    void SetLoadingLog(bool busy);
    // "Download" waits while the device link runs.
    void SetDeviceBusy(bool busy);

  Q_SIGNALS:
    void downloadClicked();

  private:
    QToolButton* AddButton(const char* name, const QString& caption, const QString& hint, int icon,
                           bool enabled, void (DataPage::*handler)());
    QTableView* DetailGrid(const char* name, DetailTableModel* model, DetailTableKind kind);
    GridCursor ListCursor() const;
    GridCursor TableCursor(const QTableView* table) const;
    bool HasFocus(const QWidget* widget) const;
    struct CopyItem {
        const char* name;
        const char* caption;
        std::string (DataCommands::*text)() const;
    };
    // A context menu whose items put their command's text on the clipboard.
    QMenu* CopyMenu(const char* name, std::initializer_list<CopyItem> items);

    void LoadLog() { commands_.LoadLog(); }
    void ReopenLog() { commands_.ReopenLog(); }
    void LoadLapData() { commands_.LoadLapData(); }
    void SaveLap() { commands_.SaveLap(ListCursor()); }
    void SaveAllLaps() { commands_.SaveAllLaps(); }
    void SaveSector();
    void RemoveAll() { commands_.RemoveAll(); }
    void EditDataName() { commands_.EditDataName(ListCursor()); }
    void GraphButton() { commands_.ShowLap(ListCursor().row, true); }
    void SaveListCsv() { commands_.SaveListCsv(ListCursor()); }
    void ExportLapCsv() { commands_.ExportLapCsv(ListCursor()); }
    void ExportNmea() { commands_.ExportNmea(ListCursor()); }
    void ImportMotec() { commands_.ImportMotec(); }
    void Download() { Q_EMIT downloadClicked(); }
    void RecalculateColumns() { commands_.RecalculateColumns(); }

    Session& session_;
    DataCommands& commands_;
    QWidget* toolBar_ = nullptr;
    LapListModel* lapModel_ = nullptr;
    DetailTableModel* sectorModel_ = nullptr;
    DetailTableModel* driftModel_ = nullptr;
    QTableView* lapGrid_ = nullptr;
    QTableView* sectorGrid_ = nullptr;
    QTableView* driftGrid_ = nullptr;
    QTabWidget* detailTabs_ = nullptr;
    LapSummaryPanel* lapSummary_ = nullptr;
    QToolButton* loadLog_ = nullptr;
    QToolButton* download_ = nullptr;
};

}  // namespace qv::ui
