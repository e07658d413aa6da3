#include "ui/key_tracker.h"

#include <QEvent>
#include <QKeyEvent>

namespace qv::ui {

KeyState KeyTracker::Take() {
    KeyState state{down_.space || pressed_.space, down_.f || pressed_.f, down_.b || pressed_.b};
    pressed_ = KeyState{};
    return state;
}

bool KeyTracker::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A key let go in another program sends no release here.
    if (type == QEvent::ApplicationDeactivate) {
        down_ = KeyState{};
        return QObject::eventFilter(watched, event);
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    bool* downFlag = nullptr;
    bool* pressedFlag = nullptr;
    switch (key->key()) {
        case Qt::Key_Space:
            downFlag = &down_.space;
            pressedFlag = &pressed_.space;
            break;
        case Qt::Key_F:
            downFlag = &down_.f;
            pressedFlag = &pressed_.f;
            break;
        case Qt::Key_B:
            downFlag = &down_.b;
            pressedFlag = &pressed_.b;
            break;
        default:
            return QObject::eventFilter(watched, event);
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return QObject::eventFilter(watched, event);
    if (!key->isAutoRepeat()) {
        *downFlag = type == QEvent::KeyPress;
        if (type == QEvent::KeyPress)
            *pressedFlag = true;
    }
    return consume_ && consume_();
}

}  // namespace qv::ui
