#pragma once
// The edit-name dialog as a widget, so that tests can drive it without a
// blocking exec.

#include <QDialog>
#include <QLineEdit>
#include <string>

namespace qv::ui {

class EditNameBox : public QDialog {
    Q_OBJECT
  public:
    EditNameBox(QWidget* parent, const QString& caption, const std::string& current);

    QLineEdit* Edit() const { return edit_; }
    std::string Text() const;

  public:
    // Refused, the dialog staying open, while the text is not a usable name.
    void accept() override;

  private:
    QLineEdit* edit_;
};

}  // namespace qv::ui
