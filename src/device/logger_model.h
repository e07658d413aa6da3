#pragma once
// The three kinds of logger, told apart by the firmware release text, and
// the probe steps that pick the baud rate.

#include <string_view>
#include <vector>

namespace qv {

enum class LoggerModel { Unknown, QV4, QV3, Generic };

// In the order the decisions test them: QV4, then QV3, then generic.
LoggerModel IdentifyModel(std::string_view release);
bool IsQv4Release(std::string_view release);
bool IsQv3Release(std::string_view release);
bool IsGenericRelease(std::string_view release);
bool HasTsi860(std::string_view release);

// StepA, StepB and StepC: all set is step 1, all clear step 4.
struct StepFlags {
    bool StepA = true;
    bool StepB = true;
    bool StepC = true;
    bool Any() const { return StepA || StepB || StepC; }
};

// 115200, 921600, 460800, then 115200 again.
int BaudOfStep(const StepFlags& steps);
// Whether the release text is a model this step looks for.
bool StepAccepts(const StepFlags& steps, std::string_view release);
// Steps 1 to 4, then back to 1 for the next port.
void AdvanceStep(StepFlags& steps);
// The steps that accept the release text, for a second, slower walk after
// the release came too late for its step: a QV3 logger at its own rates
// first, as step 1's rate is the newer model's.
std::vector<StepFlags> StepsAccepting(std::string_view release);

}  // namespace qv
