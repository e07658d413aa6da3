#!/usr/bin/env bash
# Starts the window with a simulated QV4 logger on a pseudo-terminal, so that
# the "GPS Device" page has a logger to talk to; a real logger on a USB port
# is found as well. The simulator ends with the window.
#   run-window.sh BUILD_DIR [window arguments...]
set -euo pipefail
build=$1
shift
synth=$build/tools/synth/quorvane-synth
sim=$build/tools/simlogger/quorvane-simlogger
window=$build/src/ui/quorvane
image=$build/demo-home/logger-flash.img
mkdir -p "$(dirname "$image")"
[[ -s $image ]] || "$synth" flash qv4 "$image" >/dev/null

# The simulator serves until its standard input closes: keep a pipe to it.
coproc SIM { exec "$sim" --model qv4 --image "$image"; }
trap 'kill "$SIM_PID" 2>/dev/null || true' EXIT
read -r -t 30 port <&"${SIM[0]}" || { echo "run-window: the simulated logger did not start" >&2; exit 1; }
echo "Simulated logger on $port (GPS Device page)"
QUORVANE_PORTS=${QUORVANE_PORTS:+$QUORVANE_PORTS:}$port "$window" "$@"
