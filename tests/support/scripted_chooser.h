#pragma once
// A circuit dialog answered from a script; it keeps the candidates shown.

#include <optional>

#include "laps/circuit_index.h"

namespace qv::test {

class ScriptedChooser : public CircuitChooser {
  public:
    std::optional<CircuitChoice> answer;  // nothing: Cancel
    std::optional<CircuitCandidates> seen;
    std::optional<CircuitChoice> Choose(const CircuitCandidates& candidates) override {
        seen = candidates;
        return answer;
    }
};

}  // namespace qv::test
