// Downloads end to end against the simulated logger: the saved raw log is
// the logger's flash byte for byte (the check value aside) whatever the
// link spoils that resends and re-reads can mend, and nothing is saved when
// they cannot.

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <iostream>
#include <map>
#include <random>

#include "app/session.h"
#include "decode/load_log.h"
#include "decode/log_check_value.h"
#include "device/sim_rig.h"
#include "synth/flash_images.h"

namespace qv {
namespace {

using test::SimLoggerProcess;
using test::SimRig;
using test::TempDir;

struct Flash {
    std::vector<uint8_t> bytes;
    size_t used = 0;
};

Flash Qv4Flash(bool full) {
    synth::FlashImage image = synth::MakeQv4FlashImage();
    Flash f{std::move(image.bytes), image.usedBytes};
    if (full) {
        // The whole memory in use: the last byte is written.
        f.bytes.back() = 0x00;
        f.used = f.bytes.size();
    }
    return f;
}

Flash Qv3Flash() {
    synth::FlashImage image = synth::MakeMtkFlashImage();
    return {std::move(image.bytes), image.usedBytes};
}

struct Outcome {
    bool finished = false;
    std::vector<std::string> messages;
    std::filesystem::path saved;
    bool savedExists = false;
    std::vector<uint8_t> file;
    int fixes = 0;
    // The saved file opened again as the open-log command opens it.
    CheckValueOutcome reopenedCheck = CheckValueOutcome::NotChecked;
    int reopenedFixes = 0;
};

// A download from the logger of `model` holding `flash`, in process on
// the manual clock.
Outcome Download(const std::string& model, const Flash& flash, std::vector<std::string> extra,
                 int slowLevel = 0) {
    TempDir dir;
    test::WriteFlash(dir / "flash.img", flash.bytes);
    std::vector<std::string> args{"--model", model, "--image", (dir / "flash.img").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    Outcome o;
    SimRig rig;
    if (!rig.port()->PlugIn(args)) {
        ADD_FAILURE() << "the simulated logger refused its arguments";
        return o;
    }
    const std::string ext = model == "qv4" ? ".bnx4" : ".binx";
    o.saved = dir / ("log" + ext);
    rig.prompter.files = {o.saved.string()};
    rig.controller().slowLevel = slowLevel;
    rig.controller().SpeedButtonLdGPSClick();
    o.finished = rig.Run(120000);
    o.messages = rig.prompter.Messages();
    o.fixes = rig.session().log.LogItemNum;
    o.savedExists = std::filesystem::exists(o.saved);
    if (o.savedExists) {
        o.file = test::ReadBytes(o.saved);
        Session reopened(LocalTimeBaseFromBias(0));
        o.reopenedCheck = LoadLogFile(reopened, o.saved).checkValue;
        o.reopenedFixes = reopened.log.LogItemNum;
    }
    // Nothing half-written beside the log.
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, o.savedExists ? 2u : 1u);
    return o;
}

// The saved log equals the flash it came from, except the check value.
void ExpectSameBytes(const std::vector<uint8_t>& file, const std::vector<uint8_t>& flash) {
    ASSERT_LE(file.size(), flash.size());
    size_t differences = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        if ((i < kLogCheckValueOffset || i >= kLogCheckValueOffset + 10) && file[i] != flash[i])
            ++differences;
    }
    EXPECT_EQ(differences, 0u);
}

void ExpectOpensWithItsCheckValue(const Outcome& o) {
    EXPECT_EQ(o.reopenedCheck, CheckValueOutcome::Passed);
    EXPECT_EQ(o.reopenedFixes, o.fixes);
}

// A short drive: the QV3 and generic logs fit in their first sector.
Flash ShortFlash(const std::string& model) {
    synth::DriveOptions drive = synth::FlashDriveOptions();
    drive.laps = 1;
    synth::FlashImage image = model == "qv4" ? synth::MakeQv4FlashImage(drive)
                              : model == "qv3"
                                  ? synth::MakeMtkFlashImage(drive)
                                  : synth::MakeMtkFlashImage(drive, synth::kGenericFlashBytes);
    return {std::move(image.bytes), image.usedBytes};
}

// Answers that come late: over a slow serial bridge (latency: each answer
// leaves that long after its command came, while further commands are
// taken meanwhile) and from a slow logger (late: each answer starts that
// long after the logger took its command, one at a time, so that resends
// pile up behind it). All the downloads run at once. The QV3 and generic
// logs are read piece by piece, each piece waiting for its answer: past
// the first `slowfor` answers (the probe, the status and the first pieces)
// some of the loggers turn fast. A slow logger that falls silent still
// ends in the watchdog.
TEST(DeviceDownload, LateAnswersStillDownloadWhole) {
    std::map<std::string, Flash> flashes;
    for (const char* model : {"qv4", "qv3", "generic"})
        flashes[model] = ShortFlash(model);
    struct Case {
        std::string model;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases{
        {"qv4", {"--faults", "latency=0"}},
        {"qv3", {"--faults", "latency=0"}},
        {"generic", {"--faults", "latency=0"}},
        {"qv4", {"--faults", "latency=400"}},
        {"qv3", {"--faults", "latency=400,slowfor=30"}},
        {"generic", {"--faults", "latency=400,slowfor=30"}},
        {"qv4", {"--faults", "latency=1500"}},
        {"qv3", {"--faults", "latency=1500,slowfor=15"}},
        {"generic", {"--faults", "latency=1500,slowfor=15"}},
        {"qv4", {"--faults", "late=1,latems=400"}},
        {"qv3", {"--faults", "late=1,latems=400"}},
        {"generic", {"--faults", "late=1,latems=400,slowfor=30"}},
        {"qv4", {"--faults", "latency=1500", "--mute-on", "PMTK182,7"}},
    };
    std::vector<std::future<Outcome>> outcomes;
    for (const Case& c : cases) {
        outcomes.push_back(std::async(std::launch::async, [&flashes, &c] {
            return Download(c.model, flashes.at(c.model), c.args);
        }));
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.model + " " + c.args.back());
        const Outcome o = outcomes[i].get();
        EXPECT_TRUE(o.finished);
        if (c.args.size() > 2) {
            EXPECT_FALSE(o.savedExists);
            ASSERT_FALSE(o.messages.empty());
            EXPECT_EQ(o.messages.back(), kMsgCommTimeout);
            continue;
        }
        EXPECT_TRUE(o.savedExists) << (o.messages.empty() ? "" : o.messages.back());
        if (!o.savedExists)
            continue;
        ExpectSameBytes(o.file, flashes.at(c.model).bytes);
        ExpectOpensWithItsCheckValue(o);
    }
}

int EnvNumber(const char* name, int otherwise) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : otherwise;
}

