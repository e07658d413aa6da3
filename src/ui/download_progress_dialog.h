#pragma once
// "Downloading log": the progress of a running download, the slow-speed
// note and, except for a QV4 logger, "Abort". It is shown and closed by the
// device page as the controller's view says; it never blocks.

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qv::ui {

class DownloadProgressDialog : public QDialog {
    Q_OBJECT

  public:
    DownloadProgressDialog(std::function<void()> abort, QWidget* parent);

    void Show(int percent, bool slowSpeedNote, bool abortShown);

  protected:
    // Escape and the close box abort when "Abort" is offered, else nothing.
    void reject() override;

  private:
    std::function<void()> abort_;
    QProgressBar* bar_ = nullptr;
    QLabel* slowNote_ = nullptr;
    QPushButton* abortButton_ = nullptr;
};

}  // namespace qv::ui
