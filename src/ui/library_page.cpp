#include "ui/library_page.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/library_lap_slot.h"
#include "app/library_page_model.h"
#include "app/library_reopen.h"
#include "core/display_format.h"
#include "ui/views/scene_view.h"

namespace qv::ui {

// Hands the import thread's events to the page on the window's thread; a
// page gone by then takes none.
class PageImportSink : public LibraryImportSink {
  public:
    explicit PageImportSink(LibraryPage* page) : page_(page) {}
    void Post(LibraryImportEvent event) override {
        LibraryPage* page = page_;
        QMetaObject::invokeMethod(
            page, [page, event = std::move(event)] { page->OnImportEvent(event); },
            Qt::QueuedConnection);
    }

  private:
    LibraryPage* page_;
};

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kTrackItem = 0;
constexpr int kSessionItem = 1;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList Titles(const auto& titles) {
    QStringList list;
    for (const char* t : titles)
        list << QString::fromUtf8(t);
    return list;
}

void Mark(QTreeWidgetItem* item, int columns, bool bold, bool missing) {
    for (int c = 0; c < columns; ++c) {
        QFont font = item->font(c);
        font.setBold(bold);
        font.setItalic(missing);
        item->setFont(c, font);
        if (missing)
            item->setForeground(c, QBrush(Qt::gray));
        else if (bold)
            item->setForeground(c, QBrush(QColor(0, 128, 0)));
    }
}

}  // namespace

