#pragma once
// While a command's file dialog is open the playback keys are not polled:
// the flag is set for the scope's lifetime.

namespace qv {

class DialogOpenScope {
  public:
    explicit DialogOpenScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~DialogOpenScope() { flag_ = false; }
    DialogOpenScope(const DialogOpenScope&) = delete;
    DialogOpenScope& operator=(const DialogOpenScope&) = delete;

  private:
    bool& flag_;
};

}  // namespace qv
