#!/usr/bin/env bash
# Makes the README's pictures of the two brands' control panels: each panel started for a
# fresh user on the simulated desktop under a virtual X display (Xvfb), its second row chosen
# so the drop-downs show, and the window taken.
#   bash scripts/asiopanel-screenshots.sh [FOLDER]     (default: /tmp)
# Needs the built panels (build/default) and xvfb, xauth, xdotool, imagemagick.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
folder=$(realpath -m "${1:-/tmp}")
mkdir -p "$folder"
for panel in qmtasioconfig brxasioconfig; do
    [[ -x build/default/asiopanel/qt/$panel ]] ||
        { echo "build the panels first: cmake --build --preset default --target $panel" >&2; exit 1; }
done
for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xauth xdotool imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/session.sh" <<'SESSION'
#!/usr/bin/env bash
# $1 panel program, $2 window title, $3 output file
set -euo pipefail
"$1" --simulate &
panel=$!
for _ in $(seq 50); do
    window=$(xdotool search --name "$2" 2>/dev/null | head -1 || true)
    [[ -n "$window" ]] && break
    sleep 0.2
done
[[ -n "$window" ]] || { echo "no window \"$2\"" >&2; kill "$panel"; exit 1; }
sleep 1
# The second row's "Ch. Group" cell.
xdotool mousemove --window "$window" 177 59 click 1
sleep 1
import -window "$window" "$3"
kill "$panel"
SESSION
for brand in QMT BRX; do
    panel=$(echo "$brand" | tr 'A-Z' 'a-z')asioconfig
    mkdir -p "$work/$brand/run"
    chmod 700 "$work/$brand/run"
    QMT_REGISTRY_DIR="$work/$brand" XDG_RUNTIME_DIR="$work/$brand/run" \
        xvfb-run -a -s "-screen 0 800x600x24" bash "$work/session.sh" \
        "$PWD/build/default/asiopanel/qt/$panel" "$brand ASIO Configuration" "$folder/$panel.png"
    echo "$folder/$panel.png"
done