LibraryPage::LibraryPage(Session& session, const CircuitIndex& circuits, Prompter& prompter,
                         std::function<TDateTime()> now, Hooks hooks, QWidget* parent)
    : QWidget(parent),
      session_(session),
      circuits_(circuits),
      prompter_(prompter),
      now_(std::move(now)),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("TabSheetLibrary"));
    if (!hooks_.chooseFolder)
        hooks_.chooseFolder = [this]() -> std::optional<std::filesystem::path> {
            const QString folder = QFileDialog::getExistingDirectory(
                this, QStringLiteral("Add a folder of logs to the library"),
                Q(session_.folders.lastLogFolder.string()));
            if (folder.isEmpty())
                return std::nullopt;
            return std::filesystem::path(folder.toStdString());
        };

    auto* column = new QVBoxLayout(this);
    auto* tools = new QHBoxLayout;
    auto* addFolder = new QPushButton(tr("Add a folder…"), this);
    addFolder->setObjectName(QStringLiteral("ButtonLibraryAddFolder"));
    openButton_ = new QPushButton(tr("Open log"), this);
    openButton_->setObjectName(QStringLiteral("ButtonLibraryOpen"));
    slotButton_ = new QPushButton(tr("Show lap in next slot"), this);
    slotButton_->setObjectName(QStringLiteral("ButtonLibraryShowLap"));
    renameButton_ = new QPushButton(tr("Rename track…"), this);
    renameButton_->setObjectName(QStringLiteral("ButtonLibraryRename"));
    for (QPushButton* b : {addFolder, openButton_, slotButton_, renameButton_})
        tools->addWidget(b);
    tools->addSpacing(16);
    tools->addWidget(new QLabel(tr("From"), this));
    from_ = new QLineEdit(this);
    from_->setObjectName(QStringLiteral("EditLibraryFrom"));
    to_ = new QLineEdit(this);
    to_->setObjectName(QStringLiteral("EditLibraryTo"));
    for (QLineEdit* e : {from_, to_}) {
        e->setPlaceholderText(QStringLiteral("yyyy/mm/dd"));
        e->setFixedWidth(90);
    }
    tools->addWidget(from_);
    tools->addWidget(new QLabel(tr("to"), this));
    tools->addWidget(to_);
    logger_ = new QComboBox(this);
    logger_->setObjectName(QStringLiteral("ComboBoxLibraryLogger"));
    logger_->addItem(QString::fromUtf8(kAnyLogger));
    tools->addWidget(logger_);
    tools->addStretch(1);
    column->addLayout(tools);

    auto* progressRow = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBarLibrary"));
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("ButtonLibraryCancel"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("LabelLibraryStatus"));
    progressRow->addWidget(progress_);
    progressRow->addWidget(cancel_);
    progressRow->addWidget(status_, 1);
    progress_->hide();
    cancel_->hide();
    column->addLayout(progressRow);

    auto* split = new QSplitter(Qt::Horizontal, this);
    tree_ = new QTreeWidget(split);
    tree_->setObjectName(QStringLiteral("TreeLibrary"));
    tree_->setColumnCount(kLibraryColumnCount);
    tree_->setHeaderLabels(Titles(kLibraryColumnTitles));
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setExpandsOnDoubleClick(false);
    auto* right = new QSplitter(Qt::Vertical, split);
    chartView_ = new SceneView("PaintBoxProgress", right);
    chartView_->setMinimumHeight(160);
    laps_ = new QTreeWidget(right);
    laps_->setObjectName(QStringLiteral("TreeLibraryLaps"));
    laps_->setRootIsDecorated(false);
    laps_->setColumnCount(kLibraryLapColumnCount);
    laps_->setHeaderLabels(Titles(kLibraryLapColumnTitles));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    column->addWidget(split, 1);
    refused_ = new QListWidget(this);
    refused_->setObjectName(QStringLiteral("ListLibraryRefused"));
    refused_->setMaximumHeight(90);
    refused_->hide();
    column->addWidget(refused_);

    connect(addFolder, &QPushButton::clicked, this, [this] {
        if (const std::optional<std::filesystem::path> folder = hooks_.chooseFolder())
            AddFolders({*folder});
    });
    connect(openButton_, &QPushButton::clicked, this, &LibraryPage::OpenChosenSession);
    connect(slotButton_, &QPushButton::clicked, this, &LibraryPage::ShowChosenLap);
    connect(renameButton_, &QPushButton::clicked, this, &LibraryPage::RenameChosenTrack);
    connect(cancel_, &QPushButton::clicked, this, &LibraryPage::CancelImport);
    connect(from_, &QLineEdit::editingFinished, this, &LibraryPage::ApplyFilter);
    connect(to_, &QLineEdit::editingFinished, this, &LibraryPage::ApplyFilter);
    connect(logger_, &QComboBox::activated, this, &LibraryPage::ApplyFilter);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &LibraryPage::ChosenChanged);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (item->data(0, kKindRole).toInt() == kSessionItem)
            OpenChosenSession();
    });
    connect(laps_, &QTreeWidget::itemDoubleClicked, this, &LibraryPage::ShowChosenLap);
    chartView_->onResize = [this] { PaintChart(); };
    chartView_->onPress = [this](Qt::MouseButton button, QPoint at) {
        if (button == Qt::LeftButton)
            ChooseChartPoint(at);
    };
    ChosenChanged();

    sink_ = std::make_unique<PageImportSink>(this);
    worker_ = std::make_unique<LibraryImportWorker>(*sink_);
}

LibraryPage::~LibraryPage() {
    // The thread ends before the page it posts to.
    worker_.reset();
}

LibraryOpenResult LibraryPage::OpenLibrary(const std::filesystem::path& file,
                                           const std::filesystem::path& firstFolder) {
    std::error_code ec;
    const bool existed = std::filesystem::exists(file, ec);
    const LibraryOpenResult opened = library_.Open(file);
    if (!opened.message.empty())
        prompter_.Inform(opened.message, opened.state == LibraryOpenState::Failed
                                             ? MessageIcon::Error
                                             : MessageIcon::Warning);
    Refresh();
    const bool fresh = !existed || opened.state == LibraryOpenState::StartedAfresh;
    if (fresh && !firstFolder.empty() && library_.IsOpen() && !library_.ReadOnly() &&
        std::filesystem::is_directory(firstFolder, ec))
        AddFolders({firstFolder});
    return opened;
}

