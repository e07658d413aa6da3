#pragma once
// Keeps the main page control on its page while the device link is busy:
// clicks, wheel turns and keys that would change the tab are swallowed,
// silently, on the tab bar and on the page control itself.

#include <QObject>
#include <functional>

class QTabWidget;

namespace qv::ui {

class PageGuard : public QObject {
  public:
    // `busy` answers whether the device link is running an exchange.
    PageGuard(QTabWidget* pages, std::function<bool()> busy);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<bool()> busy_;
};

}  // namespace qv::ui
