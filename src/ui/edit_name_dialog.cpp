#include "ui/edit_name_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "laps/log_block_rules.h"
#include "ui/edit_name_box.h"

namespace qv::ui {

EditNameBox::EditNameBox(QWidget* parent, const QString& caption, const std::string& current)
    : QDialog(parent), edit_(new QLineEdit(this)) {
    setObjectName("TOKBottomDlgEdiStr");
    setWindowTitle(caption);
    edit_->setObjectName("EditStr");
    edit_->setText(QString::fromStdString(current));
    edit_->setMinimumWidth(320);

    auto* note = new QLabel("The following characters cannot be used.", this);
    QString listed;
    for (const char c : kForbiddenNameChars) {
        if (!listed.isEmpty())
            listed += "  ";
        listed += QChar(c);
    }
    auto* chars = new QLabel(listed, this);
    chars->setObjectName("LabelForbidden");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &EditNameBox::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &EditNameBox::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(note);
    layout->addWidget(chars);
    layout->addWidget(buttons);
}

std::string EditNameBox::Text() const {
    return edit_->text().toStdString();
}

void EditNameBox::accept() {
    const std::string text = Text();
    const int bad = FirstForbiddenNameChar(text);
    if (bad >= 0) {
        edit_->setFocus();
        if (!text.empty()) {
            // The position counts bytes; the edit counts UTF-16 units.
            const int at = QString::fromUtf8(text.data(), bad).size();
            edit_->setSelection(at, 1);
        }
        return;
    }
    QDialog::accept();
}

std::optional<std::string> RunEditNameDialog(QWidget* parent, const QString& caption,
                                             const std::string& current) {
    EditNameBox box(parent, caption, current);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.Text();
}

}  // namespace qv::ui