void LibraryPage::Enqueue(std::vector<std::filesystem::path> roots, bool automatic) {
    LibraryImportJob job;
    job.libraryFile = library_.Path();
    job.roots = std::move(roots);
    job.circuits = circuits_;
    job.settings = session_.settings;
    job.localTimeBase = session_.LocalTimeBase;
    job.automatic = automatic;
    ++pendingJobs_;
    if (!automatic) {
        ++bulkJobs_;
        refused_->clear();
        refused_->hide();
        progress_->setRange(0, 0);
        progress_->show();
        cancel_->show();
        cancel_->setEnabled(true);
    }
    worker_->Enqueue(std::move(job));
}

void LibraryPage::AddLogQuietly(const std::filesystem::path& log) {
    if (!library_.IsOpen() || library_.ReadOnly() || log.empty())
        return;
    Enqueue({log}, true);
}

void LibraryPage::AddFolders(const std::vector<std::filesystem::path>& roots) {
    if (!library_.IsOpen() || library_.ReadOnly()) {
        prompter_.Inform(library_.IsOpen() ? "The library is open read-only; nothing is added."
                                           : "The library is not open; nothing is added.",
                         MessageIcon::Warning);
        return;
    }
    SetStatus("Adding the logs under " + roots.front().string() + " …");
    Enqueue(roots, false);
}

void LibraryPage::CancelImport() {
    const size_t dropped = worker_->CancelImports();
    pendingJobs_ -= static_cast<int>(dropped);
    bulkJobs_ -= static_cast<int>(dropped);
    cancel_->setEnabled(false);
    if (bulkJobs_ == 0) {
        progress_->hide();
        cancel_->hide();
    }
}

void LibraryPage::OnImportEvent(const LibraryImportEvent& event) {
    if (event.kind == LibraryImportEvent::Kind::Progress) {
        if (event.automatic)
            return;
        const ImportProgress& p = event.progress;
        progress_->setRange(0, static_cast<int>(std::max<size_t>(p.total, 1)));
        progress_->setValue(static_cast<int>(p.done));
        if (!p.current.empty())
            SetStatus(StrFormat("Adding %s (%zu of %zu)", p.current.filename().c_str(), p.done + 1,
                                p.total));
        return;
    }
    --pendingJobs_;
    const ImportReport& r = event.report;
    if (event.automatic) {
        if (!event.error.empty())
            SetStatus("The log was not added to the library: " + event.error);
        else if (!r.refused.empty())
            SetStatus("The log " + r.refused.front().path.filename().string() +
                      " was not added to the library: " + r.refused.front().reason);
        // A log already there may have moved: its path was brought up to date.
        if (r.added > 0 || r.alreadyThere > 0)
            Refresh();
        return;
    }
    --bulkJobs_;
    if (bulkJobs_ <= 0) {
        bulkJobs_ = 0;
        progress_->hide();
        cancel_->hide();
    }
    for (const RefusedLog& refused : r.refused)
        refused_->addItem(Q(refused.path.string() + ": " + refused.reason));
    refused_->setVisible(refused_->count() > 0);
    if (!event.error.empty())
        SetStatus(event.error);
    else
        SetStatus(StrFormat("%d logs added, %d already in the library, %zu not readable%s", r.added,
                            r.alreadyThere, r.refused.size(),
                            r.cancelled ? "; cancelled, what was added stays" : ""));
    Refresh();
}

void LibraryPage::SetStatus(const std::string& text) {
    status_->setText(Q(text));
}

void LibraryPage::ApplyFilter() {
    const LibraryFilterParse parse =
        ParseLibraryFilter({from_->text().toStdString(), to_->text().toStdString(),
                            logger_->currentText().toStdString()});
    if (!parse.error.empty()) {
        SetStatus(parse.error);
        return;
    }
    filter_ = parse.filter;
    FillTree();
}

