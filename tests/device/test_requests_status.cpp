// Status replies, the commands of the requests, the download plans and the
// status texts of the device page.

#include <gtest/gtest.h>

#include "device/device_requests.h"
#include "device/download_plan.h"
#include "device/download_save.h"
#include "device/logger_model.h"
#include "device/status_display.h"
#include "device/status_fields.h"

namespace qv {
namespace {

TEST(StatusFields, ValuesAreCutAtTheirTerminator) {
    StatusFields s;
    EXPECT_TRUE(StoreMtkStatus(s, "$PMTK500,100,0,0,0,0*2A"));
    EXPECT_EQ(s.fixInterval, "100");
    EXPECT_TRUE(StoreMtkStatus(s, "$PMTK182,3,10,1A2B*00"));
    EXPECT_EQ(s.logRecordCount, "1A2B");
    EXPECT_TRUE(StoreMtkStatus(s, "$PMTK182,3,3,1*00"));
    EXPECT_EQ(s.logTimeInterval, "1");
    EXPECT_TRUE(StoreMtkStatus(s, "$PMTK590,0,10,115200,0,1,0,0,0,0,0,0,0,0,115200*00"));
    EXPECT_EQ(s.baudConfiguration, kGenericBaudConfiguration);
    EXPECT_FALSE(StoreMtkStatus(s, "$PMTK001,182,2,3*25"));
    EXPECT_TRUE(StorePtsiStatus(s, "$PTSI777,1,05.00*00"));
    EXPECT_EQ(s.triggerSpeed, "05.00");
    EXPECT_TRUE(StorePtsiStatus(s, "$PTSI990,2,0,27*00"));
    EXPECT_EQ(s.secondVersion, "27");
    EXPECT_EQ(ReleaseTextOf("$PMTK705,QVR_2.10_0007,QV3,10800*11"), "QVR_2.10_0007,QV3,10800");
    // Too short to carry a value: nothing breaks.
    EXPECT_TRUE(StoreMtkStatus(s, "$PMTK500"));
    EXPECT_EQ(s.fixInterval, "");
    s.ClearKeepingVersion();
    EXPECT_EQ(s.triggerSpeed, "");
    EXPECT_EQ(s.secondVersion, "27");
}

TEST(LoggerModels, ReleaseTextsAndProbeSteps) {
    EXPECT_EQ(IdentifyModel("QV4,V2.10"), LoggerModel::QV4);
    EXPECT_EQ(IdentifyModel("X,QV3,10800"), LoggerModel::QV3);
    EXPECT_EQ(IdentifyModel("SIM887,V1"), LoggerModel::Generic);
    EXPECT_EQ(IdentifyModel("AXN_TSI_860ED"), LoggerModel::Generic);
    EXPECT_EQ(IdentifyModel("xQV4,"), LoggerModel::Unknown);
    StepFlags steps;
    EXPECT_EQ(BaudOfStep(steps), 115200);
    EXPECT_TRUE(StepAccepts(steps, "X,QV3,1"));
    EXPECT_FALSE(StepAccepts(steps, "SIM887"));
    AdvanceStep(steps);
    EXPECT_EQ(BaudOfStep(steps), 921600);
    EXPECT_FALSE(StepAccepts(steps, "QV4,V2"));
    AdvanceStep(steps);
    EXPECT_EQ(BaudOfStep(steps), 460800);
    EXPECT_TRUE(StepAccepts(steps, "X,QV3,1"));
    AdvanceStep(steps);
    EXPECT_EQ(BaudOfStep(steps), 115200);
    EXPECT_TRUE(StepAccepts(steps, "SIM887"));
    EXPECT_FALSE(StepAccepts(steps, "X,QV3,1"));
    AdvanceStep(steps);
    EXPECT_TRUE(steps.StepA && steps.StepB && steps.StepC);
}

TEST(Requests, TriggerSpeedTextsByModel) {
    EXPECT_EQ(TriggerSpeedCommand(0, LoggerModel::QV4, "QV4,"), "PTSI777,2,00.01");
    EXPECT_EQ(TriggerSpeedCommand(7, LoggerModel::QV4, "QV4,"), "PTSI777,2,07.00");
    EXPECT_EQ(TriggerSpeedCommand(0, LoggerModel::QV3, ",QV3"), "PTSI777,2,00.00");
    EXPECT_EQ(TriggerSpeedCommand(45, LoggerModel::QV3, ",QV3"), "PTSI777,2,45.00");
    EXPECT_EQ(TriggerSpeedCommand(5, LoggerModel::Generic, "TSI_860ED"), "PTSI777,2,5.0000");
    EXPECT_EQ(TriggerSpeedCommand(5, LoggerModel::Generic, "SIM887"), "")
        << "a logger without PTSI gets no trigger write";
}

TEST(Requests, StatusQueriesAndModeCommands) {
    const auto qv4 = StatusQueryCommands(DeviceRequest::MTK_CHECK_STAT, LoggerModel::QV4, "QV4,");
    EXPECT_EQ(qv4.size(), 10u);
    EXPECT_EQ(qv4[8], "PTSI990,2,0");
    EXPECT_EQ(qv4.back(), "PTSI777,1");
    const auto generic =
        StatusQueryCommands(DeviceRequest::MTK_CHECK_STAT_QV3, LoggerModel::Generic, "SIM887");
    EXPECT_EQ(generic.size(), 14u);
    EXPECT_EQ(generic.back(), "PMTK414");
    const auto set5 = ModeCommands(DeviceRequest::MTK_SET_5Hz, LoggerModel::Generic);
    EXPECT_EQ(set5[1], "PMTK182,1,3,2");
    EXPECT_EQ(set5[6], "PMTK301,2");
    EXPECT_TRUE(ModeCommands(DeviceRequest::MTK_SET_2Hz_20Hz, LoggerModel::QV3).empty());
    EXPECT_EQ(ModeCommands(DeviceRequest::MTK_SET_2Hz_20Hz, LoggerModel::QV4)[5],
              "PMTK300,50,0,0,0,0");
    EXPECT_EQ(FixIntervalCommand("5", 1000), "PMTK300,500,0,0,0,0");
    EXPECT_EQ(FixIntervalCommand("x", 1000), "PMTK300,1000,0,0,0,0");
}

TEST(DownloadPlans, Qv4ReadsTheUsedBlocksInOneCommand) {
    StatusFields s;
    s.logNextAddress = "12345";  // 74565 bytes: 19 blocks
    const DownloadPlan plan = PlanDownload(LoggerModel::QV4, s, "QV4,", 0, 0, 0);
    EXPECT_EQ(plan.commands,
              (std::vector<std::string>{"PMTK182,7,0,13000", "PMTK182,7,FFFFF0,10"}));
    int pending = 0;
    for (uint8_t p : plan.pending)
        pending += p;
    EXPECT_EQ(pending, 38);
    EXPECT_EQ(plan.totalUnits, 38);
    EXPECT_EQ(Qv4BlocksToRead(""), 1);
    EXPECT_EQ(Qv4BlocksToRead("FFFFFF"), 4094);
}

TEST(DownloadPlans, Qv3AndGenericPieces) {
    StatusFields s;
    s.logNextAddress = "1E0000";  // sector 30
    EXPECT_EQ(LastSectorToRead(s.logNextAddress), 30);
    EXPECT_EQ(LastSectorToRead(""), 127);
    const DownloadPlan binary = PlanDownload(LoggerModel::QV3, s, "R,QV3,10800", 0, 0, 1);
    EXPECT_EQ(binary.commands.size(), 128u);
    EXPECT_EQ(binary.commands[65], "PTSI870,7,00066560,1024");
    const DownloadPlan text = PlanDownload(LoggerModel::QV3, s, "R,QV3,9000", 0, 0, 0);
    EXPECT_EQ(text.commands.size(), 32u);
    EXPECT_EQ(text.commands[1], "PMTK182,7,00000800,800");
    s.logTimeInterval = "2";
    const DownloadPlan slow = PlanDownload(LoggerModel::Generic, s, "SIM887", 1, 0, 0);
    EXPECT_EQ(slow.commands.size(), 258u);
    EXPECT_EQ(slow.commands.front(), "PMTK300,1000,0,0,0,0");
    EXPECT_EQ(slow.commands[2], "PMTK182,7,00000100,100");
    EXPECT_EQ(slow.commands.back(), "PMTK300,200,0,0,0,0");
    int first = 0, last = 30;
    ApplyRange(1, 2, first, last);
    EXPECT_EQ(first, 16);
    EXPECT_EQ(last, 30);
    ApplyRange(0, 1, first, last);
    EXPECT_EQ(last, 15);
    EXPECT_EQ(SavedImageSize(LoggerModel::Generic, 0x20000), 196608u);
    EXPECT_EQ(SavedImageSize(LoggerModel::QV4, 74565), 77824u);
}

StatusFields GoodQv4() {
    StatusFields s;
    s.fixInterval = "50";
    s.logTimeInterval = "1";
    s.logFormat = "0004103F";
    s.logDistance = "0";
    s.logSpeed = "0";
    s.logMethod = "2";
    s.secondVersion = "27";
    s.logNextAddress = "0";
    s.triggerSpeed = "30.00";
    return s;
}

TEST(StatusDisplay, Qv4Modes) {
    StatusFields s = GoodQv4();
    StatusView v = ShowStatus(s, LoggerModel::QV4, "QV4,V2.10", "/dev/ttyUSB0", true);
    EXPECT_EQ(v.labels.LabelCurrntMode.text, "20Hz (Fine mode)");
    EXPECT_FALSE(v.modeProblem);
    EXPECT_EQ(v.labels.LabelLogStat.text, "100.0% Log memory available.");
    EXPECT_EQ(v.labels.LabelPort.text, "Port = /dev/ttyUSB0");
    EXPECT_EQ(v.labels.LabelDtVer.text, "QV4,V2.10,27");
    EXPECT_EQ(v.labels.LabelDtVer.colour, LabelColour::Grey);
    EXPECT_EQ(v.labels.LabelTrigSpd.text, "Log trigger-speed = 30 km/h");
    EXPECT_EQ(v.triggerSpeed, 30);
    s.secondVersion = "26";
    v = ShowStatus(s, LoggerModel::QV4, "QV4,V2.10", "p", true);
    EXPECT_TRUE(v.modeProblem);
    EXPECT_EQ(v.labels.LabelCurrntMode.text, "Unknown mode");
    EXPECT_EQ(v.labels.LabelCurrntMode.colour, LabelColour::Red);
    s = GoodQv4();
    s.logFormat = "";
    EXPECT_TRUE(ShowStatus(s, LoggerModel::QV4, "QV4,", "p", true).modeProblem);
}

TEST(StatusDisplay, MemoryAndTriggerWarnings) {
    StatusFields s;
    s.logNextAddress = "7D0000";  // 8192000 bytes: full
    s.logTimeInterval = "2";
    s.triggerSpeed = "0.00";
    StatusView v = ShowStatus(s, LoggerModel::QV3, "QVR_0007,QV3,10800", "p", false);
    EXPECT_EQ(v.labels.LabelLogStat.text, "0.0% Log memory available.");
    EXPECT_EQ(v.labels.LabelLogStat.colour, LabelColour::Red);
    EXPECT_EQ(v.labels.LabelTrigSpd.text, "Log trigger-speed = 0 km/h");
    EXPECT_EQ(v.labels.LabelTrigSpd2.text, "Logging dose not stop.");
    EXPECT_EQ(v.labels.LabelTrigSpd2.colour, LabelColour::Red);
    EXPECT_EQ(v.labels.LabelCurrntMode.text, "Unknown mode") << "log format is not 8004107D";
    v = ShowStatus(s, LoggerModel::QV3, "QVR_0005,QV3,10800", "p", false);
    EXPECT_EQ(v.labels.LabelDtVer.text, "QVR_0005,QV3,10800(Firmware update required.)");

    StatusFields g;
    g.logRecordCount = "151EC";  // 86508 records
    EXPECT_EQ(ShowStatus(g, LoggerModel::Generic, "SIM887", "p", false).labels.LabelLogStat.colour,
              LabelColour::Black);
    const StatusView after = ShowStatus(g, LoggerModel::Generic, "SIM887", "p", true);
    EXPECT_EQ(after.labels.LabelLogStat.text, "21.0% Log memory available.");
    EXPECT_EQ(after.labels.LabelLogStat.colour, LabelColour::Red);
    EXPECT_EQ(after.labels.LabelDtVer.text, "");
    EXPECT_EQ(after.triggerSpeed, -1);
}

TEST(StatusDisplay, GenericModeTestDependsOnTheRequest) {
    StatusFields g;
    g.logTimeInterval = "2";
    g.fixInterval = "100";
    g.logFormat = "8004107D";
    g.logDistance = "0";
    g.logSpeed = "0";
    g.logMethod = "2";
    g.datum = "0";
    g.nmeaOutput = "0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0";
    EXPECT_FALSE(ShowStatus(g, LoggerModel::Generic, "SIM887", "p", false).modeProblem);
    EXPECT_TRUE(ShowStatus(g, LoggerModel::Generic, "SIM887", "p", true).modeProblem);
    g.fixInterval = "200";
    EXPECT_FALSE(ShowStatus(g, LoggerModel::Generic, "SIM887", "p", true).modeProblem);
    EXPECT_EQ(ShowStatus(g, LoggerModel::Generic, "SIM887", "p", true).labels.LabelCurrntMode.text,
              "5Hz (Long-time mode)");
}

}  // namespace
}  // namespace qv
