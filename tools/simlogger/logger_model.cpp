#include "simlogger/logger_model.h"

namespace qv::sim {

std::optional<LoggerModel> ParseLoggerModel(std::string_view name) {
    if (name == "qv4")
        return LoggerModel::Qv4;
    if (name == "qv3")
        return LoggerModel::Qv3;
    if (name == "generic")
        return LoggerModel::Generic;
    return std::nullopt;
}

std::string DefaultRelease(LoggerModel model) {
    switch (model) {
        case LoggerModel::Qv4:
            return "QV4,V2.10,SIM";
        case LoggerModel::Qv3:
            // A third field above 10000 makes the program use raw block reads.
            return "QVR_2.10_0007,QV3,10800";
        case LoggerModel::Generic:
            return "SIM887,V1.05";
    }
    return {};
}

size_t FlashSize(LoggerModel model) {
    switch (model) {
        case LoggerModel::Qv4:
            return 16u << 20;
        case LoggerModel::Qv3:
            return 8u << 20;
        case LoggerModel::Generic:
            return 4u << 20;
    }
    return 0;
}

bool AnswersAtBaud(LoggerModel model, int baud) {
    if (baud == 0)
        return true;
    if (model == LoggerModel::Qv3)
        return baud == 921600 || baud == 460800;
    return baud == 115200;
}

}  // namespace qv::sim
