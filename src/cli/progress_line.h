#pragma once
// A progress line on standard error while a long read runs, redrawn in
// place; only on a terminal, so that redirected output stays clean. Anything
// else written to the stream meanwhile starts on a clean line and the
// progress line is drawn again below it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>

namespace qv::cli {

class ProgressLine {
  public:
    // `err` is the process's standard error; the line is shown when that is
    // a terminal and `wanted`.
    ProgressLine(std::ostream& err, bool wanted);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // "LABEL: 1.0 MiB of 4.0 MiB, 25%, ...", at most a few times a second
    // (the first call always).
    void Show(const std::string& label, int64_t done, int64_t total);
    // The last figures, kept on the screen with a line end.
    void Finish(const std::string& label, int64_t done, int64_t total);

  private:
    // Passes every write on to the terminal, first clearing a progress line
    // that stands there.
    class ClearingBuffer : public std::streambuf {
      public:
        explicit ClearingBuffer(std::streambuf* target) : target_(target) {}
        // `keep`: ends the line, so that later writes go below it.
        void Draw(const std::string& line, bool keep);
        bool LineShown() const { return lineShown_; }

      protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;
        int sync() override { return target_->pubsync(); }

      private:
        void ClearLine();
        std::streambuf* target_;
        bool lineShown_ = false;
    };

    void Draw(const std::string& label, int64_t done, int64_t total, bool keep);

    std::ostream& err_;
    std::unique_ptr<ClearingBuffer> buffer_;
    std::streambuf* original_ = nullptr;
    std::chrono::steady_clock::time_point started_;
    std::optional<std::chrono::steady_clock::time_point> lastDrawn_;
};

}  // namespace qv::cli
