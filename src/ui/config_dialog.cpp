#include "ui/config_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/settings_file.h"

namespace qv::ui {
namespace {

struct ValueRow {
    const char* caption;
    const char* unit;
    const char* range;
    const char* defaultText;
};

QLineEdit* AddValueRow(QGridLayout* grid, int row, const ValueRow& v, const std::string& text,
                       const char* editName) {
    QWidget* page = grid->parentWidget();
    grid->addWidget(new QLabel(QString::fromLatin1(v.caption), page), row, 0);
    auto* edit = new QLineEdit(QString::fromStdString(text), page);
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setFixedWidth(70);
    edit->setAlignment(Qt::AlignRight);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(QString::fromLatin1(v.unit), page), row, 2);
    grid->addWidget(new QLabel(QString::fromLatin1(v.range), page), row, 3);
    auto* reset = new QPushButton(QStringLiteral("default"), page);
    reset->setObjectName(QString::fromLatin1(editName) + QStringLiteral("Default"));
    reset->setAutoDefault(false);
    const QString defaultText = QString::fromLatin1(v.defaultText);
    QObject::connect(reset, &QPushButton::clicked, edit,
                     [edit, defaultText] { edit->setText(defaultText); });
    grid->addWidget(reset, row, 4);
    return edit;
}

}  // namespace

ConfigDialog::ConfigDialog(Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(tr("configuration"));
    setObjectName(QStringLiteral("TOKBottomDlgSetup"));
    const ConfigTexts texts = ConfigTextsFrom(settings);
    auto* column = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);

    auto* sector = new QWidget(tabs);
    auto* sectorGrid = new QGridLayout(sector);
    sectMt_ = AddValueRow(sectorGrid, 0,
                          {"Sector gate length", "m", "(1.0 .. 30.0)", kDefaultSectorLengthText},
                          texts.sectorLength, "EditSectMt");
    sectorGrid->addWidget(new QLabel(tr("on both side from  vehicle position"), sector), 1, 0, 1,
                          5);
    sectorGrid->setRowStretch(2, 1);
    tabs->addTab(sector, tr("Sector"));

    auto* lap = new QWidget(tabs);
    auto* lapGrid = new QGridLayout(lap);
    minLapDist_ =
        AddValueRow(lapGrid, 0, {"Lap length threshold", "m", "(1 .. 9999)", kDefaultLapLengthText},
                    texts.lapLength, "EditMinLapDist");
    minLapTime_ =
        AddValueRow(lapGrid, 1, {"Lap time threshold", "sec", "(1.0 .. 99.9)", kDefaultLapTimeText},
                    texts.lapTime, "EditMinLapTime");
    lapGrid->setRowStretch(2, 1);
    tabs->addTab(lap, tr("Lap"));

    auto* library = new QWidget(tabs);
    auto* libraryColumn = new QVBoxLayout(library);
    libraryAutoAdd_ =
        new QCheckBox(tr("Add every log opened or downloaded to the library"), library);
    libraryAutoAdd_->setObjectName(QStringLiteral("CheckBoxLibraryAutoAdd"));
    libraryAutoAdd_->setChecked(settings.libraryAutoAdd);
    libraryColumn->addWidget(libraryAutoAdd_);
    libraryColumn->addStretch(1);
    tabs->addTab(library, tr("Library"));

    auto* language = new QWidget(tabs);
    auto* languageColumn = new QVBoxLayout(language);
    language_ = new QComboBox(language);
    language_->setObjectName(QStringLiteral("ComboBoxLanguage"));
    // In the order of the enum, so that the index is the value.
    language_->addItem(tr("As the system"));
    language_->addItem(QStringLiteral("English"));
    language_->addItem(tr("日本語"));
    language_->setCurrentIndex(static_cast<int>(settings.windowLanguage));
    languageColumn->addWidget(new QLabel(tr("Window language"), language));
    languageColumn->addWidget(language_);
    languageColumn->addWidget(new QLabel(tr("Takes effect at the next start."), language));
    languageColumn->addStretch(1);
    tabs->addTab(language, tr("Language"));

    // The program works in km/h and metres; the unit choices stay hidden.
    auto* units = new QWidget(tabs);
    auto* unitGrid = new QGridLayout(units);
    for (const char* caption : {"km/h", "MPH", "m, km", "feet"}) {
        auto* choice = new QRadioButton(QString::fromLatin1(caption), units);
        choice->hide();
        unitGrid->addWidget(choice);
    }
    tabs->addTab(units, QStringLiteral("   -"));
    column->addWidget(tabs);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConfigDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ConfigDialog::reject);
    column->addWidget(buttons);
}

void ConfigDialog::accept() {
    const ConfigTexts texts{sectMt_->text().toStdString(), minLapDist_->text().toStdString(),
                            minLapTime_->text().toStdString()};
    if (AcceptConfigTexts(texts, settings_)) {
        settings_.libraryAutoAdd = libraryAutoAdd_->isChecked();
        settings_.windowLanguage = static_cast<WindowLanguage>(language_->currentIndex());
        QDialog::accept();
    }
}

}  // namespace qv::ui
