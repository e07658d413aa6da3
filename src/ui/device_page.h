#pragma once
// The "GPS Device" page: the mode, status, erase and trigger-speed groups
// and the two diagnostic lists, hidden until the small panel in the
// bottom-left corner is double-clicked. Its buttons run the device
// controller; it shows the controller's view, and the download progress.

#include <QStyle>
#include <QWidget>
#include <array>
#include <functional>

#include "app/session.h"
#include "device/device_controller.h"

class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace qv::ui {

class DeviceHost;
class DownloadProgressDialog;

class DevicePage : public QWidget {
    Q_OBJECT

  public:
    DevicePage(Session& session, DeviceHost& host, QWidget* parent = nullptr);

    // The diagnostic lines, newest first.
    void RefreshDiagnostics();
    void ToggleDiagnosticLists();
    // Everything from the controller's view.
    void Refresh();

  Q_SIGNALS:
    // A connection started or ended.
    void busyChanged(bool busy);
    // A downloaded log waits for the log-block dialog.
    void logDownloaded();

  private:
    QPushButton* DeviceButton(const char* name, QStyle::StandardPixmap icon, QWidget* parent);
    // The button runs `command` on the device controller.
    void Wire(QPushButton* button, std::function<void(DeviceController&)> command);
    void RefreshProgress();

    Session& session_;
    DeviceHost& host_;
    std::array<QLabel*, 6> labels_{};
    std::vector<QWidget*> controls_;  // disabled while a connection runs
    QSpinBox* trigger_ = nullptr;
    QListWidget* listBox1_ = nullptr;
    QListWidget* listBox2_ = nullptr;
    DownloadProgressDialog* progress_ = nullptr;
    bool busy_ = false;
    int triggerReadsShown_ = 0;
};

}  // namespace qv::ui
