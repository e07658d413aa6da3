// The window's texts in the language chosen: under an English locale no
// Japanese text is left anywhere in the window or its dialogs, under a
// Japanese one the source texts show.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTranslator>
#include <memory>

#include "device/download_save.h"
#include "exchange/motec_import.h"
#include "exchange/nmea_export.h"
#include "laps/log_block_rules.h"
#include "presentation/g_view.h"
#include "ui/circuit_dialog.h"
#include "ui/config_dialog.h"
#include "ui/download_progress_dialog.h"
#include "ui/edit_name_box.h"
#include "ui/engine_text.h"
#include "ui/gate_adjust_dialog.h"
#include "ui/gate_dialogs.h"
#include "ui/mark_dialog.h"
#include "ui/qt_prompter.h"
#include "ui/range_dialog.h"
#include "ui/speed_select_dialog.h"
#include "ui/version_dialog.h"
#include "ui/window_fixture.h"
#include "ui/window_translator.h"

namespace qv::test {
namespace {

bool IsJapanese(char32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) ||  // CJK marks, Hiragana, Katakana
           (c >= 0x3400 && c <= 0x4DBF) ||  // CJK ideographs, extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||  // CJK ideographs
           (c >= 0xFF00 && c <= 0xFFEF) ||  // full-width and half-width forms
           c == 0x203B;                     // the reference mark
}

bool HasJapanese(const QString& text) {
    for (const char32_t c : text.toUcs4())
        if (IsJapanese(c))
            return true;
    return false;
}

// Every text a user can see on `root` and its children: titles, tooltips,
// captions, tab and menu texts, combo items, item-view headers.
class TextWalk {
  public:
    QStringList offenders;

    void Widget(QWidget* root) {
        Check(root, QStringLiteral("window title"), root->windowTitle());
        Visit(root);
        for (QWidget* w : root->findChildren<QWidget*>())
            Visit(w);
        for (QAction* a : root->findChildren<QAction*>())
            Action(root, a);
    }

  private:
    void Check(const QObject* at, const QString& what, const QString& text) {
        if (HasJapanese(text))
            offenders << QStringLiteral("%1 (%2) %3: %4")
                             .arg(at->objectName(),
                                  QString::fromLatin1(at->metaObject()->className()), what, text);
    }
    void Action(const QObject* owner, QAction* a) {
        Check(owner, QStringLiteral("action"), a->text());
        Check(owner, QStringLiteral("action tooltip"), a->toolTip());
        Check(owner, QStringLiteral("action status tip"), a->statusTip());
        if (QMenu* menu = a->menu())
            Check(menu, QStringLiteral("menu title"), menu->title());
    }
    void Visit(QWidget* w) {
        Check(w, QStringLiteral("tooltip"), w->toolTip());
        Check(w, QStringLiteral("status tip"), w->statusTip());
        Check(w, QStringLiteral("what's this"), w->whatsThis());
        if (w->isWindow())
            Check(w, QStringLiteral("window title"), w->windowTitle());
        for (QAction* a : w->actions())
            Action(w, a);
        if (auto* label = qobject_cast<QLabel*>(w))
            Check(w, QStringLiteral("label"), label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            Check(w, QStringLiteral("button"), button->text());
        if (auto* box = qobject_cast<QGroupBox*>(w))
            Check(w, QStringLiteral("group title"), box->title());
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            Check(w, QStringLiteral("edit"), edit->text());
            Check(w, QStringLiteral("placeholder"), edit->placeholderText());
        }
        if (auto* menu = qobject_cast<QMenu*>(w))
            Check(w, QStringLiteral("menu title"), menu->title());
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                Check(w, QStringLiteral("combo item"), combo->itemText(i));
        if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i) {
                Check(w, QStringLiteral("tab"), tabs->tabText(i));
                Check(w, QStringLiteral("tab tooltip"), tabs->tabToolTip(i));
            }
        if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
            const QAbstractItemModel* model = view->model();
            for (int c = 0; c < model->columnCount(); ++c)
                Check(w, QStringLiteral("column header"),
                      model->headerData(c, Qt::Horizontal).toString());
        }
    }
};

// The translation installed for as long as the test runs, before the
// window is built, as main() installs it.
struct LanguageChoice {
    QTranslator translator;
    std::filesystem::path loaded;
    LanguageChoice(WindowLanguage language, const std::string& locale) {
        loaded =
            ui::InstallWindowTranslator(translator, {QUORVANE_TRANSLATIONS_DIR}, language, locale);
    }
    ~LanguageChoice() { QCoreApplication::removeTranslator(&translator); }
};

