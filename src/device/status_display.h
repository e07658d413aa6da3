#pragma once
// The status texts of the device page, computed from the status fields.

#include <string>

#include "device/logger_model.h"
#include "device/status_fields.h"

namespace qv {

enum class LabelColour { Black, Red, Grey };

struct StatusLabel {
    std::string text = ".";
    LabelColour colour = LabelColour::Black;
};

struct StatusLabels {
    StatusLabel LabelCurrntMode;
    StatusLabel LabelLogStat;
    StatusLabel LabelPort;
    StatusLabel LabelDtVer;
    StatusLabel LabelTrigSpd;
    StatusLabel LabelTrigSpd2;

    // Before every device action.
    void Clear() {
        *this = StatusLabels{{"", {}}, {"", {}}, {"", {}}, {"", {}}, {"", {}}, {"", {}}};
    }
};

struct StatusView {
    StatusLabels labels;
    bool modeProblem = false;
    int triggerSpeed = -1;  // the value for the up-down control, -1 when none was read
};

// Memory capacity: QV4 in bytes, QV3 in bytes, generic loggers in records.
inline constexpr double kQv4Capacity = 16769024.0;
inline constexpr double kQv3Capacity = 8192000.0;
inline constexpr double kGenericCapacity = 109504.0;

// Free memory in percent of the model's capacity; below 0.8 it is 0.
double FreeMemoryPercent(const StatusFields& status, LoggerModel model);

// MTK_VIEW_STAT (`afterMemoryButton` false) and MTK_VIEW_STAT2 (true).
StatusView ShowStatus(const StatusFields& status, LoggerModel model, const std::string& release,
                      const std::string& port, bool afterMemoryButton);

}  // namespace qv
