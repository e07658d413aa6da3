#!/usr/bin/env bash
# Downloads from the simulated logger under random fault mixes (lost,
# corrupt, glued, late up to 1.5 s, duplicated replies and blocks, pieces
# missing), one QV4, one QV3 and one generic download at once per round.
# Each must end with the flash byte for byte or with the program's failure
# message and no file; the counts of both are printed at the end. Not part
# of `make test`, which runs one round.
#   soak-download.sh [ROUNDS [SEED]]     (BUILD=build by default)
set -euo pipefail
rounds=${1:-30}
seed=${2:-$RANDOM}
build=${BUILD:-build}
[[ -f $build/CMakeCache.txt ]] ||
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BENCH=OFF -DQUORVANE_UI=OFF
cmake --build "$build" -j2 --target test_device quorvane-simlogger
echo "soak: $rounds rounds, seed $seed"
QUORVANE_SOAK_ROUNDS=$rounds QUORVANE_SOAK_SEED=$seed "$build/tests/test_device" \
    --gtest_filter='DeviceDownload.RandomFaultMixesEndWholeOrToldAndUnsaved'
