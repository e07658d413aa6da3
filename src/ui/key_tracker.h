#pragma once
// The state of the Space, F and B keys for the key poll of the Graph page.
// A press counts until the next poll even when the key was already let go,
// so a short tap between two polls is not lost. While `consume` says so,
// the three keys do not reach the focused control (Space would press it).

#include <QObject>
#include <functional>

#include "presentation/input_rules.h"

namespace qv::ui {

class KeyTracker : public QObject {
  public:
    explicit KeyTracker(std::function<bool()> consume, QObject* parent = nullptr)
        : QObject(parent), consume_(std::move(consume)) {}

    // The keys down now or pressed since the last call.
    KeyState Take();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    KeyState down_;
    KeyState pressed_;
    std::function<bool()> consume_;
};

}  // namespace qv::ui
