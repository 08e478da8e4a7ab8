#!/usr/bin/env bash
# Takes the README's screenshots of the preset editor, one per preset kind, on a virtual
# X server: each opens a factory preset, clicks one control on the picture (selected: blue)
# and points at another (hovered: its assignments in the information text); one more shows
# live input on the simulated desktop. Needs a built
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
# PRESET "--simulate KIND" opens a new preset of KIND on the simulated desktop instead and
# waits for its script to touch a few controls.
shoot() {
    local out=$1 preset=$2 settle=1
    shift 2
    if [[ $preset == --simulate* ]]; then
        QMT_REGISTRY_DIR="$work/registry" "$program" --simulate --new "${preset#--simulate }" &
        settle=9
    else
        QMT_REGISTRY_DIR="$work/registry" "$program" --edit "$preset" &
    fi
    local pid=$! window=""
    for _ in $(seq 50); do
        window=$(xdotool search --onlyvisible --name "Preset Editor" 2>/dev/null | head -1) || true
        [[ -n $window ]] && break
        sleep 0.2
    done
    [[ -n $window ]] || { kill $pid; echo "no editor window for $preset" >&2; return 1; }
    sleep $settle
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
    shoot docs/qmtmidiconfig-kvp.png "$work/kv.kvp" click 253 311 move 139 281
    # KAP: "Cue" with its shifted assignment ("Stop" marked red), pointing at "Play".
    shoot docs/qmtmidiconfig-kap.png "$work/ardo.kap" click 106 483 move 166 483
    # KRP: the crossfader (absolute: threshold only), pointing at "Cue".
    shoot docs/qmtmidiconfig-krp.png "$work/proto.krp" click 282 267 move 138 483
    # KQP: a velocity pad (the pad gives the velocity), pointing at the next pad.
    shoot docs/qmtmidiconfig-kqp.png "$work/raw.kqp" click 111 345 move 167 345
    # Live input: the simulated ARDO's controls touched one after the other select themselves.
    shoot docs/qmtmidiconfig-live.png "--simulate KAP"
}

shots
ls -l docs/qmtmidiconfig-*.png
