#!/usr/bin/env bash
# Makes the README's pictures of the configuration program: a virtual X display (Xvfb) with
# a window manager (openbox), qmtmidiconfig on the simulated desktop for a fresh user whose
# folders hold the factory presets and mapping; the main window, then the preset list's
# context menu, then the rename dialog refusing a name that is taken.
#   bash scripts/config-screenshots.sh [OUTPUT_FOLDER]     (default: docs/)
# Needs the built program (build/default) and xvfb, xauth, openbox, xdotool, imagemagick.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
out=$(realpath -m "${1:-docs}")
program=$PWD/build/default/midiconfig/qmtmidiconfig
[[ -x "$program" ]] || { echo "build it first: cmake --build --preset default --target qmtmidiconfig" >&2; exit 1; }
for tool in xvfb-run openbox xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xauth openbox xdotool imagemagick)" >&2; exit 1; }
done
mkdir -p "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run" "$work/registry" "$work/presets" "$work/mappings"
chmod 700 "$work/run"
cp examples/*.kvp examples/*.kap examples/*.kqp "$work/presets/"
cp examples/*.kdm "$work/mappings/"
cp "examples/TraktorPro 1.2 - ARDO.kap" "$work/presets/Club Night - ARDO.kap"
sh packaging/set-machine-registry.sh "$work/registry/machine.reg" \
    "Preset Path=$work/presets" "Mapping Path=$work/mappings" \
    "Selected Mapping=$work/mappings/TraktorPro 1.2 - Single Controller.kdm"

cat >"$work/session.sh" <<SESSION
#!/usr/bin/env bash
set -u
export HOME=$work/home XDG_RUNTIME_DIR=$work/run QMT_REGISTRY_DIR=$work/registry QMT_SIMULATE=1
openbox >/dev/null 2>&1 &
sleep 1
"$program" >/dev/null 2>&1 &
win=
for i in \$(seq 100); do
    win=\$(xdotool search --onlyvisible --name 'QMT MIDI Configuration' 2>/dev/null | head -1)
    [[ -n "\$win" ]] && break
    sleep 0.2
done
[[ -n "\$win" ]] || { echo "the main window did not appear" >&2; exit 1; }
sleep 1
shot() { import -window root "\$1"; convert "\$1" -fuzz 2% -trim +repage "\$1"; }
shot "$out/qmtmidiconfig-main.png"

# The list's context menu on the second preset: the list starts at (300, 13) dialog units
# of the 453-unit-wide client area.
eval \$(xdotool getwindowgeometry --shell "\$win")
unit=\$(echo "\$WIDTH / 453" | bc -l)
lx=\$(printf '%.0f' \$(echo "330 * \$unit" | bc -l))
ly=\$(printf '%.0f' \$(echo "20 + 34 * \$unit" | bc -l))
xdotool mousemove --window "\$win" "\$lx" "\$ly" click 3
sleep 1
shot "$out/qmtmidiconfig-preset-menu.png"
xdotool key r   # "&Rename", to a name another Ardo preset has
sleep 1
xdotool type "Club Night - ARDO"
sleep 0.5
shot "$out/qmtmidiconfig-rename.png"
xdotool key Escape
sleep 0.5
xdotool key Escape
sleep 0.5
SESSION
chmod +x "$work/session.sh"
xvfb-run -a -s "-screen 0 1100x620x24" "$work/session.sh"
echo "pictures in $out"
