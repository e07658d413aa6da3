#include "device/logger_model.h"

namespace qv {

bool IsQv4Release(std::string_view release) {
    return release.rfind("QV4,", 0) == 0;
}
bool IsQv3Release(std::string_view release) {
    return release.find(",QV3") != release.npos;
}
bool HasTsi860(std::string_view release) {
    return release.find("TSI_860ED") != release.npos;
}
bool IsGenericRelease(std::string_view release) {
    return release.find("887") != release.npos || HasTsi860(release);
}

LoggerModel IdentifyModel(std::string_view release) {
    if (IsQv4Release(release))
        return LoggerModel::QV4;
    if (IsQv3Release(release))
        return LoggerModel::QV3;
    if (IsGenericRelease(release))
        return LoggerModel::Generic;
    return LoggerModel::Unknown;
}

int BaudOfStep(const StepFlags& steps) {
    if (steps.StepA)
        return 115200;
    if (steps.StepB)
        return 921600;
    if (steps.StepC)
        return 460800;
    return 115200;
}

bool StepAccepts(const StepFlags& steps, std::string_view release) {
    if (steps.StepA && IsQv4Release(release))
        return true;
    if ((steps.StepB || steps.StepC) && IsQv3Release(release))
        return true;
    return !steps.Any() && IsGenericRelease(release);
}

void AdvanceStep(StepFlags& steps) {
    if (steps.StepA)
        steps.StepA = false;
    else if (steps.StepB)
        steps.StepB = false;
    else if (steps.StepC)
        steps.StepC = false;
    else
        steps = StepFlags{};
}

std::vector<StepFlags> StepsAccepting(std::string_view release) {
    constexpr StepFlags kStep1{true, true, true};
    constexpr StepFlags kStep2{false, true, true};
    constexpr StepFlags kStep3{false, false, true};
    constexpr StepFlags kStep4{false, false, false};
    switch (IdentifyModel(release)) {
        case LoggerModel::QV4:
            return {kStep1};
        case LoggerModel::QV3:
            return {kStep2, kStep3, kStep1};
        case LoggerModel::Generic:
            return {kStep4};
        case LoggerModel::Unknown:
            break;
    }
    return {};
}

}  // namespace qv