void LibraryPage::Refresh() {
    if (!library_.IsOpen())
        return;
    const QString chosenLogger = logger_->currentText();
    logger_->clear();
    for (const std::string& kind : LoggerChoices(library_))
        logger_->addItem(Q(kind));
    const int at = logger_->findText(chosenLogger);
    logger_->setCurrentIndex(at < 0 ? 0 : at);
    FillTree();
}

void LibraryPage::FillTree() {
    const std::optional<int64_t> keepSession = ChosenSession();
    const std::optional<int64_t> keepTrack = ChosenTrack();
    QSignalBlocker block(tree_);
    tree_->clear();
    QTreeWidgetItem* chosen = nullptr;
    if (library_.IsOpen()) {
        for (const LibraryTrackRow& track : BuildLibraryTree(library_, filter_)) {
            auto* t = new QTreeWidgetItem(tree_);
            for (int c = 0; c < kLibraryColumnCount; ++c)
                t->setText(c, Q(track.cells[static_cast<size_t>(c)]));
            t->setData(0, kIdRole, QVariant::fromValue<qlonglong>(track.trackId));
            t->setData(0, kKindRole, kTrackItem);
            if (!track.named) {
                QFont font = t->font(0);
                font.setItalic(true);
                t->setFont(0, font);
            }
            if (keepTrack == track.trackId && !keepSession)
                chosen = t;
            for (const LibrarySessionRow& session : track.sessions) {
                auto* s = new QTreeWidgetItem(t);
                for (int c = 0; c < kLibraryColumnCount; ++c)
                    s->setText(c, Q(session.cells[static_cast<size_t>(c)]));
                s->setData(0, kIdRole, QVariant::fromValue<qlonglong>(session.sessionId));
                s->setData(0, kKindRole, kSessionItem);
                Mark(s, kLibraryColumnCount, session.personalBest, session.missing);
                if (keepSession == session.sessionId)
                    chosen = s;
            }
            t->setExpanded(true);
        }
    }
    for (int c = 0; c < kLibraryColumnCount; ++c)
        tree_->resizeColumnToContents(c);
    if (chosen == nullptr && tree_->topLevelItemCount() > 0)
        chosen = tree_->topLevelItem(0);
    tree_->setCurrentItem(chosen);
    block.unblock();
    ChosenChanged();
}

std::optional<int64_t> LibraryPage::ChosenSession() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr || item->data(0, kKindRole).toInt() != kSessionItem)
        return std::nullopt;
    return item->data(0, kIdRole).toLongLong();
}

std::optional<int64_t> LibraryPage::ChosenTrack() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr)
        return std::nullopt;
    if (item->data(0, kKindRole).toInt() == kSessionItem)
        item = item->parent();
    return item->data(0, kIdRole).toLongLong();
}

void LibraryPage::ChosenChanged() {
    const std::optional<int64_t> track = ChosenTrack();
    const std::optional<int64_t> session = ChosenSession();
    openButton_->setEnabled(session.has_value());
    renameButton_->setEnabled(track.has_value() && !library_.ReadOnly());
    chartPoints_.clear();
    chartSessions_.clear();
    if (track && library_.IsOpen()) {
        const std::vector<BestPoint> history = library_.BestHistory(*track);
        chartPoints_ = ProgressPoints(history);
        for (const BestPoint& b : history)
            chartSessions_.push_back(b.sessionId);
    }
    PaintChart();
    ShowLaps(session);
}

void LibraryPage::ShowLaps(std::optional<int64_t> sessionId) {
    lapsSession_ = sessionId;
    laps_->clear();
    if (sessionId && library_.IsOpen()) {
        for (const LibraryLapRow& row : MakeLapRows(library_.Laps(*sessionId))) {
            auto* item = new QTreeWidgetItem(laps_);
            for (int c = 0; c < kLibraryLapColumnCount; ++c)
                item->setText(c, Q(row.cells[static_cast<size_t>(c)]));
            item->setData(0, kIdRole, QVariant::fromValue<qlonglong>(row.lapId));
            Mark(item, kLibraryLapColumnCount, row.sessionBest, false);
        }
        for (int c = 0; c < kLibraryLapColumnCount; ++c)
            laps_->resizeColumnToContents(c);
    }
    slotButton_->setEnabled(laps_->topLevelItemCount() > 0);
}

