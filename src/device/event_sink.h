#pragma once
// How the serial threads reach the main thread. The window implements this
// with queued calls; the command-line tool and the tests with EventQueue.
// Both calls may come from any thread and must be delivered on the main
// thread in the order they were made.

#include <string>

namespace qv {

enum class LinkEvent {
    QueueDrained = 0x401,
    LinkFailed = 0x402,
    ReleaseReported = 0x403,
    DataArrived = 0x404,
    DownloadStarted = 0x405,
    DownloadFinished = 0x406,
    // A reply to a command came, the waiting one's or a late one: the logger
    // is there, however slowly it answers.
    ReplyArrived = 0x407,
};

// The two hidden lists of the device page.
enum class LinkTextList {
    Diagnostic,  // commands, replies, errors: at most 33 lines
    Sentence,    // position sentences: at most 17 lines
};

inline constexpr size_t kSentenceLines = 17;

// LinkFailed's wParam when the port itself went away.
inline constexpr int kPortLost = 3;

class EventSink {
  public:
    virtual ~EventSink() = default;
    // `wParam` is 0 except for LinkFailed: 0 a reply without "*", 1 a bad
    // checksum, 2 a piece that could not be had after its re-reads, 3 the
    // port went away (the cable was pulled).
    virtual void PostEvent(LinkEvent event, int wParam) = 0;
    virtual void PostText(LinkTextList list, std::string text) = 0;
};

}  // namespace qv
