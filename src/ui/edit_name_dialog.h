#pragma once
// The edit-name dialog: a run's title in the log-block dialog, a lap's data
// name in the lap list. OK is refused while the text is empty or holds a
// character that a file name cannot.

#include <QString>
#include <QWidget>
#include <optional>
#include <string>

namespace qv::ui {

// The new text, or nothing when the dialog was cancelled.
std::optional<std::string> RunEditNameDialog(QWidget* parent, const QString& caption,
                                             const std::string& current);

}  // namespace qv::ui