void LibraryPage::PaintChart() {
    const QSize size = chartView_->LogicalSize();
    if (size.isEmpty())
        return;
    chartView_->SetImage(chart_.Render(chartPoints_, size, chartView_->PixelRatio()));
}

void LibraryPage::ChooseChartPoint(QPoint at) {
    const std::optional<size_t> point = ProgressPointAt(chart_.LayoutShown(), {at.x(), at.y()});
    if (!point || *point >= chartSessions_.size())
        return;
    const qlonglong sessionId = chartSessions_[*point];
    for (int t = 0; t < tree_->topLevelItemCount(); ++t) {
        QTreeWidgetItem* track = tree_->topLevelItem(t);
        for (int i = 0; i < track->childCount(); ++i)
            if (track->child(i)->data(0, kIdRole).toLongLong() == sessionId)
                tree_->setCurrentItem(track->child(i));
    }
}

void LibraryPage::OpenChosenSession() {
    const std::optional<int64_t> session = ChosenSession();
    if (!session)
        return;
    const LibraryReopen reopen = ReopenLibrarySession(library_, *session);
    if (reopen.missingChanged)
        FillTree();
    if (!reopen.open) {
        prompter_.Inform(reopen.message, MessageIcon::Warning);
        return;
    }
    if (hooks_.openLog)
        hooks_.openLog(reopen.path);
}

void LibraryPage::ShowChosenLap() {
    if (!lapsSession_)
        return;
    QTreeWidgetItem* item = laps_->currentItem();
    if (item == nullptr)
        item = laps_->topLevelItem(0);
    if (item == nullptr)
        return;
    const int64_t lapId = item->data(0, kIdRole).toLongLong();
    const std::optional<LibrarySession> from = library_.FindSession(*lapsSession_);
    if (!from)
        return;
    std::optional<LibraryLap> lap;
    for (const LibraryLap& l : library_.Laps(from->id))
        if (l.id == lapId)
            lap = l;
    if (!lap)
        return;
    const LibraryLapShown shown = ShowLibraryLap(session_, circuits_, *from, *lap, now_());
    if (shown.logMissing && !library_.ReadOnly()) {
        library_.MarkMissing(from->id, true);
        FillTree();
    }
    if (!shown.message.empty()) {
        prompter_.Inform(shown.message, MessageIcon::Warning);
        return;
    }
    if (hooks_.runSteps)
        hooks_.runSteps(shown.steps);
    if (hooks_.lapListChanged)
        hooks_.lapListChanged();
    const std::string when = FormatDateTime("yyyy/mm/dd hh:nn", from->startLocal);
    if (shown.change.kind == SlotChange::Kind::Loaded)
        SetStatus(StrFormat("Lap %d of %s is in slot %c.", lap->number, when.c_str(),
                            static_cast<char>('A' + shown.change.slot)));
    else
        SetStatus(StrFormat("Lap %d of %s is in the lap list.", lap->number, when.c_str()));
}

void LibraryPage::RenameChosenTrack() {
    const std::optional<int64_t> track = ChosenTrack();
    if (!track || !library_.IsOpen() || !hooks_.askTrackName)
        return;
    const std::optional<LibraryTrack> current = library_.FindTrack(*track);
    if (!current)
        return;
    const std::optional<std::string> name = hooks_.askTrackName(current->name);
    if (!name)
        return;
    const LibraryStatus renamed = library_.RenameTrack(*track, *name);
    if (!renamed.ok) {
        prompter_.Inform(renamed.error, MessageIcon::Warning);
        return;
    }
    FillTree();
}

}  // namespace qv::ui