// A random mix of what a line does to replies: lost, corrupt, glued, late
// (up to 1.5 s, one at a time or over a slow bridge), duplicated, and
// pieces missing the first time they are asked for.
std::string RandomFaults(std::mt19937& rng) {
    const auto share = [&rng](double most) {
        return std::to_string(std::uniform_real_distribution<double>(0, most)(rng));
    };
    const auto upTo = [&rng](int least, int most) {
        return std::to_string(std::uniform_int_distribution<int>(least, most)(rng));
    };
    std::string faults = "drop=" + share(0.04) + ",badsum=" + share(0.03) +
                         ",lowersum=" + share(0.03) + ",glue=" + share(0.04) +
                         ",dup=" + share(0.05) + ",late=" + share(0.05) +
                         ",latems=" + upTo(50, 1500) + ",missfirst=" + upTo(0, 6);
    if (rng() % 2 == 0)
        faults += ",latency=" + upTo(0, 1500) + ",slowfor=" + upTo(5, 40);
    return faults;
}

// Downloads under random fault mixes, one per model at once in each round:
// every one ends with the flash byte for byte (the check value aside), or
// with the program's failure message and no file. QUORVANE_SOAK_ROUNDS
// (default 1) and QUORVANE_SOAK_SEED choose how many and which;
// scripts/soak-download.sh runs many and prints what came out.
TEST(DeviceDownload, RandomFaultMixesEndWholeOrToldAndUnsaved) {
    const int rounds = EnvNumber("QUORVANE_SOAK_ROUNDS", 1);
    const int seed = EnvNumber("QUORVANE_SOAK_SEED", 1);
    std::map<std::string, Flash> flashes;
    for (const char* model : {"qv4", "qv3", "generic"})
        flashes[model] = ShortFlash(model);
    std::map<std::string, std::map<std::string, int>> counts;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::string> faults;
        std::vector<std::future<Outcome>> outcomes;
        for (const auto& logger : flashes) {
            std::mt19937 rng(static_cast<uint32_t>(seed * 7919 + round * 3 + faults.size()));
            faults.push_back(RandomFaults(rng));
            std::vector<std::string> args{"--faults", faults.back(), "--seed",
                                          std::to_string(rng() % 100000)};
            outcomes.push_back(std::async(std::launch::async, [&logger, args] {
                return Download(logger.first, logger.second, args);
            }));
        }
        size_t i = 0;
        for (const auto& [model, flash] : flashes) {
            SCOPED_TRACE(model + " " + faults[i]);
            const Outcome o = outcomes[i++].get();
            EXPECT_TRUE(o.finished) << "neither saved nor failed in time";
            if (o.savedExists) {
                ExpectSameBytes(o.file, flash.bytes);
                ++counts[model]["whole"];
                continue;
            }
            ASSERT_FALSE(o.messages.empty()) << "no file and nothing said";
            const std::string& told = o.messages.back();
            EXPECT_TRUE(told == kMsgCommFailed || told == kMsgCommTimeout ||
                        told == kMsgConnectFailed)
                << told;
            ++counts[model][told.substr(0, told.find('.'))];
        }
    }
    for (const auto& [model, outcomes] : counts) {
        std::cout << "[ soak     ] " << model;
        for (const auto& [outcome, n] : outcomes)
            std::cout << ", " << outcome << ": " << n;
        std::cout << "\n";
    }
}

