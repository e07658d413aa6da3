#pragma once
// The logger's firmware as a pure function: one command body in, the
// replies it causes out, with the logger's state updated. Framing,
// checksums and faults are added later, so each reply stays a body here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "simlogger/logger_state.h"

namespace qv::sim {

// Flash bytes per data line, the most the program accepts in one line.
inline constexpr size_t kMaxLineData = 2048;

struct Reply {
    bool raw = false;    // a binary block, sent exactly as `bytes`
    std::string bytes;   // a sentence body without "$" and checksum, or the raw block
    bool flash = false;  // a data line or binary block of flash content
    uint64_t address = 0;
    size_t dataBytes = 0;
};

struct Answer {
    int delayMs = 0;  // silence before the first reply (the erase)
    std::vector<Reply> replies;
    // A read of one piece (at most kMaxLineData bytes): losing its data
    // means losing the whole answer, acknowledgement included.
    bool pieceRead = false;
};

// `eraseMs` is how long the erase takes before it is acknowledged.
Answer AnswerCommand(LoggerState& state, std::string_view body, int eraseMs);

// "%05.2f": the trigger speed as the logger reports it.
std::string FormatTriggerSpeed(double kmh);

}  // namespace qv::sim
