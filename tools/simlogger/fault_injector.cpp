#include "simlogger/fault_injector.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/sentence_checksum.h"
#include "core/text_utils.h"

namespace qv::sim {

namespace {

std::optional<double> ParseProbability(std::string_view text) {
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size() || !(value >= 0 && value <= 1))
        return std::nullopt;
    return value;
}

std::optional<int64_t> ParseCount(std::string_view text, int64_t hi) {
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > hi)
        return std::nullopt;
    return value;
}

// "40%" of the used flash, or "12" pieces.
bool ParseUnplug(const std::string& value, FaultPlan& plan) {
    if (!value.empty() && value.back() == '%') {
        const std::string share = value.substr(0, value.size() - 1);
        char* end = nullptr;
        const double percent = std::strtod(share.c_str(), &end);
        if (share.empty() || end != share.c_str() + share.size() || !(percent >= 0) ||
            percent > 100)
            return false;
        plan.unplugPercent = percent;
        return true;
    }
    const std::optional<int64_t> n = ParseCount(value, INT64_MAX);
    if (!n || *n == 0)
        return false;
    plan.unplugPieces = *n;
    return true;
}

}  // namespace

FaultPlanResult ParseFaultPlan(std::string_view list) {
    FaultPlanResult result;
    FaultPlan plan;
    std::vector<std::string> items;
    if (!list.empty())
        SplitAtChar(items, list, ',');
    for (const std::string& item : items) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos) {
            result.error = "fault without a value: " + item;
            return result;
        }
        const std::string name = item.substr(0, eq);
        const std::string value = item.substr(eq + 1);
        double* probability = name == "drop"       ? &plan.drop
                              : name == "badsum"   ? &plan.badSum
                              : name == "lowersum" ? &plan.lowerSum
                              : name == "glue"     ? &plan.glue
                              : name == "late"     ? &plan.late
                              : name == "dup"      ? &plan.dup
                                                   : nullptr;
        bool ok = false;
        if (probability != nullptr) {
            const std::optional<double> p = ParseProbability(value);
            ok = p.has_value();
            if (ok)
                *probability = *p;
        } else if (name == "latems") {
            const std::optional<int64_t> ms = ParseCount(value, 60000);
            ok = ms.has_value();
            if (ok)
                plan.lateMs = static_cast<int>(*ms);
        } else if (name == "latency") {
            const std::optional<int64_t> ms = ParseCount(value, 60000);
            ok = ms.has_value();
            if (ok)
                plan.latencyMs = static_cast<int>(*ms);
        } else if (name == "slowfor") {
            const std::optional<int64_t> n = ParseCount(value, INT64_MAX);
            ok = n.has_value();
            if (ok)
                plan.slowFor = *n;
        } else if (name == "missfirst") {
            const std::optional<int64_t> n = ParseCount(value, 1 << 20);
            ok = n.has_value();
            if (ok)
                plan.missFirst = static_cast<int>(*n);
        } else if (name == "unplug") {
            ok = ParseUnplug(value, plan);
        } else {
            result.error = "unknown fault: " + name;
            return result;
        }
        if (!ok) {
            result.error = "bad value for " + name + ": " + value;
            return result;
        }
    }
    result.plan = plan;
    return result;
}

FaultInjector::FaultInjector(const FaultPlan& plan, uint64_t seed)
    : plan_(plan), rng_(seed ^ 0x5DEECE66Dull), rngLater_(seed ^ 0x2545F4914F6CDD1Dull) {}

uint64_t FaultInjector::Next(uint64_t& state) {
    // splitmix64: tiny, fast and the same on every platform.
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t FaultInjector::Next() {
    return Next(rng_);
}

double FaultInjector::Uniform() {
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

bool FaultInjector::Withhold(uint64_t address) {
    if (withheld_ >= plan_.missFirst)
        return false;
    if (!asked_.insert(address).second)
        return false;
    ++withheld_;
    return true;
}

Chunk FaultInjector::Frame(const Reply& reply) {
    // Every draw is made whether or not its fault is planned, so adding one
    // fault to a plan does not move the others.
    const bool drop = Uniform() < plan_.drop;
    const bool badSum = Uniform() < plan_.badSum;
    const bool lowerSum = Uniform() < plan_.lowerSum;
    const bool glue = Uniform() < plan_.glue;
    const uint8_t spoil = static_cast<uint8_t>(1 + Next() % 255);
    Chunk chunk;
    if (drop)
        return chunk;
    if (reply.raw) {
        chunk.bytes = reply.bytes;
        return chunk;
    }
    chunk.bytes = ChecksummedSentence(reply.bytes);
    const size_t n = chunk.bytes.size();
    if (badSum) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const uint8_t wrong = SentenceChecksum(reply.bytes) ^ spoil;
        chunk.bytes[n - 2] = kHex[wrong >> 4];
        chunk.bytes[n - 1] = kHex[wrong & 0x0F];
    }
    if (lowerSum) {
        for (size_t i = n - 2; i < n; ++i)
            if (chunk.bytes[i] >= 'A' && chunk.bytes[i] <= 'F')
                chunk.bytes[i] = static_cast<char>(chunk.bytes[i] - 'A' + 'a');
    }
    if (!glue)
        chunk.bytes += "\r\n";
    return chunk;
}

Transmission FaultInjector::Shape(const Answer& answer, uint64_t usedBytes) {
    Transmission out;
    if (unplugged_)
        return out;
    const bool slow = plan_.slowFor < 0 || answers_++ < plan_.slowFor;
    const bool late = Uniform() < plan_.late && slow;
    int delay = answer.delayMs + (late ? plan_.lateMs : 0);
    out.latencyMs = slow ? plan_.latencyMs : 0;
    const bool withholdAll = answer.pieceRead && !answer.replies.empty() &&
                             answer.replies.front().flash &&
                             Withhold(answer.replies.front().address);
    if (withholdAll)
        return out;
    const uint64_t unplugBytes =
        plan_.unplugPercent < 0
            ? UINT64_MAX
            : std::max<uint64_t>(1, static_cast<uint64_t>(std::ceil(static_cast<double>(usedBytes) *
                                                                    plan_.unplugPercent / 100)));
    for (const Reply& reply : answer.replies) {
        if (reply.flash && !answer.pieceRead && Withhold(reply.address))
            continue;
        Chunk chunk = Frame(reply);
        const bool twice = static_cast<double>(Next(rngLater_) >> 11) * 0x1.0p-53 < plan_.dup;
        if (chunk.bytes.empty())
            continue;
        if (twice)
            chunk.bytes += chunk.bytes;
        chunk.delayMs = delay;
        delay = 0;
        out.chunks.push_back(std::move(chunk));
        if (reply.flash) {
            flashBytesSent_ += reply.dataBytes;
            ++piecesSent_;
            if (flashBytesSent_ >= unplugBytes ||
                (plan_.unplugPieces >= 0 && piecesSent_ >= plan_.unplugPieces)) {
                out.unplug = true;
                unplugged_ = true;
                return out;
            }
        }
    }
    return out;
}

}  // namespace qv::sim