TEST(DeviceDownload, Qv4FullMemory) {
    const Flash flash = Qv4Flash(true);
    const Outcome o = Download("qv4", flash, {});
    ASSERT_TRUE(o.finished);
    ASSERT_TRUE(o.savedExists);
    EXPECT_EQ(o.file.size(), 4094u * 4096u);
    ExpectSameBytes(o.file, flash.bytes);
    ExpectOpensWithItsCheckValue(o);
    EXPECT_GT(o.fixes, 1000);
    // The full logger warns about its memory before the save dialog.
    ASSERT_FALSE(o.messages.empty());
    EXPECT_EQ(o.messages[0], kMsgLowLogMemory);
}

TEST(DeviceDownload, Qv4RepairsLostAndCorruptLines) {
    const Flash flash = Qv4Flash(false);
    for (const char* faults : {"drop=0.03", "badsum=0.03", "lowersum=0.05", "glue=0.03",
                               "missfirst=5", "late=0.05,latems=100"}) {
        SCOPED_TRACE(faults);
        const Outcome o = Download("qv4", flash, {"--faults", faults, "--seed", "7"});
        ASSERT_TRUE(o.finished);
        ASSERT_TRUE(o.savedExists) << (o.messages.empty() ? "" : o.messages.back());
        EXPECT_EQ(o.file.size(), (flash.used + 4095) / 4096 * 4096);
        ExpectSameBytes(o.file, flash.bytes);
    }
}

TEST(DeviceDownload, Qv3BinaryBlocksRepairLosses) {
    const Flash flash = Qv3Flash();
    for (const char* faults : {"", "drop=0.03", "missfirst=5", "late=0.05,latems=100"}) {
        SCOPED_TRACE(faults);
        std::vector<std::string> extra;
        if (*faults != '\0')
            extra = {"--faults", faults, "--seed", "3"};
        const Outcome o = Download("qv3", flash, extra);
        ASSERT_TRUE(o.finished);
        ASSERT_TRUE(o.savedExists) << (o.messages.empty() ? "" : o.messages.back());
        EXPECT_EQ(o.file.size(), (flash.used / 65536 + 1) * 65536);
        ExpectSameBytes(o.file, flash.bytes);
        ExpectOpensWithItsCheckValue(o);
    }
}

TEST(DeviceDownload, Qv3TextReadsRepairLossesAndMisplacedPieces) {
    const Flash flash = Qv3Flash();
    for (const char* faults : {"", "drop=0.03", "missfirst=4"}) {
        SCOPED_TRACE(faults);
        std::vector<std::string> extra = {"--release", "QVR_2.10_0007,QV3,9000"};
        if (*faults != '\0')
            extra.insert(extra.end(), {"--faults", faults, "--seed", "5"});
        const Outcome o = Download("qv3", flash, extra);
        ASSERT_TRUE(o.finished);
        ASSERT_TRUE(o.savedExists) << (o.messages.empty() ? "" : o.messages.back());
        ExpectSameBytes(o.file, flash.bytes);
    }
}

TEST(DeviceDownload, FaultsBeyondRepairAbortAndSaveNothing) {
    const Flash flash = Qv3Flash();
    // The logger goes away halfway: the watchdog ends the exchange.
    Outcome o = Download("qv4", Qv4Flash(false), {"--faults", "unplug=40%"});
    ASSERT_TRUE(o.finished);
    EXPECT_FALSE(o.savedExists);
    ASSERT_FALSE(o.messages.empty());
    EXPECT_EQ(o.messages.back(), kMsgCommTimeout);
    // A corrupt acknowledgement outside the first probe step fails the link.
    o = Download("qv3", flash,
                 {"--release", "QVR_2.10_0007,QV3,9000", "--faults", "badsum=0.05", "--seed", "2"});
    ASSERT_TRUE(o.finished);
    EXPECT_FALSE(o.savedExists);
    ASSERT_FALSE(o.messages.empty());
    EXPECT_EQ(o.messages.back(), kMsgCommFailed);
}

