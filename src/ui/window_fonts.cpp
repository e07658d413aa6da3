#include "ui/window_fonts.h"

#include <QFile>
#include <QFontDatabase>

namespace qv::ui {
namespace {

constexpr const char* kFamily = "Tahoma";

// Where Debian's font packages put metric-compatible Tahoma files that
// fontconfig does not index.
constexpr const char* kFallbackFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};

bool Registered() {
    bool any = false;
    for (const char* file : kFallbackFiles) {
        if (QFile::exists(QString::fromLatin1(file)) &&
            QFontDatabase::addApplicationFont(QString::fromLatin1(file)) >= 0)
            any = true;
    }
    return any && QFontDatabase::hasFamily(QString::fromLatin1(kFamily));
}

}  // namespace

bool EnsureTahoma() {
    static const bool available =
        QFontDatabase::hasFamily(QString::fromLatin1(kFamily)) || Registered();
    return available;
}

QFont TahomaFont(int px, int fallbackPx) {
    QFont font;
    if (EnsureTahoma()) {
        font.setFamily(QString::fromLatin1(kFamily));
        font.setPixelSize(px);
    } else {
        font.setPixelSize(fallbackPx);
    }
    return font;
}

}  // namespace qv::ui
