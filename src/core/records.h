#pragma once
// The records every subsystem passes around: fixes, logging runs, motion
// values, lap samples and loaded laps.

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "core/date_time.h"
#include "core/ext80.h"

namespace qv {

// One decoded GPS fix. Speed is km/h, elevation m, positions degrees.
struct TLogItem {
    TDateTime DtTm = 0;  // local time, milliseconds included
    uint16_t valid = 0;
    double Ido = 0;  // latitude
    double Kdo = 0;  // longitude
    float Elv = 0;
    float Spd = 0;
    float Dir = 0;  // decoders leave 0; computed when a lap is loaded
    uint8_t sat_used = 0;
    uint8_t sat_view = 0;
    uint16_t ms = 0;
    bool Act = false;  // belongs to a ticked log block
    int32_t BlkIdx = 0;
};
static_assert(std::is_trivially_copyable_v<TLogItem>);

// One logging run of the open log.
struct TLogBlock {
    TDateTime DtTm = 0;  // first fix
    std::string Title;   // "YYYYMMDD_HHNN" of the first fix until renamed
    bool Act = false;
    int32_t RecNum = 0;
};

// Motion-sensor values of one fix; zero except for compressed run files.
struct TMotionSens {
    double yawX = 0, yawY = 0, yawZ = 0;
    double vX = 0, vY = 0, vZ = 0;
    double gX = 0, gY = 0, gZ = 0;
    double Pitch = 0, Roll = 0, Yaw = 0;
};
static_assert(sizeof(TMotionSens) == 96 && std::is_trivially_copyable_v<TMotionSens>);

// One lap sample. Its memory layout is the 128-byte record of lap data
// files, so a file is read and written as an array of these.
struct TLapElmRec {
    TDateTime DtTm = 0;  // local time of the sample
    TTime Tm = 0;        // since the lap start, days
    Ext80 Sec;           // since the lap start, seconds
    uint8_t reserved0[6] = {};
    Ext80 Ido;
    uint8_t reserved1[6] = {};
    Ext80 Kdo;
    uint8_t reserved2[6] = {};
    Ext80 Elv;  // m
    uint8_t reserved3[6] = {};
    Ext80 Spd;  // km/h
    uint8_t reserved4[6] = {};
    Ext80 Dir;  // degrees, north 180, east 270
    uint8_t reserved5[6] = {};
    Ext80 Dist;  // km since the lap start
    uint8_t reserved6[2] = {};
    int32_t UseSat = 0;  // little-endian on every supported platform
};
static_assert(sizeof(TLapElmRec) == 128);
static_assert(offsetof(TLapElmRec, DtTm) == 0);
static_assert(offsetof(TLapElmRec, Tm) == 8);
static_assert(offsetof(TLapElmRec, Sec) == 16);
static_assert(offsetof(TLapElmRec, reserved0) == 26);
static_assert(offsetof(TLapElmRec, Ido) == 32);
static_assert(offsetof(TLapElmRec, reserved1) == 42);
static_assert(offsetof(TLapElmRec, Kdo) == 48);
static_assert(offsetof(TLapElmRec, reserved2) == 58);
static_assert(offsetof(TLapElmRec, Elv) == 64);
static_assert(offsetof(TLapElmRec, reserved3) == 74);
static_assert(offsetof(TLapElmRec, Spd) == 80);
static_assert(offsetof(TLapElmRec, reserved4) == 90);
static_assert(offsetof(TLapElmRec, Dir) == 96);
static_assert(offsetof(TLapElmRec, reserved5) == 106);
static_assert(offsetof(TLapElmRec, Dist) == 112);
static_assert(offsetof(TLapElmRec, reserved6) == 122);
static_assert(offsetof(TLapElmRec, UseSat) == 124);
static_assert(std::is_trivially_copyable_v<TLapElmRec>);

// Per-sample turn radius (m) and G, derived when a lap is loaded into a slot.
// Computed in double: no file holds them, and the extended type costs
// several times as much in the per-sample stages.
struct TGCalRec {
    double spd2 = 0;      // km/h
    int32_t rl = 0;       // +1 turning left, -1 turning right, 0 at the lap ends
    double X = 0, Y = 0;  // m east / north of the first smoothed position
    double r = 0, r1 = 0, r2 = 0;
    double lateG = 0, logiG = 0;
    double r2_3 = 0, lateG3 = 0, logiG3 = 0;
    double XYG = 0;
};

// Per-sample travel heading from positions and smoothed drift angle, degrees.
struct TDriftRec {
    double GpsDir = 0;
    double DAngle = 0;
};

// Statistics start values before a lap's samples are accumulated.
inline constexpr Float80 kMinSpdStart = 9999.9L;
inline constexpr Float80 kElvLoStart = 9999.9L;
inline constexpr Float80 kElvHiStart = -999.9L;

// One lap loaded into a lap slot (slot A is the reference lap).
struct TLapDtRec {
    std::string DtName;
    int32_t ElmNum = 0;
    std::vector<TLapElmRec> Elm;
    TTime LapTim = 0;
    Float80 LapDist = 0;
    Float80 MaxSpd = 0, MinSpd = kMinSpdStart, AveSpd = 0;
    Float80 IdoMin = 90, IdoMax = -90, KdoMin = 180, KdoMax = -180;
    Float80 ElvLo = kElvLoStart, ElvHi = kElvHiStart;
    std::vector<TGCalRec> GElm;
    // The file had no headings and they were walked from the positions at
    // load time: they are the travel headings, so no drift angle exists.
    bool dirFromTrack = false;
    bool driftAct = false;
    std::vector<TDriftRec> DElm;
};

// Companion of one lap-list row.
struct TLapStrLstRec {
    Float80 Sec = 0;  // lap time, s
    Float80 MaxSpd = 0;
    // ± around Sec at about 95 % confidence; negative when not known (laps
    // loaded from files).
    Float80 lapTimeUncertaintyMs = -1;
};

// The bounding box of the active fixes.
struct TLogRect {
    Float80 IdoMin = 90, IdoMax = -90, KdoMin = 180, KdoMax = -180;
};

}  // namespace qv
