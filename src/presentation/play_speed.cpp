#include "presentation/play_speed.h"

namespace qv {

Float80 PlayFactor(PlaySpeed speed) {
    switch (speed) {
        case PlaySpeed::kHalf:
            return 0.5L;
        case PlaySpeed::kX1:
            return 1;
        case PlaySpeed::kX2:
            return 2;
        case PlaySpeed::kX4:
            return 4;
        case PlaySpeed::kX8:
            return 8;
    }
    return 1;
}

Float80 FrameStep(PlaySpeed speed) {
    // A step is a tenth of a second of lap time at real speed.
    return PlayFactor(speed) / 10;
}

}  // namespace qv
