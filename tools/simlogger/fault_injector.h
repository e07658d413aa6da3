#pragma once
// Turns the logger's answers into the bytes on the wire, spoiling some of
// them on purpose: lost, corrupt, glued or late sentences, withheld pieces
// and an unplug halfway through a download. Every decision comes from one
// seeded generator, so a seed and a sequence of commands always give the
// same bytes.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "simlogger/answer.h"

namespace qv::sim {

struct FaultPlan {
    double drop = 0;      // a sentence or raw block left out
    double badSum = 0;    // a wrong checksum
    double lowerSum = 0;  // checksum letters in lower case
    double glue = 0;      // CR LF left out
    double late = 0;      // the whole answer delayed by lateMs
    int lateMs = 450;
    double dup = 0;  // a sentence or raw block sent twice
    // Every answer leaves this long after its command came, while further
    // commands are taken meanwhile: a slow serial bridge.
    int latencyMs = 0;
    // Only the first this many answers are delayed (late, latency), the
    // rest come at once; negative: all.
    int64_t slowFor = -1;
    int missFirst = 0;  // pieces withheld the first time they are due
    // Unplug once this share (0 to 100) of the used flash was sent, or
    // after this many flash pieces; negative when not planned.
    double unplugPercent = -1;
    int64_t unplugPieces = -1;
};

struct FaultPlanResult {
    std::optional<FaultPlan> plan;
    std::string error;  // why the list was refused
};

// "drop=0.05,badsum=0.02,lowersum=0.02,glue=0.02,late=0.02,latems=450,
// dup=0.02,latency=400,slowfor=30,missfirst=3,unplug=40%" (any subset;
// empty means no faults).
FaultPlanResult ParseFaultPlan(std::string_view list);

struct Chunk {
    int delayMs = 0;  // silence before these bytes
    std::string bytes;
};

struct Transmission {
    std::vector<Chunk> chunks;
    bool unplug = false;  // after the last chunk the logger goes away
    int latencyMs = 0;    // from the command's arrival to the first chunk
};

class FaultInjector {
  public:
    FaultInjector(const FaultPlan& plan, uint64_t seed);

    // `usedBytes` is the flash in use, the measure of an unplug share.
    Transmission Shape(const Answer& answer, uint64_t usedBytes);

  private:
    double Uniform();
    uint64_t Next();
    static uint64_t Next(uint64_t& state);
    // Whether the piece at `address` is withheld this time.
    bool Withhold(uint64_t address);
    Chunk Frame(const Reply& reply);

    FaultPlan plan_;
    uint64_t rng_;
    // Faults added later draw from their own sequence, so that a seed keeps
    // giving the older faults the same bytes.
    uint64_t rngLater_;
    std::set<uint64_t> asked_;
    int withheld_ = 0;
    int64_t answers_ = 0;
    uint64_t flashBytesSent_ = 0;
    int64_t piecesSent_ = 0;
    bool unplugged_ = false;
};

}  // namespace qv::sim