TEST(DeviceDownload, GenericLoggerAtEverySlowLevel) {
    synth::FlashImage image =
        synth::MakeMtkFlashImage(synth::FlashDriveOptions(), synth::kGenericFlashBytes);
    const Flash flash{std::move(image.bytes), image.usedBytes};
    for (int level : {0, 1, 2}) {
        SCOPED_TRACE(level);
        const Outcome o = Download("generic", flash, {}, level);
        ASSERT_TRUE(o.finished);
        ASSERT_TRUE(o.savedExists) << (o.messages.empty() ? "" : o.messages.back());
        ExpectSameBytes(o.file, flash.bytes);
        ExpectOpensWithItsCheckValue(o);
        EXPECT_GT(o.fixes, 1000);
    }
}

TEST(DeviceDownload, AFailedGenericDownloadOffersSlowerReadsNextTime) {
    synth::FlashImage image =
        synth::MakeMtkFlashImage(synth::FlashDriveOptions(), synth::kGenericFlashBytes);
    TempDir dir;
    test::WriteBytes(dir / "flash.img", image.bytes);
    SimRig rig;
    ASSERT_TRUE(rig.port()->PlugIn(
        {"--model", "generic", "--image", (dir / "flash.img").string(), "--faults", "unplug=30%"}));
    std::vector<int> offered;
    rig.controller().speedDialog = [&offered](int& level) {
        offered.push_back(level);
        return false;
    };
    rig.controller().SpeedButtonLdGPSClick();
    ASSERT_TRUE(rig.Run(60000));
    EXPECT_TRUE(offered.empty()) << "the first download asks nothing";
    ASSERT_FALSE(rig.prompter.Messages().empty());
    EXPECT_EQ(rig.controller().slowLevel, 2);

    // The next download asks first; cancelling it starts no connection.
    const size_t messages = rig.prompter.Messages().size();
    rig.controller().SpeedButtonLdGPSClick();
    EXPECT_EQ(offered, std::vector<int>{2});
    EXPECT_TRUE(rig.controller().Idle());
    EXPECT_EQ(rig.prompter.Messages().size(), messages);
    EXPECT_EQ(rig.controller().slowLevel, 2);
}

TEST(DeviceDownload, AbortMidwaySavesNothingAndFreesTheButtons) {
    const Flash flash = Qv3Flash();
    TempDir dir;
    test::WriteBytes(dir / "flash.img", flash.bytes);
    // Late answers keep the download going long enough to abort it.
    SimRig rig;
    ASSERT_TRUE(rig.port()->PlugIn({"--model", "qv3", "--image", (dir / "flash.img").string(),
                                    "--faults", "late=0.5,latems=30", "--seed", "4"}));
    rig.prompter.files = {(dir / "aborted.binx").string()};
    rig.controller().SpeedButtonLdGPSClick();
    // The dialog opens when the first block is asked for.
    ASSERT_TRUE(rig.RunUntil([&rig] { return rig.controller().View().progressShown; }, 60000));
    EXPECT_TRUE(rig.controller().View().abortShown);  // the QV3 dialog offers Abort
    rig.controller().AbortDownload();
    // The port is closed at once; the buttons wait for the reconnection,
    // which comes after the logger has had time to finish its piece.
    EXPECT_FALSE(rig.controller().Link().IsOpen());
    EXPECT_FALSE(rig.controller().Idle());
    ASSERT_TRUE(rig.Run(30000));
    EXPECT_FALSE(rig.controller().View().progressShown);
    EXPECT_TRUE(rig.controller().Idle());
    EXPECT_FALSE(rig.controller().View().logReady);
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);  // the flash image alone
}

// Over a pseudo-terminal on the real clock: the serial port, the link's
// threads and the simulator process as the program meets them.
TEST(DeviceDownload, AnExistingFileIsReplacedOnlyOnYes) {
    const Flash flash = Qv3Flash();
    TempDir dir;
    test::WriteBytes(dir / "flash.img", flash.bytes);
    SimLoggerProcess sim({"--model", "qv3", "--image", (dir / "flash.img").string()});
    ASSERT_TRUE(sim.Started());
    SimRig rig(sim.DevicePath());
    const auto target = dir / "kept.binx";
    test::WriteBytes(target, {1, 2, 3});
    // A user-typed extension is replaced by the right one.
    rig.prompter.files = {(dir / "kept.BINX").string()};
    rig.prompter.answers = {false};
    rig.controller().SpeedButtonLdGPSClick();
    ASSERT_TRUE(rig.Run(60000));
    EXPECT_EQ(test::ReadBytes(target), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(rig.prompter.LastMessage(), "kept.binx already exists.\rDo you want to replace it ?");
    EXPECT_EQ(rig.session().openLogName, "kept");
    EXPECT_TRUE(rig.controller().View().logReady);
}

}  // namespace
}  // namespace qv
