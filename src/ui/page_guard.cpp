#include "ui/page_guard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTabBar>
#include <QTabWidget>

#include "presentation/window_rules.h"

namespace qv::ui {
namespace {

// The keys with which a tab widget or its bar moves to another tab.
bool ChangesTab(const QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return key->modifiers() & Qt::ControlModifier;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

}  // namespace

PageGuard::PageGuard(QTabWidget* pages, std::function<bool()> busy)
    : QObject(pages), busy_(std::move(busy)) {
    pages->tabBar()->installEventFilter(this);
    pages->installEventFilter(this);
}

bool PageGuard::eventFilter(QObject* watched, QEvent* event) {
    if (PageChangeAllowed(busy_ && busy_()))
        return false;
    const bool onBar = qobject_cast<QTabBar*>(watched) != nullptr;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::Wheel:
            return onBar;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            // The page control only handles the Control combinations; the
            // bar moves with the arrows as well.
            return ChangesTab(key) && (onBar || (key->modifiers() & Qt::ControlModifier));
        }
        default:
            return false;
    }
}

}  // namespace qv::ui
