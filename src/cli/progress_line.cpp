#include "cli/progress_line.h"

#include <unistd.h>

#include "core/progress_text.h"

namespace qv::cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
constexpr const char* kClearLine = "\r\033[K";

}  // namespace

void ProgressLine::ClearingBuffer::ClearLine() {
    if (lineShown_) {
        target_->sputn(kClearLine, 4);
        lineShown_ = false;
    }
}

void ProgressLine::ClearingBuffer::Draw(const std::string& line, bool keep) {
    target_->sputn(kClearLine, 4);
    target_->sputn(line.data(), static_cast<std::streamsize>(line.size()));
    if (keep)
        target_->sputc('\n');
    target_->pubsync();
    lineShown_ = !keep;
}

ProgressLine::ClearingBuffer::int_type ProgressLine::ClearingBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    ClearLine();
    return target_->sputc(traits_type::to_char_type(c));
}

std::streamsize ProgressLine::ClearingBuffer::xsputn(const char* s, std::streamsize n) {
    if (n > 0)
        ClearLine();
    return target_->sputn(s, n);
}

ProgressLine::ProgressLine(std::ostream& err, bool wanted) : err_(err) {
    if (!wanted || ::isatty(STDERR_FILENO) != 1)
        return;
    err_.flush();
    original_ = err_.rdbuf();
    buffer_ = std::make_unique<ClearingBuffer>(original_);
    err_.rdbuf(buffer_.get());
    started_ = std::chrono::steady_clock::now();
}

ProgressLine::~ProgressLine() {
    if (buffer_ == nullptr)
        return;
    err_.flush();
    if (buffer_->LineShown())
        original_->sputc('\n');
    err_.rdbuf(original_);
}

void ProgressLine::Draw(const std::string& label, int64_t done, int64_t total, bool keep) {
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - started_).count();
    err_.flush();
    buffer_->Draw(label + ": " + ProgressText(done, total, seconds), keep);
    lastDrawn_ = now;
}

void ProgressLine::Show(const std::string& label, int64_t done, int64_t total) {
    if (buffer_ == nullptr)
        return;
    if (lastDrawn_ && std::chrono::steady_clock::now() - *lastDrawn_ < kRedrawInterval)
        return;
    Draw(label, done, total, false);
}

void ProgressLine::Finish(const std::string& label, int64_t done, int64_t total) {
    if (buffer_ != nullptr)
        Draw(label, done, total, true);
}

}  // namespace qv::cli
