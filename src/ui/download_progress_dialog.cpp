#include "ui/download_progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv::ui {

DownloadProgressDialog::DownloadProgressDialog(std::function<void()> abort, QWidget* parent)
    : QDialog(parent), abort_(std::move(abort)) {
    setObjectName(QStringLiteral("OKBottomDlgGPSloading"));
    setWindowTitle(tr("Downloading log"));
    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(360);
    auto* column = new QVBoxLayout(this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    bar_->setRange(0, 100);
    column->addWidget(bar_);
    slowNote_ = new QLabel(this);
    slowNote_->setObjectName(QStringLiteral("LabelSlowSpeed"));
    QPalette red = slowNote_->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    slowNote_->setPalette(red);
    column->addWidget(slowNote_);
    abortButton_ = new QPushButton(tr("Abort"), this);
    abortButton_->setObjectName(QStringLiteral("ButtonAbort"));
    column->addWidget(abortButton_, 0, Qt::AlignHCenter);
    connect(abortButton_, &QPushButton::clicked, this, [this] { abort_(); });
}

void DownloadProgressDialog::Show(int percent, bool slowSpeedNote, bool abortShown) {
    bar_->setValue(percent);
    slowNote_->setText(slowSpeedNote ? QStringLiteral("*Slow speed mode.") : QString());
    abortButton_->setVisible(abortShown);
    if (!isVisible())
        show();
}

void DownloadProgressDialog::reject() {
    if (abortButton_->isVisible())
        abort_();
}

}  // namespace qv::ui
