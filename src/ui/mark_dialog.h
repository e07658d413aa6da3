#pragma once
// The marker dialog `TOKBottomDlgMark`: a latitude and longitude typed in.

#include <QDialog>
#include <QLineEdit>
#include <optional>
#include <string>

namespace qv::ui {

class MarkBox : public QDialog {
    Q_OBJECT
  public:
    explicit MarkBox(QWidget* parent);
    QLineEdit* Edit() const { return edit_; }

  private:
    QLineEdit* edit_;
};

// The text typed, or nothing when the dialog was cancelled.
std::optional<std::string> RunMarkDialog(QWidget* parent);

}  // namespace qv::ui
