#pragma once
// The named requests a device action is made of, and the commands each
// request queues for the logger.

#include <string>
#include <vector>

#include "device/logger_model.h"
#include "device/status_fields.h"

namespace qv {

enum class DeviceRequest {
    MTK_CHECK_STAT_QV3,
    MTK_CHECK_STAT,
    MTK_VIEW_STAT,
    MTK_VIEW_STAT2,
    MTK_SET_10Hz,
    MTK_SET_5Hz,
    MTK_SET_2Hz_20Hz,
    TSI_SET_TRIG,
    MTK_FORMAT_ALL,
    MTK_FORMAT_MSG,
    MTK_SETUP_MSG,
    MTK_READ_LOG,
    MTK_ANLZ_LOG,
    MTK_RET_DTFIX,
};

enum class DeviceAction { Set20Hz, Set10Hz, Set5Hz, WriteTrigger, ShowStatus, Erase, Download };

std::vector<DeviceRequest> RequestsOfAction(DeviceAction action);
// After an aborted download: the fix interval back (not on a QV3 logger), then the state.
std::vector<DeviceRequest> RequestsAfterAbort(LoggerModel model);

// The status queries of MTK_CHECK_STAT_QV3 and MTK_CHECK_STAT.
std::vector<std::string> StatusQueryCommands(DeviceRequest request, LoggerModel model,
                                             const std::string& release);
// The commands of MTK_SET_10Hz, MTK_SET_5Hz and MTK_SET_2Hz_20Hz (the last on QV4 only).
std::vector<std::string> ModeCommands(DeviceRequest request, LoggerModel model);
// The trigger-speed write; empty for a logger that does not answer PTSI.
std::string TriggerSpeedCommand(int kmh, LoggerModel model, const std::string& release);
bool AnswersPtsi(LoggerModel model, const std::string& release);

// The fix interval by the log time interval field; `otherwiseMs` for any
// other value (1000 after an abort, 200 after a generic download).
std::string FixIntervalCommand(const std::string& logTimeInterval, int otherwiseMs);

inline constexpr const char* kGenericBaudConfiguration = "0,10,115200,0,1,0,0,0,0,0,0,0,0,115200";
inline constexpr const char* kQv4LogFormatCommand = "PMTK182,1,2,0004103F";
inline constexpr const char* kEraseCommand = "PMTK182,6,1";
// An erase takes up to 90 s on every model; the watchdog waits beyond that.
inline constexpr int kEraseWatchdogMs = 100000;
inline constexpr int kWatchdogMs = 7000;

}  // namespace qv
