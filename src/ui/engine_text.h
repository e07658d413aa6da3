#pragma once
// A text that comes from the engine, as the window shows it: the engine
// keeps the source texts, and the translation is looked up here, where it
// meets Qt, under one context.

#include <QCoreApplication>
#include <QString>
#include <string>

namespace qv::ui {

inline constexpr const char* kEngineContext = "Engine";

// The engine's texts that are not English, named here so that the
// translation tools collect them; each must equal its engine constant
// (g_view.h, download_save.cpp, motec_import.h, nmea_export.h,
// log_block_rules.h) for its translation to be found.
inline constexpr const char* kTranslatedEngineTexts[] = {
    QT_TRANSLATE_NOOP("Engine", "※基準車位置(距離)でのそれぞれの値を表示"),
    QT_TRANSLATE_NOOP(
        "Engine",
        "ログ空き容量が20%を切っています。\r空きが無くなると走行ログが保存できなくなります\r"
        "\"ロガー\"タブにある\"保存ログの消去\"を実行してください。"),
    QT_TRANSLATE_NOOP("Engine", "MoTeC csvファイル|*.csv"),
    QT_TRANSLATE_NOOP("Engine", "NMEAファイル|*.nmea"),
    QT_TRANSLATE_NOOP("Engine", "Control line is not set.\rFind control line？"),
};

inline QString EngineText(const char* text) {
    return QCoreApplication::translate(kEngineContext, text);
}

inline QString EngineText(const std::string& text) {
    return EngineText(text.c_str());
}

}  // namespace qv::ui
