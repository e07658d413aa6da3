#include "device/device_requests.h"

#include <cstdio>

namespace qv {

std::vector<DeviceRequest> RequestsOfAction(DeviceAction action) {
    using R = DeviceRequest;
    auto setting = [](R request) {
        return std::vector<R>{R::MTK_CHECK_STAT_QV3, request, R::MTK_CHECK_STAT, R::MTK_VIEW_STAT,
                              R::MTK_SETUP_MSG};
    };
    switch (action) {
        case DeviceAction::Set20Hz:
            return setting(R::MTK_SET_2Hz_20Hz);
        case DeviceAction::Set10Hz:
            return setting(R::MTK_SET_10Hz);
        case DeviceAction::Set5Hz:
            return setting(R::MTK_SET_5Hz);
        case DeviceAction::WriteTrigger:
            return setting(R::TSI_SET_TRIG);
        case DeviceAction::ShowStatus:
            return {R::MTK_CHECK_STAT, R::MTK_VIEW_STAT2};
        case DeviceAction::Erase:
            return {R::MTK_CHECK_STAT_QV3, R::MTK_FORMAT_ALL, R::MTK_FORMAT_MSG};
        case DeviceAction::Download:
            return {R::MTK_CHECK_STAT_QV3, R::MTK_READ_LOG, R::MTK_ANLZ_LOG};
    }
    return {};
}

std::vector<DeviceRequest> RequestsAfterAbort(LoggerModel model) {
    std::vector<DeviceRequest> list;
    if (model != LoggerModel::QV3)
        list.push_back(DeviceRequest::MTK_RET_DTFIX);
    list.push_back(DeviceRequest::MTK_CHECK_STAT);
    list.push_back(DeviceRequest::MTK_VIEW_STAT);
    return list;
}

std::vector<std::string> StatusQueryCommands(DeviceRequest request, LoggerModel model,
                                             const std::string& release) {
    const bool tsi860 = HasTsi860(release);
    std::vector<std::string> c = {"PMTK182,2,8"};
    if (request == DeviceRequest::MTK_CHECK_STAT_QV3) {
        if (model == LoggerModel::QV4) {
            c.push_back("PMTK182,2,10");
        } else if (model == LoggerModel::QV3) {
            c.push_back("PMTK182,2,3");
        } else {
            for (const char* body : {"PMTK182,2,10", "PMTK182,2,2", "PMTK182,2,3", "PMTK182,2,4",
                                     "PMTK182,2,5", "PMTK182,2,6", "PMTK400", "PMTK401", "PMTK413",
                                     "PMTK492", "PMTK430", "PMTK490", "PMTK414"})
                c.push_back(body);
            if (tsi860)
                c.push_back("PTSI777,1");
        }
        return c;
    }
    for (const char* body : {"PMTK182,2,10", "PMTK182,2,2", "PMTK182,2,3", "PMTK182,2,4",
                             "PMTK182,2,5", "PMTK182,2,6", "PMTK400"})
        c.push_back(body);
    if (model == LoggerModel::QV4) {
        c.push_back("PTSI990,2,0");
    } else if (model == LoggerModel::QV3) {
        c.push_back("PTSI999,9");
    } else {
        for (const char* body : {"PMTK401", "PMTK413", "PMTK492", "PMTK430", "PMTK490", "PMTK414"})
            c.push_back(body);
    }
    if (AnswersPtsi(model, release))
        c.push_back("PTSI777,1");
    return c;
}

std::vector<std::string> ModeCommands(DeviceRequest request, LoggerModel model) {
    const bool fiveHz = request == DeviceRequest::MTK_SET_5Hz;
    if (model == LoggerModel::QV4) {
        const char* fix = request == DeviceRequest::MTK_SET_2Hz_20Hz ? "PMTK300,50,0,0,0,0"
                          : fiveHz                                   ? "PMTK300,200,0,0,0,0"
                                                                     : "PMTK300,100,0,0,0,0";
        return {kQv4LogFormatCommand, "PMTK182,1,3,1", "PMTK182,1,4,0",
                "PMTK182,1,5,0",      "PMTK182,1,6,2", fix,
                "PTSI990,2,1,27"};
    }
    if (request == DeviceRequest::MTK_SET_2Hz_20Hz)
        return {};
    std::vector<std::string> c = {"PMTK182,1,2,8004107D",
                                  fiveHz ? "PMTK182,1,3,2" : "PMTK182,1,3,1", "PMTK182,1,4,0",
                                  "PMTK182,1,5,0", "PMTK182,1,6,2"};
    c.push_back(fiveHz ? "PMTK300,200,0,0,0,0" : "PMTK300,100,0,0,0,0");
    if (model != LoggerModel::QV3) {
        c.push_back(fiveHz ? "PMTK301,2" : "PMTK301,0");
        c.push_back(fiveHz ? "PMTK313,1" : "PMTK313,0");
        c.push_back("PMTK330,0");
        c.push_back("PMTK314,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0");
    }
    return c;
}

bool AnswersPtsi(LoggerModel model, const std::string& release) {
    return model == LoggerModel::QV4 || model == LoggerModel::QV3 || HasTsi860(release);
}

std::string TriggerSpeedCommand(int kmh, LoggerModel model, const std::string& release) {
    if (!AnswersPtsi(model, release))
        return {};
    const int v = kmh < 0 ? 0 : (kmh > 99 ? 99 : kmh);
    char text[32];
    if (model == LoggerModel::QV4 && v < 1)
        return "PTSI777,2,00.01";
    if (model == LoggerModel::Generic)
        std::snprintf(text, sizeof text, "PTSI777,2,%d.0000", v);
    else
        std::snprintf(text, sizeof text, "PTSI777,2,%02d.00", v);
    return text;
}

std::string FixIntervalCommand(const std::string& logTimeInterval, int otherwiseMs) {
    int ms = otherwiseMs;
    if (logTimeInterval == "1")
        ms = 100;
    else if (logTimeInterval == "2")
        ms = 200;
    else if (logTimeInterval == "5")
        ms = 500;
    return "PMTK300," + std::to_string(ms) + ",0,0,0,0";
}

}  // namespace qv
