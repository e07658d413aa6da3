#include "ui/version_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "app/startup.h"

namespace qv::ui {

VersionDialog::VersionDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Version"));
    setObjectName(QStringLiteral("TOKBottomDlgVer"));
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(this);
    const QIcon programIcon = QApplication::windowIcon().isNull()
                                  ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                  : QApplication::windowIcon();
    icon->setPixmap(programIcon.pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    auto* product = new QLabel(tr("Quorvane"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto* version = new QLabel(QString::fromLatin1(kVersionText), this);
    version->setObjectName(QStringLiteral("Version"));
    texts->addWidget(product);
    texts->addWidget(version);
    row->addLayout(texts, 1);
    column->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addWidget(buttons);
}

}  // namespace qv::ui
