#!/usr/bin/env bash
# Takes the README's screenshots of the preset editor, one per preset kind, on a virtual
# X server: each opens a factory preset, clicks one control on the picture (selected: blue)
# and points at another (hovered: its assignments in the information text). Needs a built
# qmtmidiconfig, xvfb-run, xdotool and ImageMagick.
#
#   bash scripts/midiconfig-screenshots.sh [BUILD-FOLDER]     # writes docs/qmtmidiconfig-*.png
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# The shots run on a virtual X server of their own.
if [[ -z ${QMT_SCREENSHOT_DISPLAY:-} ]]; then
    QMT_SCREENSHOT_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$@"
fi
program=${1:-build/default}/midiconfig/qmtmidiconfig
[[ -x $program ]] || { echo "build qmtmidiconfig first ($program)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/registry"

# shoot OUT PRESET [click X Y | move X Y]...: positions relative to the window's top left.
shoot() {
    local out=$1 preset=$2
    shift 2
    QMT_REGISTRY_DIR="$work/registry" "$program" --edit "$preset" &
    local pid=$! window=""
    for _ in $(seq 50); do
        window=$(xdotool search --onlyvisible --name "Preset Editor" 2>/dev/null | head -1) || true
        [[ -n $window ]] && break
        sleep 0.2
    done
    [[ -n $window ]] || { kill $pid; echo "no editor window for $preset" >&2; return 1; }
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    while (($#)); do
        xdotool mousemove $((X + $2)) $((Y + $3))
        [[ $1 == click ]] && xdotool click 1
        shift 3
        sleep 0.4
    done
    sleep 0.5
    import -window root "$work/screen.png"
    # 160 colours keep the pictures' tints and the small print, at a third of the size.
    convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage +dither -colors 160 \
        "PNG8:$out"
    kill $pid
    wait $pid || true
}

shots() {
    local examples=examples
    cp "$examples/TraktorPro 1.2 - KV10 KV5.kvp" "$work/kv.kvp"
    cp "$examples/TraktorPro 1.2 - ARDO.kap" "$work/ardo.kap"
    cp "$examples/TraktorPro 1.2 - ARDO RAW PROTO 2009.krp" "$work/proto.krp"
    cp "$examples/TraktorPro 1.2 - ARDO RAW.kqp" "$work/raw.kqp"
    # KVP: the wheel (relative: value range and threshold), pointing at "Cue".
    shoot docs/qmtmidiconfig-kvp.png "$work/kv.kvp" click 176 255 move 139 280
    # KAP: "Cue" with its shifted assignment ("Stop" marked red), pointing at "Play".
    shoot docs/qmtmidiconfig-kap.png "$work/ardo.kap" click 105 483 move 166 483
    # KRP: the crossfader (absolute: threshold only), pointing at "Cue".
    shoot docs/qmtmidiconfig-krp.png "$work/proto.krp" click 282 266 move 137 483
    # KQP: a velocity pad (the pad gives the velocity), pointing at the next pad.
    shoot docs/qmtmidiconfig-kqp.png "$work/raw.kqp" click 111 344 move 167 344
}

shots
ls -l docs/qmtmidiconfig-*.png
