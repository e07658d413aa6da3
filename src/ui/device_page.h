#pragma once
// The "GPS Device" page: the mode, status, erase and trigger-speed groups
// and the two diagnostic lists, hidden until the small panel in the
// bottom-left corner is double-clicked.

#include <QWidget>

#include "core/session.h"

class QListWidget;

namespace qv::ui {

class DevicePage : public QWidget {
    Q_OBJECT

  public:
    explicit DevicePage(Session& session, QWidget* parent = nullptr);

    // The decoders' diagnostic lines, newest first.
    void RefreshDiagnostics();
    void ToggleDiagnosticLists();

  private:
    Session& session_;
    QListWidget* listBox1_ = nullptr;
    QListWidget* listBox2_ = nullptr;
};

}  // namespace qv::ui
