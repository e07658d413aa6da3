#pragma once
// The track map: polylines outlining a circuit (typically its inner and
// outer edge), a drawing aid that no timing depends on.

#include <vector>

#include "core/ext80.h"

namespace qv {

struct TPathElmRec {
    Float80 Ido = 0;  // latitude
    Float80 Kdo = 0;  // longitude
};

struct TPathRec {
    std::vector<TPathElmRec> Elm;
    int ElmNum() const { return static_cast<int>(Elm.size()); }
};

struct TrackMapStore {
    std::vector<TPathRec> TrackMap;
    int TrackMapNum() const { return static_cast<int>(TrackMap.size()); }
};

}  // namespace qv
