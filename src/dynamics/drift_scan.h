#pragma once
// Drift evaluation of every sector of a drift run: extreme and mean angles,
// the drift state and the score. The sectors are cut by the same gate
// passages as the sector times, whose speeds the scores use.

#include <span>
#include <string>

#include "core/records.h"
#include "geometry/sector_gates.h"
#include "geometry/sector_results.h"

namespace qv {

// x to one decimal, truncated toward zero: 57.49 gives 57.4, -3.17 gives -3.1.
Float80 TruncScore(Float80 x);

// Fills the drift fields of `res` for the lap's sectors. The timing fields
// SectMaxSpd, SectMinSpd and SectAveSpd must already hold the lap's sector
// timing. Sectors the lap never reaches stay cleared (state none, indices
// -1). Without gates `res` is left as it was. `drift` holds the lap's
// DAngle, one per sample; a lap whose drift array does not match its
// samples is not evaluated.
void CalcSectorDrift(std::span<const TLapElmRec> samples, std::span<const TDriftRec> drift,
                     const GateTable& gates, SectRes& res);

// The slot form: the lap's samples and DElm.
void CalcSectorDrift(const TLapDtRec& lap, const GateTable& gates, SectRes& res);

// The state column text of the drift table: `rate` "%.1f" followed by
// " (INIT)" or " (TRANS)", "-.- (MAINT)" for a maintained drift and
// "-.- (--)" for none.
std::string DriftStateText(int32_t state, Float80 rate);

}  // namespace qv
