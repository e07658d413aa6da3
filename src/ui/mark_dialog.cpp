#include "ui/mark_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace qv::ui {

MarkBox::MarkBox(QWidget* parent) : QDialog(parent), edit_(new QLineEdit(this)) {
    setObjectName("TOKBottomDlgMark");
    setWindowTitle("Mark");
    edit_->setObjectName("EditY1X1");
    edit_->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Enter latitude and longitude.", this));
    layout->addWidget(new QLabel("-90.000000..90.000000,-180.000000..180.000000", this));
    layout->addWidget(new QLabel("Example : 35.123456,135.123456", this));
    layout->addWidget(edit_);
    layout->addWidget(buttons);
}

std::optional<std::string> RunMarkDialog(QWidget* parent) {
    MarkBox box(parent);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.Edit()->text().toStdString();
}

}  // namespace qv::ui
