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
// Bytes from the port, in the order they arrived.
void ReceiveBytes(LinkState& s, LinkIo& io, const uint8_t* data, size_t size);

// Whether a "$PMTK"/"$PTSI" line of length `size` ends in "*" and the two
// upper-case digits of its XOR checksum.
enum class ReplyCheck { Good, NoStar, BadChecksum };
ReplyCheck CheckReply(std::string_view line);

// Hexadecimal with upper-case digits only; any other character counts as 0.
uint32_t UpperHexValue(std::string_view text);

// Whether a reply with `key` (the text after "$PMTK"/"$PTSI") answers `command`.
bool ReplyAnswers(std::string_view command, bool ptsi, std::string_view key);

// Posts LinkFailed and stops sending.
void FailLink(LinkState& s, LinkIo& io, int wParam);

// Log data replies (download_receive.cpp).
void HandleLogDataLine(LinkState& s, LinkIo& io, std::string_view line, bool checksumGood);
void HandleBinaryBlock(LinkState& s, LinkIo& io);
// The read command of one piece of the pending table, by download kind.
std::string PieceReadCommand(const DownloadState& d, size_t entry);
// A command that may drive the queue has been answered; true if it was
// the first answer to the current command.
bool TakeAnswer(LinkState& s);

}  // namespace qv
