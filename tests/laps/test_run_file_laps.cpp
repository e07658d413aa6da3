#include "laps/run_file_laps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/session.h"
#include "laps/lap_file_io.h"
#include "support/temp_dir.h"
#include "synth/drive.h"
#include "synth/run_file_encoder.h"

namespace qv {
namespace {

constexpr TDateTime kBase = 25569.0;

class RunFileLapsTest : public ::testing::Test {
  protected:
    RunFileLapsTest() : session(std::make_unique<Session>(kBase)) {
        session->folders.TempFolder = dir.path();
        synth::DriveOptions options;
        options.laps = 1;
        fixes = synth::SynthesizeDrive(synth::DemoCircuit(), options).fixes;
    }
    std::vector<TLapElmRec> Lap(int lapNo) {
        return ReadLapFile(TempLapFilePath(session->folders, lapNo)).samples;
    }

    test::TempDir dir;
    std::unique_ptr<Session> session;
    std::vector<synth::SynthFix> fixes;
};

TEST_F(RunFileLapsTest, BonBecomesOneRowOfPassingRecords) {
    synth::RunFileEncodeOptions options;
    options.faults.assign(fixes.size(), synth::RunFault::None);
    options.faults[10] = synth::RunFault::YearBefore1970;
    options.faults[20] = synth::RunFault::SpeedAbove2000;
    options.faults[30] = synth::RunFault::MonthThirteen;
    test::WriteBytes(dir / "morning.bon",
                     synth::EncodeRunFile(fixes, RunFileVariant::Bon, options));
    const LapFileAddResult added = LoadLapFileToGrigBon(*session, dir / "morning.bon");
    ASSERT_TRUE(added.added) << added.error;
    const std::vector<TLapElmRec> lap = Lap(0);
    ASSERT_EQ(lap.size(), fixes.size() - 3);
    EXPECT_EQ(static_cast<Float80>(lap[0].Sec), 0);
    EXPECT_EQ(static_cast<Float80>(lap[5].Dir), 180);
    EXPECT_EQ(lap[5].UseSat, 8);
    EXPECT_NEAR(static_cast<double>(lap[5].Ido), fixes[5].lat, 1e-7);
    // The summed distance is the ground length of the drive.
    double km = 0;
    for (size_t k = 1; k < fixes.size(); ++k) {
        if (k == 10 || k == 11 || k == 20 || k == 21 || k == 30 || k == 31)
            continue;  // steps around the dropped records are measured across them
        km += std::hypot((fixes[k].lat - fixes[k - 1].lat) * 111.134,
                         (fixes[k].lon - fixes[k - 1].lon) * 111.134 *
                             std::cos(fixes[k].lat * 3.14159265358979 / 180));
    }
    EXPECT_NEAR(static_cast<double>(lap.back().Dist), km, 0.01 * km);
    const LapRow& row = session->laps.LapRows[0];
    EXPECT_EQ(row[0], "morning");
    EXPECT_EQ(row[7], "morning");
    EXPECT_EQ(session->laps.LapGroupNo, 1);
}

TEST_F(RunFileLapsTest, BonzDirectionsComeFromTheYawSensor) {
    synth::RunFileEncodeOptions options;
    options.yawZeroDeg = 37;
    test::WriteBytes(dir / "drift.bonz",
                     synth::EncodeRunFile(fixes, RunFileVariant::Bonz, options));
    ASSERT_TRUE(LoadLapFileToGrigBonZ(*session, dir / "drift.bonz").added);
    const std::vector<TLapElmRec> lap = Lap(0);
    ASSERT_EQ(lap.size(), fixes.size());
    // Once calibrated on the first straight, the directions follow the car:
    // compare on the fast part of the lap.
    int compared = 0;
    for (size_t k = lap.size() / 4; k < lap.size() * 3 / 4; ++k) {
        const double truth = synth::PointingDir(fixes[k], 0);
        double diff = std::fabs(static_cast<double>(lap[k].Dir) - truth);
        diff = std::min(diff, 360 - diff);
        EXPECT_LT(diff, 3.0) << k;
        ++compared;
    }
    EXPECT_GT(compared, 100);
}

TEST_F(RunFileLapsTest, DamagedFilesAddNothing) {
    std::vector<uint8_t> bytes = synth::EncodeRunFile(fixes, RunFileVariant::Bon);
    bytes.push_back(0);
    test::WriteBytes(dir / "cut.bon", bytes);
    EXPECT_FALSE(LoadLapFileToGrigBon(*session, dir / "cut.bon").added);

    synth::RunFileEncodeOptions wrongCheck;
    wrongCheck.checkValueError = 1;
    test::WriteBytes(dir / "forged.bon",
                     synth::EncodeRunFile(fixes, RunFileVariant::Bon, wrongCheck));
    EXPECT_FALSE(LoadLapFileToGrigBon(*session, dir / "forged.bon").added);

    test::WriteBytes(dir / "empty.bon", std::vector<uint8_t>(8, 0));
    EXPECT_FALSE(LoadLapFileToGrigBon(*session, dir / "empty.bon").added);
    EXPECT_FALSE(LoadLapFileToGrigBon(*session, dir / "missing.bon").added);
    EXPECT_EQ(session->laps.LapNum(), 0);
    EXPECT_EQ(session->laps.LapGroupNo, 0);
}

}  // namespace
}  // namespace qv
