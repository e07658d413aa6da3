#pragma once
// Everything the two serial threads and the main thread share while a port
// is open. It is guarded by one lock (DeviceLink); the protocol routines
// take it already held.

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "device/logger_model.h"
#include "device/status_fields.h"

namespace qv {

inline constexpr size_t kLineBufferSize = 32768;
inline constexpr int kRetryIntervalMs = 300;
// A slow logger stretches the resend interval up to this, short of the
// 7-second watchdog, so that a lost reply is still asked for again.
inline constexpr int kMaxRetryIntervalMs = 4000;
inline constexpr int kMaxResends = 5;
inline constexpr size_t kPendingEntries = 8192;
// A piece is re-read at most this often before the download gives up.
inline constexpr int kMaxPieceReReads = 8;

// The raw block answering a "PTSI870,7," read: "$" hex address "," bytes CR LF.
struct BinaryReadState {
    bool on = false;
    int state = 0;  // 0, 1, 2, 3, 4, or 99 (ignore until the next send)
    // A "$" began a text sentence, not a block (a late reply to an earlier
    // command): the line reader has it until its CR.
    bool text = false;
    uint32_t expectedAddress = 0;
    uint32_t expectedLength = 4096;
    uint32_t receivedAddress = 0;
    uint32_t count = 0;
    std::string addressText;
};

enum class DownloadKind { None, Qv4Stream, Qv3Text, Qv3Binary, Generic };

struct DownloadState {
    DownloadKind kind = DownloadKind::None;
    // One entry per 2048 bytes (QV4) or 1024 bytes (QV3); 1 still to be read.
    std::vector<uint8_t> pending = std::vector<uint8_t>(kPendingEntries, 0);
    std::vector<uint8_t> reReads = std::vector<uint8_t>(kPendingEntries, 0);
    int totalUnits = 0;
    int receivedUnits = 0;  // QV4: 2048-byte lines
    int slowLevel = 0;      // generic read size: 0 2048, 1 256, 2 512 bytes
    int sweeps = 0;         // QV3: passes over the pending table
    int checksumReReads = 0;
    std::string restoreCommand;  // generic: the fix interval to put back afterwards

    size_t EntrySize() const { return kind == DownloadKind::Qv4Stream ? 2048 : 1024; }
    int PendingCount() const {
        int n = 0;
        for (uint8_t p : pending)
            n += p;
        return n;
    }
};

// How long the logger takes to answer, learnt from the replies: the resend
// interval follows it, so that a slow logger is not asked again while its
// answer is still on the way. It rises at once and falls slowly. An answer
// to a command sent more than once says nothing by itself (a lost reply
// and a late one look the same) until a second answer shows it was late.
struct ReplyTiming {
    int64_t smoothedMs = -1;  // none measured yet
    int resendMs = kRetryIntervalMs;
    int64_t unprovenMs = -1;  // from the first send to the answer of a resent command

    void Sample(int64_t ms);
};

struct LinkState {
    StepFlags steps;
    LoggerModel model = LoggerModel::Unknown;  // set once the probe accepted the logger

    std::deque<std::string> queue;
    std::string currentCommand;
    // The current command has had the reply that moves the queue on; later
    // replies to it are late.
    bool currentAnswered = true;
    // The first part of a two-part answer has come: the value before the
    // acknowledgement of a status query, the data before that of a read.
    bool answerStarted = false;
    int sends = 0;  // writes of the current command
    int64_t firstSendMs = 0;
    bool timesReply = true;  // its answer measures the logger's reply time
    // The command answered before the current one was written more often
    // than answered: that many answers to it may still arrive.
    std::string staleCommand;
    int staleAnswers = 0;
    bool staleStarted = false;
    ReplyTiming timing;
    int retryCount = 0;
    bool resend = false;
    bool awaitingReply = false;
    int64_t lastSendMs = 0;
    int64_t lastReceiveMs = 0;
    bool start = false;
    bool busy = false;
    // After LinkFailed nothing more is sent until the port is closed.
    bool failed = false;

    std::vector<char> line = std::vector<char>(kLineBufferSize);
    size_t lineLength = 0;
    bool discardingLine = false;  // an over-long line, dropped up to the next "$"
    BinaryReadState binary;

    std::string release;
    std::string heardRelease;  // the last release reply, whether it answered or came late
    StatusFields status;
    DownloadState download;
    std::span<uint8_t> image;  // the raw-log buffer the download fills
};

}  // namespace qv
