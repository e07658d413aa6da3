#include "ui/device_page.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/device_host.h"
#include "ui/download_progress_dialog.h"

namespace qv::ui {
namespace {

constexpr int kModeButtonWidth = 40;

QColor ColourOf(LabelColour colour) {
    switch (colour) {
        case LabelColour::Red:
            return {255, 0, 0};
        case LabelColour::Grey:
            return {128, 128, 128};
        case LabelColour::Black:
            break;
    }
    return {0, 0, 0};
}

QLabel* Text(const QString& text, QWidget* parent, const char* name = nullptr) {
    auto* label = new QLabel(text, parent);
    if (name != nullptr)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}

// The 9 x 9 borderless panel that shows or hides the diagnostic lists.
class ToggleSpot : public QWidget {
  public:
    ToggleSpot(DevicePage* page, QWidget* parent) : QWidget(parent), page_(page) {
        setObjectName(QStringLiteral("PanelViewOnOff"));
        setFixedSize(9, 9);
    }

  protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { page_->ToggleDiagnosticLists(); }

  private:
    DevicePage* page_;
};

}  // namespace

QPushButton* DevicePage::DeviceButton(const char* name, QStyle::StandardPixmap icon,
                                      QWidget* parent) {
    auto* button = new QPushButton(style()->standardIcon(icon), QString(), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(kModeButtonWidth, 28);
    controls_.push_back(button);
    return button;
}

void DevicePage::Wire(QPushButton* button, std::function<void(DeviceController&)> command) {
    connect(button, &QPushButton::clicked, this,
            [this, command = std::move(command)] { host_.Run(command); });
}

DevicePage::DevicePage(Session& session, DeviceHost& host, QWidget* parent)
    : QWidget(parent), session_(session), host_(host) {
    setObjectName(QStringLiteral("TabSheet3"));
    auto* column = new QVBoxLayout(this);

    auto* mode = new QGroupBox(tr(" Set mode"), this);
    auto* modeGrid = new QGridLayout(mode);
    struct ModeRow {
        const char* button;
        const char* name;
        const char* text;
        void (DeviceController::*click)();
    };
    static constexpr ModeRow kModes[] = {
        {"ButtonSet2Hz", "20Hz (Fine mode)",
         "Sampling interval is 0.05 seconds.  Logs up to 5 hours are possible.",
         &DeviceController::ButtonSet2HzClick},
        {"ButtonSet10Hz", "10Hz (Standard mode)",
         "Sampling interval is 0.1 seconds.  Logs up to 10 hours are possible.",
         &DeviceController::ButtonSet10HzClick},
        {"ButtonSet5Hz", "5Hz (Long-time mode)",
         "Sampling interval is 0.2 seconds.  Logs up to 20 hours are possible.",
         &DeviceController::ButtonSet5HzClick},
    };
    int row = 0;
    for (const ModeRow& m : kModes) {
        QPushButton* button = DeviceButton(m.button, QStyle::SP_DialogApplyButton, mode);
        Wire(button, [click = m.click](DeviceController& c) { (c.*click)(); });
        modeGrid->addWidget(button, row, 0);
        modeGrid->addWidget(Text(QString::fromLatin1(m.name), mode), row, 1);
        modeGrid->addWidget(Text(QString::fromLatin1(m.text), mode), row, 2);
        ++row;
    }
    modeGrid->setColumnStretch(2, 1);
    column->addWidget(mode);

    auto* status = new QGroupBox(tr(" Comfirm mode, available log memory, trigger-speed "), this);
    auto* statusGrid = new QGridLayout(status);
    QPushButton* logSpace = DeviceButton("ButtonLogSpace", QStyle::SP_BrowserReload, status);
    Wire(logSpace, [](DeviceController& c) { c.ButtonLogSpaceClick(); });
    statusGrid->addWidget(logSpace, 0, 0, 3, 1, Qt::AlignTop);
    static constexpr const char* kStatusLabels[] = {"LabelCurrntMode", "LabelLogStat",
                                                    "LabelPort",       "LabelDtVer",
                                                    "LabelTrigSpd",    "LabelTrigSpd2"};
    for (int k = 0; k < 6; ++k) {
        labels_[k] = Text(QStringLiteral("."), status, kStatusLabels[k]);
        statusGrid->addWidget(labels_[k], k % 3, 1 + k / 3);
    }
    statusGrid->setColumnStretch(1, 1);
    statusGrid->setColumnStretch(2, 1);
    column->addWidget(status);

    auto* erase = new QGroupBox(tr(" Erase log on device "), this);
    auto* eraseRow = new QHBoxLayout(erase);
    QPushButton* logErase = DeviceButton("ButtonLogErase", QStyle::SP_TrashIcon, erase);
    Wire(logErase, [](DeviceController& c) { c.ButtonLogEraseClick(); });
    eraseRow->addWidget(logErase);
    eraseRow->addWidget(Text(QStringLiteral("It takes 90 seconds to erase the log."), erase));
    eraseRow->addStretch(1);
    column->addWidget(erase);

    auto* trigger = new QGroupBox(tr(" Set trigger-speed to start/stop logging  "), this);
    auto* triggerRow = new QHBoxLayout(trigger);
    QPushButton* setTrig = DeviceButton("ButtonSetTrigSpd", QStyle::SP_DialogSaveButton, trigger);
    setTrig->setToolTip(tr("Click this button to write the value"));
    auto* speed = new QSpinBox(trigger);
    speed->setObjectName(QStringLiteral("UpDownTrigSpd"));
    speed->setRange(0, 99);
    speed->setValue(30);
    speed->setToolTip(tr("変更した値を書き込むには左側ボタンをクリック"));
    trigger_ = speed;
    controls_.push_back(speed);
    triggerRow->addWidget(setTrig);
    triggerRow->addWidget(speed);
    triggerRow->addWidget(Text(QStringLiteral("km/h"), trigger));
    auto* explain = Text(QStringLiteral("Start logging when speed reaches trigger-speed and stop "
                                        "logging when speed falls below trigger-speed for 10 "
                                        "minutes."),
                         trigger);
    explain->setWordWrap(true);
    triggerRow->addWidget(explain, 1);
    column->addWidget(trigger);

    auto* lists = new QHBoxLayout;
    listBox1_ = new QListWidget(this);
    listBox1_->setObjectName(QStringLiteral("ListBox1"));
    listBox2_ = new QListWidget(this);
    listBox2_->setObjectName(QStringLiteral("ListBox2"));
    listBox1_->hide();
    listBox2_->hide();
    lists->addWidget(listBox1_);
    lists->addWidget(listBox2_);
    column->addLayout(lists, 1);
    column->addStretch(1);
    column->addWidget(new ToggleSpot(this, this), 0, Qt::AlignLeft | Qt::AlignBottom);

    connect(setTrig, &QPushButton::clicked, this, [this] {
        const int kmh = trigger_->value();
        host_.Run([kmh](DeviceController& c) { c.ButtonSetTrigSpdClick(kmh); });
    });
    progress_ = new DownloadProgressDialog(
        [this] { host_.Run([](DeviceController& c) { c.AbortDownload(); }); }, this);
    connect(&host_, &DeviceHost::changed, this, &DevicePage::Refresh);
}

void DevicePage::Refresh() {
    const DeviceView& view = host_.View();
    const StatusLabel* shown[] = {&view.labels.LabelCurrntMode, &view.labels.LabelLogStat,
                                  &view.labels.LabelPort,       &view.labels.LabelDtVer,
                                  &view.labels.LabelTrigSpd,    &view.labels.LabelTrigSpd2};
    for (size_t k = 0; k < labels_.size(); ++k) {
        labels_[k]->setText(QString::fromStdString(shown[k]->text));
        QPalette palette = labels_[k]->palette();
        palette.setColor(QPalette::WindowText, ColourOf(shown[k]->colour));
        labels_[k]->setPalette(palette);
    }
    for (QWidget* control : controls_)
        control->setEnabled(view.buttonsEnabled);
    if (view.triggerReads != triggerReadsShown_) {
        triggerReadsShown_ = view.triggerReads;
        trigger_->setValue(view.triggerSpeed);
    }
    if (!listBox1_->isHidden()) {
        RefreshDiagnostics();
        listBox2_->clear();
        for (const std::string& line : view.sentences.Lines())
            listBox2_->addItem(QString::fromStdString(line));
    }
    RefreshProgress();
    if (busy_ != !view.buttonsEnabled) {
        busy_ = !view.buttonsEnabled;
        Q_EMIT busyChanged(busy_);
    }
    if (view.logReady) {
        host_.controller().TakeLog();
        // From a fresh call: the log-block dialog runs its own event loop.
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT logDownloaded(); }, Qt::QueuedConnection);
    }
}

void DevicePage::RefreshProgress() {
    const DeviceView& view = host_.View();
    if (view.progressShown)
        progress_->Show(view.progressPercent, view.slowSpeedNote, view.abortShown);
    else if (progress_->isVisible())
        progress_->hide();
}

void DevicePage::ToggleDiagnosticLists() {
    const bool show = listBox1_->isHidden();
    listBox1_->setVisible(show);
    listBox2_->setVisible(show);
    session_.diagnosticListVisible = show;
    Refresh();
}

void DevicePage::RefreshDiagnostics() {
    listBox1_->clear();
    for (const std::string& line : session_.diagnostics.Lines())
        listBox1_->addItem(QString::fromStdString(line));
}

}  // namespace qv::ui
