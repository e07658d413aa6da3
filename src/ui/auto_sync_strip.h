#pragma once
// "Auto sync" on the Video tab: the button, the progress of the analysis
// with its Cancel, and what the last run found. The rules are the
// AutoSyncCommand's; the analysis runs on the AutoSyncWorker's thread and
// its events come back here as queued calls.

#include <QWidget>
#include <memory>

#include "app/auto_sync_command.h"
#include "app/auto_sync_worker.h"
#include "app/session.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace qv {
class VideoCommands;
}

namespace qv::ui {

class VideoPanel;

class AutoSyncStrip : public QWidget {
    Q_OBJECT

  public:
    AutoSyncStrip(Session& session, VideoPanel& panel, QWidget* parent);
    ~AutoSyncStrip() override;

    const AutoSyncCommand& command() const { return command_; }
    void ShowView();

  private:
    class QueuedSink;

    AutoSyncCommand::Context Now() const;
    void StartRun();
    void CancelRun();
    void Deliver(const AutoSyncEvent& event);

    Session& session_;
    VideoPanel& panel_;
    AutoSyncCommand command_;
    QPushButton* run_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* status_ = nullptr;
    std::unique_ptr<QueuedSink> sink_;
    // Declared last: it is stopped and joined before the sink goes.
    std::unique_ptr<AutoSyncWorker> worker_;
};

}  // namespace qv::ui
