#!/usr/bin/env bash
# Builds the programs and runs the main job on its built-in default.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
exec build/default/tools/qmtctl/qmtctl demo "$@"
