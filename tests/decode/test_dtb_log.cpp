#include "decode/dtb_log_decoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/session.h"
#include "decode/load_log.h"
#include "support/temp_dir.h"
#include "synth/lap_files.h"

namespace qv {
namespace {

// Two runs of five samples, the second starting two minutes after the first ends.
std::vector<TLapElmRec> TwoRuns() {
    std::vector<synth::LatLon> points;
    for (int i = 0; i < 5; ++i)
        points.push_back({35.0 + i * 1e-4, 139.0 - i * 1e-4});
    std::vector<TLapElmRec> first =
        synth::LapSamplesOfPositions(points, 1.0, EncodeDateTime({2024, 5, 3, 9, 12, 10, 0}));
    std::vector<TLapElmRec> second =
        synth::LapSamplesOfPositions(points, 1.0, EncodeDateTime({2024, 5, 3, 9, 16, 0, 0}));
    first.insert(first.end(), second.begin(), second.end());
    for (size_t i = 0; i < first.size(); ++i) {
        first[i].Dir = 200.25L;
        first[i].Elv = 100.5L + static_cast<int>(i);
        first[i].UseSat = 0x1234;
    }
    return first;
}

class DtbLogTest : public ::testing::Test {
  protected:
    DtbLogTest() : session_(std::make_unique<Session>(25569.0)) {}

    LoadLogResult Open(const std::string& name, const std::vector<uint8_t>& bytes) {
        test::WriteBytes(dir_ / name, bytes);
        return LoadLogFile(*session_, dir_ / name);
    }
    std::vector<uint8_t> Bytes(const std::vector<TLapElmRec>& samples) {
        const auto* p = reinterpret_cast<const uint8_t*>(samples.data());
        return {p, p + samples.size() * sizeof(TLapElmRec)};
    }

    test::TempDir dir_;
    std::unique_ptr<Session> session_;
};

TEST_F(DtbLogTest, RecordsBecomeFixesInRuns) {
    // Leftovers of an earlier log must not show through.
    session_->log.MotionItems[3].gX = 5;
    session_->log.LogItems[3].ms = 500;
    const std::vector<TLapElmRec> samples = TwoRuns();
    const LoadLogResult r = Open("run.DTB", Bytes(samples));
    EXPECT_TRUE(r.supported);
    EXPECT_TRUE(r.sizeOk);
    EXPECT_TRUE(r.proceed);
    EXPECT_TRUE(r.message.empty());
    const LogStore& log = session_->log;
    ASSERT_EQ(log.LogItemNum, 10);
    EXPECT_EQ(session_->diagnostics.Lines().front(), "10 records");
    for (int i = 0; i < 10; ++i) {
        const TLogItem& fix = log.LogItems[i];
        EXPECT_EQ(fix.DtTm, samples[i].DtTm);
        EXPECT_EQ(fix.Ido, static_cast<double>(Float80(samples[i].Ido)));
        EXPECT_EQ(fix.Kdo, static_cast<double>(Float80(samples[i].Kdo)));
        EXPECT_EQ(fix.Elv, 100.5f + i);
        EXPECT_EQ(fix.Spd, static_cast<float>(Float80(samples[i].Spd)));
        EXPECT_EQ(fix.Dir, 200.25f);
        EXPECT_EQ(fix.sat_used, 0x34);
        EXPECT_EQ(fix.sat_view, 0x34);
        EXPECT_EQ(fix.valid, 0);
        EXPECT_EQ(fix.ms, 0);
        EXPECT_FALSE(fix.Act);
        EXPECT_EQ(fix.BlkIdx, i < 5 ? 0 : 1);
        EXPECT_EQ(log.MotionItems[i].gX, 0);
    }
    ASSERT_EQ(log.LogBlockNum(), 2);
    EXPECT_EQ(log.LogBlocks[0].Title, "20240503_0912");
    EXPECT_EQ(log.LogBlocks[1].Title, "20240503_0916");
    EXPECT_EQ(log.LogBlocks[0].RecNum, 5);
    EXPECT_FALSE(log.LogBlocks[1].Act);
}

TEST_F(DtbLogTest, PartialRecordsOpenAsAnEmptyLog) {
    Open("first.dtb", Bytes(TwoRuns()));
    std::vector<uint8_t> bytes = Bytes(TwoRuns());
    bytes.pop_back();
    const LoadLogResult r = Open("cut.dtb", bytes);
    EXPECT_FALSE(r.sizeOk);
    EXPECT_TRUE(r.proceed);
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(session_->log.LogItemNum, 0);
    EXPECT_EQ(session_->log.LogBlockNum(), 0);
    EXPECT_EQ(session_->diagnostics.Lines().front(), "0 records");
}

TEST_F(DtbLogTest, StopsAtTheStoreCapacity) {
    const std::vector<uint8_t> bytes = Bytes(TwoRuns());
    LogStore& log = session_->log;
    log.LogItemNum = MaxLogItemNum - 3;
    DtbLogResult r = DecodeLapRecordsToLogItems(log, bytes);
    EXPECT_EQ(r.storedFixes, 3);
    EXPECT_EQ(r.droppedRecords, 7);
    EXPECT_EQ(log.LogItemNum, MaxLogItemNum);

    test::WriteBytes(dir_ / "a.dtb", bytes);
    log.Reset();
    log.LogItemNum = MaxLogItemNum - 4;
    r = LoadLapFileBinToLogItems(log, dir_ / "a.dtb");
    EXPECT_EQ(r.storedFixes, 4);
    EXPECT_EQ(r.droppedRecords, 6);
    EXPECT_EQ(log.DroppedRecords, 6);
    EXPECT_EQ(log.LogItemNum, MaxLogItemNum);
}

}  // namespace
}  // namespace qv
