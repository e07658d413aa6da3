#include "device/status_display.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/text_utils.h"

namespace qv {
namespace {

int IntOr(const std::string& text, int fallback) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return fallback;
    return v;
}

std::string ModeName(LoggerModel model, const StatusFields& s, bool& known) {
    known = true;
    if (model == LoggerModel::QV4) {
        if (s.logTimeInterval == "1") {
            switch (IntOr(s.fixInterval, 9999)) {
                case 100:
                    return "10Hz (Standard mode)";
                case 200:
                    return "5Hz (Long-time mode)";
                case 50:
                    return "20Hz (Fine mode)";
                default:
                    break;
            }
        }
    } else if (s.logTimeInterval == "1") {
        return "10Hz (Fine mode)";
    } else if (s.logTimeInterval == "2") {
        return "5Hz (Long-time mode)";
    } else if (s.logTimeInterval == "5") {
        return "2Hz (Long-time mode)";
    }
    known = false;
    return "Unknown mode";
}

bool SettingsAsExpected(LoggerModel model, const StatusFields& s, bool afterMemoryButton) {
    const std::string& t = s.logTimeInterval;
    const int fix = IntOr(s.fixInterval, 9999);
    bool ok = true;
    if (model == LoggerModel::QV4) {
        const uint32_t format =
            s.logFormat.empty() ? 0 : static_cast<uint32_t>(HexToInt(s.logFormat));
        ok = ok && !s.logFormat.empty() && (format & 0x4103F) == 0x4103F;
        ok = ok && s.logDistance == "0" && s.logSpeed == "0" && s.logMethod == "2";
        return ok && s.secondVersion == "27";
    }
    if (model == LoggerModel::QV3)
        ok = t == "1" || t == "2" || t == "5";
    else
        ok = (t == "1" && fix == 100) || (t == "2" && fix == 200) || (t == "5" && fix == 500) ||
             (!afterMemoryButton && t == "2" && fix == 100);
    ok = ok && s.logFormat == "8004107D" && s.logDistance == "0" && s.logSpeed == "0" &&
         s.logMethod == "2" && fix <= 1000;
    if (model != LoggerModel::QV3) {
        ok = ok && s.datum == "0" &&
             (s.nmeaOutput == "0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0" ||
              s.nmeaOutput == "0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0");
    }
    return ok;
}

}  // namespace

double FreeMemoryPercent(const StatusFields& status, LoggerModel model) {
    double used = 0;
    double capacity = kGenericCapacity;
    if (model == LoggerModel::QV4 || model == LoggerModel::QV3) {
        used = static_cast<uint32_t>(HexToInt(status.logNextAddress));
        capacity = model == LoggerModel::QV4 ? kQv4Capacity : kQv3Capacity;
    } else {
        used = static_cast<uint32_t>(HexToInt(status.logRecordCount));
    }
    const double free = 100.0 - used / capacity * 100.0;
    return free < 0.8 ? 0.0 : free;
}

StatusView ShowStatus(const StatusFields& status, LoggerModel model, const std::string& release,
                      const std::string& port, bool afterMemoryButton) {
    StatusView view;
    StatusLabels& l = view.labels;
    l.Clear();
    bool known = false;
    l.LabelCurrntMode.text = ModeName(model, status, known);
    l.LabelCurrntMode.colour = known ? LabelColour::Black : LabelColour::Red;
    view.modeProblem = !known;

    const double free = FreeMemoryPercent(status, model);
    char text[96];
    std::snprintf(text, sizeof text, "%.1f%% Log memory available.", free);
    l.LabelLogStat.text = text;
    l.LabelLogStat.colour =
        free > (afterMemoryButton ? 25.0 : 20.0) ? LabelColour::Black : LabelColour::Red;

    l.LabelPort.text = "Port = " + port;

    if (model == LoggerModel::QV4) {
        l.LabelDtVer = {release + "," + status.secondVersion, LabelColour::Grey};
    } else if (model == LoggerModel::QV3) {
        const bool current =
            release.find("0006") != std::string::npos || release.find("0007") != std::string::npos;
        l.LabelDtVer = current
                           ? StatusLabel{release, LabelColour::Grey}
                           : StatusLabel{release + "(Firmware update required.)", LabelColour::Red};
    }

    const bool tsi860 = HasTsi860(release);
    if (model == LoggerModel::QV4 || model == LoggerModel::QV3 || tsi860) {
        const double value = static_cast<double>(TextToFloat(status.triggerSpeed));
        const int v = std::isfinite(value) && std::fabs(value) < 1e6
                          ? static_cast<int>(std::lround(value))
                          : 0;
        view.triggerSpeed = v < 0 ? 0 : (v > 99 ? 99 : v);
        std::snprintf(text, sizeof text, "Log trigger-speed = %d km/h", v);
        l.LabelTrigSpd.text = text;
        if ((model == LoggerModel::QV3 || tsi860) && v < 1) {
            l.LabelTrigSpd.colour = LabelColour::Red;
            l.LabelTrigSpd2 = {"Logging dose not stop.", LabelColour::Red};
        }
    }

    if (!SettingsAsExpected(model, status, afterMemoryButton))
        view.modeProblem = true;
    if (view.modeProblem)
        l.LabelCurrntMode = {"Unknown mode", LabelColour::Red};
    return view;
}

}  // namespace qv