// The dialogs the window opens that are cheap to build, each walked.
QStringList WalkDialogs(Session& session) {
    TextWalk walk;
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.push_back(std::make_unique<ui::ConfigDialog>(session.settings));
    dialogs.push_back(std::make_unique<ui::SpeedSelectDlg>(0, nullptr));
    dialogs.push_back(std::make_unique<ui::SelectGateDialog>(3, 0));
    dialogs.push_back(std::make_unique<ui::RemoveGatesDialog>(3, true));
    dialogs.push_back(std::make_unique<ui::CircuitDialog>(nullptr, CircuitCandidates{}));
    dialogs.push_back(std::make_unique<ui::VersionDialog>());
    dialogs.push_back(std::make_unique<ui::MarkBox>(nullptr));
    dialogs.push_back(
        std::make_unique<ui::EditNameBox>(nullptr, QStringLiteral("Edit record name"), "lap"));
    dialogs.push_back(std::make_unique<ui::LoadRangeSelDlg>(4, nullptr));
    dialogs.push_back(std::make_unique<ui::DownloadProgressDialog>([] {}, nullptr));
    GateAdjustView view = OpenGateAdjustView(SectGate{}, 2.0);
    dialogs.push_back(std::make_unique<ui::GateAdjustDialog>(view, 1, ui::GateAdjustScene{}));
    for (const auto& dialog : dialogs)
        walk.Widget(dialog.get());
    return walk.offenders;
}

struct WalkCase {
    const char* name;
    WindowLanguage language;
    const char* locale;
    bool english;
};

class WindowLanguageTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WindowLanguageTest, TheWindowShowsTheTextsOfItsLanguage) {
    const WalkCase& c = GetParam();
    LanguageChoice choice(c.language, c.locale);
    ASSERT_EQ(choice.loaded.empty(), !c.english) << choice.loaded;

    WindowFixture window;
    window.OpenDemoLog();
    window.DoubleClick(window.LapGrid(), 1);
    ASSERT_EQ(window.session->laps.LapDtNum(), 1);
    TextWalk walk;
    walk.Widget(window.window.get());
    const QStringList dialogs = WalkDialogs(*window.session);
    const QString note = window.Child<QLabel>("LabelGPosMsg")->text();
    if (c.english) {
        EXPECT_TRUE(walk.offenders.isEmpty()) << walk.offenders.join('\n').toStdString();
        EXPECT_TRUE(dialogs.isEmpty()) << dialogs.join('\n').toStdString();
        EXPECT_EQ(note.toStdString(),
                  "* Each value is shown at the reference car's position (distance)");
    } else {
        // Today's texts: the walk sees them, so it is no blind walk.
        EXPECT_EQ(note, QString::fromUtf8(kGPosMsg));
        EXPECT_TRUE(walk.offenders.join('\n').contains(QString::fromUtf8(kGPosMsg)));
        EXPECT_TRUE(dialogs.join('\n').contains(QString::fromUtf8("通信速度選択")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Locales, WindowLanguageTest,
    ::testing::Values(WalkCase{"CUtf8", WindowLanguage::System, "C.UTF-8", true},
                      WalkCase{"German", WindowLanguage::System, "de_DE.UTF-8", true},
                      WalkCase{"JapaneseLocale", WindowLanguage::System, "ja_JP.UTF-8", false},
                      WalkCase{"EnglishForced", WindowLanguage::English, "ja_JP.UTF-8", true},
                      WalkCase{"JapaneseForced", WindowLanguage::Japanese, "C.UTF-8", false}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

// The configuration dialog shows the setting and OK keeps the choice made.
TEST(ConfigDialogLanguage, OkKeepsTheLanguageChosen) {
    const struct {
        WindowLanguage language;
        const char* item;
    } choices[] = {{WindowLanguage::System, "As the system"},
                   {WindowLanguage::English, "English"},
                   {WindowLanguage::Japanese, "日本語"}};
    for (const auto& before : choices)
        for (const auto& after : choices) {
            Settings settings;
            settings.windowLanguage = before.language;
            ui::ConfigDialog dialog(settings);
            auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("ComboBoxLanguage"));
            ASSERT_NE(combo, nullptr);
            EXPECT_EQ(combo->currentText(), QString::fromUtf8(before.item));
            combo->setCurrentIndex(combo->findText(QString::fromUtf8(after.item)));
            dialog.accept();
            EXPECT_EQ(settings.windowLanguage, after.language) << after.item;
        }
}

// The engine's own texts reach the window through the prompter and the
// labels; each that is not English has its English meaning, so none is
// left out of the list the translation tools collect.
TEST(EngineTexts, EveryJapaneseEngineTextIsTranslated) {
    LanguageChoice choice(WindowLanguage::System, "C.UTF-8");
    ASSERT_FALSE(choice.loaded.empty());
    const struct {
        const char* name;
        const char* text;
    } texts[] = {
        {"kGPosMsg", kGPosMsg},
        {"kMsgLowLogMemory", kMsgLowLogMemory},
        {"kMotecFilter", kMotecFilter},
        {"kNmeaFilter", kNmeaFilter},
        {"kMsgControlLineNotSet", kMsgControlLineNotSet},
    };
    for (const auto& t : texts) {
        ASSERT_TRUE(HasJapanese(QString::fromUtf8(t.text))) << t.name;
        EXPECT_FALSE(HasJapanese(ui::MessageText(t.text))) << t.name;
    }
    EXPECT_EQ(ui::MessageText(kMsgControlLineNotSet).toStdString(),
              "Control line is not set.\nFind control line?");
    EXPECT_EQ(ui::QtNameFilters(kNmeaFilter).toStdString(),
              "NMEA files (*.nmea *.[nN][mM][eE][aA])");
    // A text the translation does not know shows as it is.
    EXPECT_EQ(ui::MessageText("Saved.\r").toStdString(), "Saved.\n");
}

}  // namespace
}  // namespace qv::test
