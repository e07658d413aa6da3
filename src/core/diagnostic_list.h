#pragma once
// A list of text lines shown newest first with a fixed number of lines: the
// decoder diagnostics and the serial link's command and reply lists.

#include <cstddef>
#include <deque>
#include <string>

namespace qv {

class DiagnosticList {
  public:
    explicit DiagnosticList(size_t maxLines) : maxLines_(maxLines) {}

    // Inserts at the top; when the list is full its oldest line goes first.
    void Insert(std::string line) {
        if (lines_.size() >= maxLines_)
            lines_.pop_back();
        lines_.push_front(std::move(line));
        ++revision_;
    }
    void Clear() {
        lines_.clear();
        ++revision_;
    }

    const std::deque<std::string>& Lines() const { return lines_; }  // newest first
    size_t MaxLines() const { return maxLines_; }
    // Raised by every change, so a view can tell when to refresh and scroll to the top.
    unsigned Revision() const { return revision_; }

  private:
    size_t maxLines_;
    std::deque<std::string> lines_;
    unsigned revision_ = 0;
};

}  // namespace qv
