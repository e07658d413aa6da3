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
#include <QVBoxLayout>

namespace qv::ui {
namespace {

constexpr int kModeButtonWidth = 40;

QPushButton* DeviceButton(const char* name, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(kModeButtonWidth, 28);
    // The device link is not connected to this page yet.
    button->setEnabled(false);
    return button;
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

DevicePage::DevicePage(Session& session, QWidget* parent) : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("TabSheet3"));
    auto* column = new QVBoxLayout(this);

    auto* mode = new QGroupBox(QStringLiteral(" Set mode"), this);
    auto* modeGrid = new QGridLayout(mode);
    struct ModeRow {
        const char* button;
        const char* name;
        const char* text;
    };
    static constexpr ModeRow kModes[] = {
        {"ButtonSet2Hz", "20Hz (Fine mode)",
         "Sampling interval is 0.05 seconds.  Logs up to 5 hours are possible."},
        {"ButtonSet10Hz", "10Hz (Standard mode)",
         "Sampling interval is 0.1 seconds.  Logs up to 10 hours are possible."},
        {"ButtonSet5Hz", "5Hz (Long-time mode)",
         "Sampling interval is 0.2 seconds.  Logs up to 20 hours are possible."},
    };
    int row = 0;
    for (const ModeRow& m : kModes) {
        modeGrid->addWidget(DeviceButton(m.button, mode), row, 0);
        modeGrid->addWidget(Text(QString::fromLatin1(m.name), mode), row, 1);
        modeGrid->addWidget(Text(QString::fromLatin1(m.text), mode), row, 2);
        ++row;
    }
    modeGrid->setColumnStretch(2, 1);
    column->addWidget(mode);

    auto* status =
        new QGroupBox(QStringLiteral(" Comfirm mode, available log memory, trigger-speed "), this);
    auto* statusGrid = new QGridLayout(status);
    statusGrid->addWidget(DeviceButton("ButtonLogSpace", status), 0, 0, 3, 1, Qt::AlignTop);
    static constexpr const char* kStatusLabels[] = {"LabelCurrntMode", "LabelLogStat",
                                                    "LabelPort",       "LabelDtVer",
                                                    "LabelTrigSpd",    "LabelTrigSpd2"};
    for (int k = 0; k < 6; ++k)
        statusGrid->addWidget(Text(QStringLiteral("."), status, kStatusLabels[k]), k % 3,
                              1 + k / 3);
    statusGrid->setColumnStretch(1, 1);
    statusGrid->setColumnStretch(2, 1);
    column->addWidget(status);

    auto* erase = new QGroupBox(QStringLiteral(" Erase log on device "), this);
    auto* eraseRow = new QHBoxLayout(erase);
    eraseRow->addWidget(DeviceButton("ButtonLogErase", erase));
    eraseRow->addWidget(Text(QStringLiteral("It takes 90 seconds to erase the log."), erase));
    eraseRow->addStretch(1);
    column->addWidget(erase);

    auto* trigger =
        new QGroupBox(QStringLiteral(" Set trigger-speed to start/stop logging  "), this);
    auto* triggerRow = new QHBoxLayout(trigger);
    QPushButton* setTrig = DeviceButton("ButtonSetTrigSpd", trigger);
    setTrig->setToolTip(QStringLiteral("Click this button to write the value"));
    auto* speed = new QSpinBox(trigger);
    speed->setObjectName(QStringLiteral("UpDownTrigSpd"));
    speed->setRange(0, 99);
    speed->setValue(30);
    speed->setToolTip(QString::fromUtf8("変更した値を書き込むには左側ボタンをクリック"));
    speed->setEnabled(false);
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
}

void DevicePage::ToggleDiagnosticLists() {
    const bool show = listBox1_->isHidden();
    listBox1_->setVisible(show);
    listBox2_->setVisible(show);
    session_.diagnosticListVisible = show;
    RefreshDiagnostics();
}

void DevicePage::RefreshDiagnostics() {
    listBox1_->clear();
    for (const std::string& line : session_.diagnostics.Lines())
        listBox1_->addItem(QString::fromStdString(line));
}

}  // namespace qv::ui
