#!/usr/bin/env bash
# Builds the programs and runs the main job on its built-in default: the factory mapping
# loaded as the driver loads it, and a recorded session of every model played through the
# decoders, the action engine and the lights (`qmtctl translate`).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target qmtctl
qmtctl=build/default/tools/qmtctl/qmtctl
mapping="examples/TraktorPro 1.2 - Single Controller.kdm"

"$qmtctl" mapping show "$mapping" --preset-path examples
for model in kv10 kv5 ardo ardo-raw-proto-2009 ardo-raw; do
    echo
    echo "== $model: examples/sessions/$model.txt"
    "$qmtctl" translate --model "$model" --mapping "$mapping" --preset-path examples \
        "examples/sessions/$model.txt"
done
