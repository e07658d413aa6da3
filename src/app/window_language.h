#pragma once
// Which texts the window shows. The source texts are the Japanese window's;
// every other language gets the English translation, as it is the one the
// program ships beside them.

#include <string_view>

#include "core/settings.h"

namespace qv {

// The language part of a locale name: "ja" of "ja_JP.UTF-8", "C" of
// "C.UTF-8", "de" of "de_DE@euro".
inline std::string_view LocaleLanguage(std::string_view localeName) {
    const size_t end = localeName.find_first_of("_.@-");
    return localeName.substr(0, end);
}

// True when the English translation is to be loaded: `setting` forces a
// language, else the system's locale (its name as QLocale::name() or the
// LANG variable give it) decides, and only a Japanese one keeps the source
// texts.
inline bool UsesEnglishTranslation(WindowLanguage setting, std::string_view systemLocaleName) {
    switch (setting) {
        case WindowLanguage::English:
            return true;
        case WindowLanguage::Japanese:
            return false;
        case WindowLanguage::System:
            break;
    }
    return LocaleLanguage(systemLocaleName) != "ja";
}

// The base name of the translation files: quorvane_en.qm, quorvane_ja.qm.
inline constexpr const char* kTranslationBaseName = "quorvane_";

}  // namespace qv
