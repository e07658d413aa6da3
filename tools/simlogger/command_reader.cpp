#include "simlogger/command_reader.h"

#include "core/sentence_checksum.h"
#include "core/text_utils.h"

namespace qv::sim {

namespace {

// Nobody sends commands this long; a line that grows past it is noise.
constexpr size_t kMaxLine = 1024;

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

std::vector<std::string> CommandReader::Feed(std::string_view bytes) {
    std::vector<std::string> bodies;
    for (char c : bytes) {
        if (c == '$') {
            if (inSentence_)
                ++rejected_;
            line_.clear();
            inSentence_ = true;
        } else if (c == '\r' || c == '\n') {
            if (inSentence_)
                Finish(bodies);
        } else if (inSentence_) {
            if (line_.size() >= kMaxLine) {
                ++rejected_;
                inSentence_ = false;
                line_.clear();
            } else {
                line_ += c;
            }
        }
    }
    return bodies;
}

void CommandReader::Finish(std::vector<std::string>& bodies) {
    inSentence_ = false;
    const size_t n = line_.size();
    if (n < 3 || line_[n - 3] != '*' || !IsHexDigit(line_[n - 2]) || !IsHexDigit(line_[n - 1])) {
        ++rejected_;
        return;
    }
    const std::string_view body(line_.data(), n - 3);
    // A "*" inside would be echoed into replies and end them early.
    if (body.find('*') != std::string_view::npos) {
        ++rejected_;
        return;
    }
    const int sent = HexDigitValue(line_[n - 2]) * 16 + HexDigitValue(line_[n - 1]);
    if (sent != SentenceChecksum(body)) {
        ++rejected_;
        return;
    }
    bodies.emplace_back(body);
}

}  // namespace qv::sim
