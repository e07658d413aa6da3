#pragma once
// A LinkIo that records what the protocol writes and posts, on a clock the
// test sets, so the protocol can be driven byte by byte without a port.

#include <string>
#include <vector>

#include "core/sentence_checksum.h"
#include "device/link_protocol.h"

namespace qv::test {

class FakeLinkIo : public LinkIo, public EventSink {
  public:
    std::vector<std::string> written;  // one entry per Write
    std::vector<std::pair<LinkEvent, int>> events;
    std::vector<std::string> diagnostics;
    std::vector<std::string> sentences;
    int64_t now = 0;

    bool Write(std::string_view bytes) override {
        written.emplace_back(bytes);
        return true;
    }
    int64_t NowMs() override { return now; }
    EventSink& Sink() override { return *this; }
    void PostEvent(LinkEvent event, int wParam) override { events.push_back({event, wParam}); }
    void PostText(LinkTextList list, std::string text) override {
        (list == LinkTextList::Sentence ? sentences : diagnostics).push_back(std::move(text));
    }

    int Count(LinkEvent event) const {
        int n = 0;
        for (const auto& e : events)
            n += e.first == event;
        return n;
    }
};

// What the logger sends: "$" body "*" checksum CR LF.
inline std::string Reply(const std::string& body) {
    return ChecksummedSentence(body) + "\r\n";
}

inline void Feed(LinkState& s, LinkIo& io, const std::string& bytes) {
    ReceiveBytes(s, io, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The body of a written sentence, without "$", checksum and line end.
inline std::string BodyOf(const std::string& sentence) {
    if (sentence.size() < 6)
        return {};
    return sentence.substr(1, sentence.size() - 6);
}

}  // namespace qv::test
