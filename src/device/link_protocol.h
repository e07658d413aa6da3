#pragma once
// The logger protocol over a byte stream: framing of commands, assembly of
// reply lines, reply checks and reply handling, resends. These routines run
// on the serial threads with the link lock held; tests call them directly.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/event_sink.h"
#include "device/link_state.h"

namespace qv {

class LinkIo {
  public:
    virtual ~LinkIo() = default;
    virtual bool Write(std::string_view bytes) = 0;
    virtual int64_t NowMs() = 0;
    virtual EventSink& Sink() = 0;
};

// "$" body "*" checksum CR LF, switching the block reader on for "PTSI870,7,".
bool SendCommand(LinkState& s, LinkIo& io, const std::string& body);
// Clears the awaiting-reply flag and sends the next queued command, or with
// an empty queue posts `drained` (QueueDrained, or ReleaseReported).
void SendNext(LinkState& s, LinkIo& io, LinkEvent drained = LinkEvent::QueueDrained);
// One round of the transmit thread: resend after 300 ms of silence, or send
// the first command of a batch once the start flag is set.
void TransmitRound(LinkState& s, LinkIo& io);
// When the transmit round next gives up waiting for the current command's
// reply (and resends it, retries left): after the resend interval of
// silence. -1 when no reply is awaited or no step resends.
int64_t ResendDueMs(const LinkState& s);
// Bytes from the port, in the order they arrived.
void ReceiveBytes(LinkState& s, LinkIo& io, const uint8_t* data, size_t size);

// Whether a "$PMTK"/"$PTSI" line of length `size` ends in "*" and the two
// upper-case digits of its XOR checksum.
enum class ReplyCheck { Good, NoStar, BadChecksum };
ReplyCheck CheckReply(std::string_view line);

// Hexadecimal with upper-case digits only; any other character counts as 0.
uint32_t UpperHexValue(std::string_view text);

// What a reply line is of the answer to `command`: no part of it, the
// first part of a two-part answer (the value before the acknowledgement of
// a status query, the data before that of a read), or its end. `started`
// says the first part has come. The acknowledgement names the command and
// its sub-command, a data line the address asked.
enum class AnswerPart { None, First, End };
AnswerPart PartOfAnswer(std::string_view command, std::string_view line, bool started,
                        LoggerModel model);

// Whose reply a line is: the waiting command's, a late one to the command
// answered before it (its resends are answered too), or nobody's.
enum class ReplyOwner { Current, Stale, Nobody };
struct Attribution {
    ReplyOwner owner = ReplyOwner::Nobody;
    AnswerPart part = AnswerPart::None;
};
Attribution AttributeReply(LinkState& s, std::string_view line);
// A late answer to the command answered before: its first answer was late,
// not a resend's, and tells the reply time.
void NoteStaleAnswer(LinkState& s);
// A reply that answers no waiting command: it moves nothing, and the
// sentence list notes it. A late answer to the command before still shows
// that the logger is there.
void NoteLateReply(LinkIo& io, std::string_view line, ReplyOwner owner);

// Posts LinkFailed and stops sending.
void FailLink(LinkState& s, LinkIo& io, int wParam);

// Makes `body` the current command and sends it.
void StartCommand(LinkState& s, LinkIo& io, std::string body);

// Log data replies (download_receive.cpp).
void HandleLogDataLine(LinkState& s, LinkIo& io, std::string_view line, bool checksumGood);
void HandleBinaryBlock(LinkState& s, LinkIo& io);
// The read command of one piece of the pending table, by download kind.
std::string PieceReadCommand(const DownloadState& d, size_t entry);
// The current command's answer has ended; true the first time. It learns
// the reply time and how many late answers to expect.
bool TakeAnswer(LinkState& s, LinkIo& io);

inline constexpr const char* kEndMarkerRead = "PMTK182,7,FFFFF0,10";

}  // namespace qv
