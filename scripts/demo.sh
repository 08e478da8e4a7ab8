#!/usr/bin/env bash
# Builds the programs and runs the main job on its built-in default: the MIDI driver on the
# simulated platform, playing its bundled session (every model, hot-plug, the lights and a
# reload) to a virtual application. Pass a session script to play that instead.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target qmtmidi qmtctl
exec build/default/driver/qmtmidi/qmtmidi --simulate "$@"
