#include "ui/data_page.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/detail_table_model.h"
#include "ui/grid_cell_delegate.h"
#include "ui/lap_list_model.h"
#include "ui/lap_summary_panel.h"
#include "ui/window_fonts.h"

namespace qv::ui {
namespace {

constexpr int kGridRowHeight = 20;
// The column widths were made for Tahoma at 15 px; the common desktop faces
// are wider, so without Tahoma the text takes a smaller size to fit them.
constexpr int kGridFontPx = 15;
constexpr int kFallbackGridFontPx = 13;
constexpr int kHeaderFontPx = 12;

void StyleGrid(QTableView* grid) {
    grid->setItemDelegate(new GridCellDelegate(grid));
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    grid->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setFixedHeight(kGridRowHeight + 2);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setTabKeyNavigation(false);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QFont font = TahomaFont(kGridFontPx, kFallbackGridFontPx);
    // Screens above 96 dots per inch take 9 points, as the grids' design says.
    if (grid->logicalDpiY() > 96)
        font.setPointSize(9);
    grid->setFont(font);
    QFont header = font;
    if (grid->logicalDpiY() <= 96)
        header.setPixelSize(kHeaderFontPx);
    grid->horizontalHeader()->setFont(header);
}

}  // namespace

DataPage::DataPage(Session& session, DataCommands& commands, QWidget* parent)
    : QWidget(parent), session_(session), commands_(commands) {
    setObjectName(QStringLiteral("TabSheet2"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    toolBar_ = new QWidget(this);
    toolBar_->setObjectName(QStringLiteral("PanelDataTool"));
    auto* strip = new QHBoxLayout(toolBar_);
    strip->setContentsMargins(2, 2, 2, 2);
    strip->setSpacing(1);
    layout->addWidget(toolBar_);

    download_ = AddButton("SpeedButtonLdGPS", tr("Download"),
                          QStringLiteral("Download log data from device"), QStyle::SP_ArrowDown,
                          true, &DataPage::Download);
    loadLog_ = AddButton("SpeedButtonLdLogFile", tr("Open log"), QStringLiteral("Load log data"),
                         QStyle::SP_DialogOpenButton, true, &DataPage::LoadLog);
    AddButton("SpeedButtonReLog", tr("Reopen"), QStringLiteral("Reopen log data"),
              QStyle::SP_BrowserReload, true, &DataPage::ReopenLog);
    AddButton("SpeedButtonLoad", tr("Load laps"), QStringLiteral("Load lap data"),
              QStyle::SP_FileDialogStart, true, &DataPage::LoadLapData);
    AddButton("SpeedButtonSvRun", tr("Save lap"), QStringLiteral("Save lap data"),
              QStyle::SP_DialogSaveButton, true, &DataPage::SaveLap);
    AddButton("SpeedButtonSvAllRun", tr("Save all"), QStringLiteral("Save all laps"),
              QStyle::SP_DriveFDIcon, true, &DataPage::SaveAllLaps);
    AddButton("SpeedButtonSvRunSect", tr("Save sector"), QStringLiteral("Save sector data"),
              QStyle::SP_FileIcon, true, &DataPage::SaveSector);
    AddButton("SpeedButtonClrDt", tr("Remove all"), QStringLiteral("Remove all lap data"),
              QStyle::SP_TrashIcon, true, &DataPage::RemoveAll);
    AddButton("SpeedButtonEdiDataName", tr("Rename"), QStringLiteral("Edit data name"),
              QStyle::SP_FileDialogDetailedView, true, &DataPage::EditDataName);
    AddButton("SpeedButtonGrp", tr("Graph"), QStringLiteral("Display lap data as graph"),
              QStyle::SP_ComputerIcon, true, &DataPage::GraphButton);
    AddButton("SpeedButtonCsv", tr("List CSV"), QStringLiteral("Save list as CSV file"),
              QStyle::SP_FileDialogListView, true, &DataPage::SaveListCsv);
    AddButton("SpeedButtonCsv2", tr("Lap CSV"), QStringLiteral("Export lap data as CSV file"),
              QStyle::SP_FileDialogContentsView, true, &DataPage::ExportLapCsv);
    AddButton("SpeedButtonNMEA", tr("NMEA"), QStringLiteral("Export lap data as NMEA file"),
              QStyle::SP_FileLinkIcon, true, &DataPage::ExportNmea);
    AddButton("SpeedButtonMotec", tr("MoTeC"), QStringLiteral("Import MoTeC CSV file"),
              QStyle::SP_DirOpenIcon, true, &DataPage::ImportMotec);
    // Kept from the tool bar's design but not shown: the columns are
    // recomputed by every command that changes them.
    AddButton("SpeedButtonCalSect", QStringLiteral("SC"), tr("区間タイム計算"),
              QStyle::SP_BrowserReload, true, &DataPage::RecalculateColumns)
        ->hide();
    strip->addStretch(1);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->setChildrenCollapsible(false);
    lapModel_ = new LapListModel(session_, this);
    lapGrid_ = new QTableView(split);
    lapGrid_->setObjectName(QStringLiteral("StringGridLapData"));
    lapGrid_->setModel(lapModel_);
    StyleGrid(lapGrid_);
    for (int c = 0; c < kLapListColumns; ++c)
        lapGrid_->setColumnWidth(c, LapListColumnWidth(c));
    connect(lapGrid_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { commands_.ShowLap(index.row() + 1, false); });
    split->addWidget(lapGrid_);

    auto* lower = new QWidget(split);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    detailTabs_ = new QTabWidget(lower);
    detailTabs_->setObjectName(QStringLiteral("PageControlDetail"));
    sectorModel_ = new DetailTableModel(DetailTableKind::Sector, this);
    driftModel_ = new DetailTableModel(DetailTableKind::Drift, this);
    sectorGrid_ = DetailGrid("StringGridSectData", sectorModel_, DetailTableKind::Sector);
    driftGrid_ = DetailGrid("StringGridDrift", driftModel_, DetailTableKind::Drift);
    detailTabs_->addTab(sectorGrid_, tr("Sector details"));
    detailTabs_->addTab(driftGrid_, tr("DRIFT details"));
    lapSummary_ = new LapSummaryPanel(lower);
    lowerLayout->addWidget(detailTabs_, 1);
    lowerLayout->addWidget(lapSummary_);
    split->addWidget(lower);

    QMenu* listMenu = CopyMenu(
        "PopupMenu2",
        {{"pmAllDt", "Copy &all data to clipboard", &DataCommands::AllLapDataText},
         {"pmSelDt", "Copy &graph display data to clipboard", &DataCommands::SelLapDataText}});
    QMenu* sectorMenu = CopyMenu(
        "PopupMenu3", {{"pmSectDt", "Copy data to &clipboard", &DataCommands::SectDataText}});
    // The drift table has no menu of its own: a click on it reaches the
    // page control's.
    QMenu* detailMenu = CopyMenu(
        "PopupMenu4", {{"pmDriftDt", "Copy data to &clipboard", &DataCommands::DriftDataText}});
    auto attach = [](QWidget* owner, QWidget* area, QMenu* menu) {
        owner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(owner, &QWidget::customContextMenuRequested, menu,
                [area, menu](const QPoint& at) { menu->popup(area->mapToGlobal(at)); });
    };
    attach(lapGrid_, lapGrid_->viewport(), listMenu);
    attach(lapGrid_->horizontalHeader(), lapGrid_->horizontalHeader(), listMenu);
    attach(sectorGrid_, sectorGrid_->viewport(), sectorMenu);
    attach(sectorGrid_->horizontalHeader(), sectorGrid_->horizontalHeader(), sectorMenu);
    attach(detailTabs_, detailTabs_, detailMenu);
    split->setStretchFactor(0, 1);
    split->setSizes({300, 370});
    layout->addWidget(split, 1);
    RefreshTables();
}

QToolButton* DataPage::AddButton(const char* name, const QString& caption, const QString& hint,
                                 int icon, bool enabled, void (DataPage::*handler)()) {
    auto* button = new QToolButton(toolBar_);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    // The grids keep the focus: the commands act on the focused grid's cursor.
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(enabled);
    connect(button, &QToolButton::clicked, this, handler);
    toolBar_->layout()->addWidget(button);
    return button;
}

QTableView* DataPage::DetailGrid(const char* name, DetailTableModel* model, DetailTableKind kind) {
    auto* grid = new QTableView(this);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setModel(model);
    StyleGrid(grid);
    grid->horizontalHeader()->setDefaultSectionSize(kDetailColumnWidth);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(grid, &QTableView::doubleClicked, this, [this, grid, kind](const QModelIndex&) {
        GridCursor cursor = TableCursor(grid);
        cursor.hasFocus = true;  // the click was on the table itself
        commands_.SaveSector(kind, cursor);
    });
    return grid;
}

QMenu* DataPage::CopyMenu(const char* name, std::initializer_list<CopyItem> items) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QString::fromLatin1(name));
    for (const CopyItem& item : items) {
        QAction* action = menu->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        connect(action, &QAction::triggered, this, [this, text = item.text] {
            QGuiApplication::clipboard()->setText(QString::fromStdString((commands_.*text)()));
        });
    }
    return menu;
}

bool DataPage::HasFocus(const QWidget* widget) const {
    return widget->hasFocus() || window()->focusWidget() == widget;
}

GridCursor DataPage::ListCursor() const {
    const QModelIndex current = lapGrid_->currentIndex();
    GridCursor cursor;
    cursor.row = current.isValid() ? current.row() + 1 : 1;
    cursor.column = current.isValid() ? current.column() : 0;
    cursor.hasFocus = HasFocus(lapGrid_);
    return cursor;
}

GridCursor DataPage::TableCursor(const QTableView* table) const {
    const QModelIndex current = table->currentIndex();
    GridCursor cursor;
    cursor.row = current.isValid() ? current.row() + 1 : 1;
    cursor.column = current.isValid() ? current.column() : 0;
    cursor.hasFocus = HasFocus(table);
    return cursor;
}

void DataPage::SaveSector() {
    if (detailTabs_->currentWidget() == driftGrid_)
        commands_.SaveSector(DetailTableKind::Drift, TableCursor(driftGrid_));
    else
        commands_.SaveSector(DetailTableKind::Sector, TableCursor(sectorGrid_));
}

void DataPage::RefreshList() {
    const QModelIndex current = lapGrid_->currentIndex();
    lapSummary_->Refresh(session_);
    lapModel_->SetSummaryTip(lapSummary_->TipText());
    lapModel_->Reload();
    if (current.isValid()) {
        const int row = std::min(current.row(), lapModel_->rowCount() - 1);
        lapGrid_->setCurrentIndex(lapModel_->index(row, current.column()));
    }
}

void DataPage::RefreshTables() {
    const DetailTables tables = commands_.Tables();
    const int gates = session_.gates.UsedCount();
    sectorModel_->SetTables(tables, gates);
    driftModel_->SetTables(tables, gates);
}

void DataPage::SetLoadingLog(bool busy) {
    loadLog_->setEnabled(!busy);
}

void DataPage::SetDeviceBusy(bool busy) {
    download_->setEnabled(!busy);
}

}  // namespace qv::ui
