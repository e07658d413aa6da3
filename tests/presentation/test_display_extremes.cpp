#include "presentation/display_extremes.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TLapDtRec Lap(Float80 firstIdo, Float80 idoLo, Float80 idoHi, Float80 spdLo, Float80 spdHi,
              Float80 dist, TTime lapTim) {
    TLapDtRec lap;
    lap.Elm.resize(2);
    lap.Elm[0].Ido = firstIdo;
    lap.IdoMin = idoLo;
    lap.IdoMax = idoHi;
    lap.KdoMin = 139.1L;
    lap.KdoMax = 139.2L;
    lap.MinSpd = spdLo;
    lap.MaxSpd = spdHi;
    lap.ElvLo = 10;
    lap.ElvHi = 40;
    lap.LapDist = dist;
    lap.LapTim = lapTim;
    return lap;
}

TEST(LapTimeSeconds, FieldsOfTheTimeValue) {
    EXPECT_EQ(LapTimeSeconds(EncodeTime(0, 1, 35, 250)), 95.25L);
    EXPECT_NEAR(static_cast<double>(LapTimeSeconds(EncodeTime(1, 2, 3, 4))), 3723.004, 1e-9);
    EXPECT_EQ(LapTimeSeconds(0), 0);
}

TEST(DisplayExtremes, WidenOverSlotsAndRecompute) {
    PresentationState state;
    const TLapDtRec a = Lap(35.30L, 35.29L, 35.31L, 40, 150, 4.2L, EncodeTime(0, 1, 35, 0));
    const TLapDtRec b = Lap(35.28L, 35.28L, 35.30L, 55, 171, 4.5L, EncodeTime(0, 1, 42, 500));
    WidenDisplayExtremes(state, a, 0);
    WidenDisplayExtremes(state, b, 1);
    const DisplayExtremes& e = state.extremes;
    EXPECT_EQ(state.mapOrigin, 35.30L);  // only slot A sets it
    EXPECT_EQ(e.IdoMin, 35.28L);
    EXPECT_EQ(e.IdoMax, 35.31L);
    EXPECT_EQ(e.MinSpd, 40);
    EXPECT_EQ(e.MaxSpd, 171);
    EXPECT_EQ(e.LapDist, 4.5L);
    EXPECT_EQ(e.lapTimeSec, 102.5L);

    RecomputeDisplayExtremes(state, {b});
    EXPECT_EQ(state.mapOrigin, 35.28L);
    EXPECT_EQ(e.MinSpd, 55);
    EXPECT_EQ(e.IdoMax, 35.30L);

    RecomputeDisplayExtremes(state, {});
    EXPECT_EQ(state.mapOrigin, 0);
    EXPECT_EQ(e.LapDist, 0);
    EXPECT_EQ(e.MinSpd, 9999.9L);
}

TEST(DisplayExtremes, LapWithoutSamplesLeavesOrigin) {
    PresentationState state;
    state.mapOrigin = 12;
    TLapDtRec empty;
    WidenDisplayExtremes(state, empty, 0);
    EXPECT_EQ(state.mapOrigin, 12);
    EXPECT_EQ(state.extremes.lapTimeSec, 0);
}

}  // namespace
}  // namespace qv
