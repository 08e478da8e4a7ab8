#!/usr/bin/env bash
# A new user's first mapping, on the simulated desktop under a virtual X display: the agent's
# first start gives the user folders and a selection; the simulated driver runs with a KV10
# and an ARDO plugged; in qmtmidiconfig the user starts a new mapping, chooses presets and
# channels for both controllers and saves it as "My Two"; in the agent's tray menu the user
# selects "My Two"; the driver reloads, sends the state on the chosen channels (4 and 5 for
# the ARDO, 6 for the KV10), and the KV10's "Play" button then sends on channel 6. Prints
# the driver's output and leaves a picture of the main window.
#   bash scripts/config-tryout.sh [PICTURE.png]
# Needs the built programs (build/default) and xvfb, xauth, openbox, tint2, xdotool,
# imagemagick, bc.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
picture=$(realpath -m "${1:-/tmp/qmtmidiconfig-tryout.png}")
build=$PWD/build/default
for program in midiconfig/qmtmidiconfig midiagent/qt/qmtmidiagent driver/qmtmidi/qmtmidi; do
    [[ -x "$build/$program" ]] || { echo "build $program first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run" "$work/registry" "$work/factory"
chmod 700 "$work/run"
# The factory folder stands in for the installed share/qmt.
cp examples/*.kvp examples/*.kap examples/*.krp examples/*.kqp examples/*.kdm "$work/factory/"
sh packaging/set-machine-registry.sh "$work/registry/machine.reg" \
    "Preset Path=$work/factory" "Mapping Path=$work/factory"
# The KV10's "Play" (bit 22 of the button word) goes down and up at 60 s, after the reload.
cat >"$work/session.txt" <<'S'
plug kv10 KV10-A
plug ardo ARDO-A
use KV10-A
report 59000 00 00 00 00 00 00 80 00 00 00 00
report 60000 00 00 00 00 00 00 80 00 00 40 00
report 60100 00 00 00 00 00 00 80 00 00 00 00
idle 61000
S

cat >"$work/session.sh" <<SESSION
#!/usr/bin/env bash
set -eu
export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/home/.local/share \
    QMT_REGISTRY_DIR=$work/registry QMT_SIMULATE=1
openbox >/dev/null 2>&1 &
tint2 >/dev/null 2>&1 &
"$build/midiagent/qt/qmtmidiagent" /select
"$build/driver/qmtmidi/qmtmidi" "$work/session.txt" >"$work/driver.log" 2>&1 &
"$build/midiagent/qt/qmtmidiagent" >/dev/null 2>&1 &
"$build/midiconfig/qmtmidiconfig" >/dev/null 2>&1 &
find() { for i in \$(seq 100); do w=\$(xdotool search --onlyvisible --name "\$1" 2>/dev/null | head -1);
         [[ -n "\$w" ]] && { echo \$w; return; }; sleep 0.2; done; echo "no window \$1" >&2; exit 1; }
win=\$(find 'QMT MIDI Configuration')
sleep 1
xdotool windowactivate --sync "\$win"
eval \$(xdotool getwindowgeometry --shell "\$win")
# Pixels per dialog unit: the client area is 453 × 203 units below a 22-pixel menu bar.
xunit=\$(echo "\$WIDTH / 453" | bc -l)
yunit=\$(echo "(\$HEIGHT - 22) / 203" | bc -l)
at() { xdotool mousemove --window "\$win" \$(printf '%.0f' \$(echo "\$1 * \$xunit" | bc -l)) \
                         \$(printf '%.0f' \$(echo "22 + \$2 * \$yunit" | bc -l)); }
# A list at (x, y) dialog units: open it, go down n entries, choose.
choose() { at \$1 \$2; xdotool click 1; sleep 0.4; for i in \$(seq \$3); do xdotool key Down; done;
           xdotool key Return; sleep 0.3; }
xdotool key alt+f n          # File, New mapping
sleep 0.5
# Rows by serial: ARDO-A first, KV10-A second (56 units each) in the panel at (12, 13).
choose 123 30 1              # ARDO-A orange: the ARDO preset
choose 123 55 3              # ARDO-A orange: channel 4
choose 219 30 1              # ARDO-A green: the ARDO preset
choose 219 55 4              # ARDO-A green: channel 5
choose 219 86 1              # KV10-A: the KV5 & KV10 preset
choose 219 111 5             # KV10-A: channel 6
xdotool key alt+f a          # File, Save mapping as
dialog=\$(find 'Save mapping')
sleep 0.5
xdotool type "My Two"
xdotool key Return
sleep 1
import -frame -window "\$win" "$work/screen.png"
# The agent's tray menu: "My Two" is its first entry.
icon=\$(xdotool search --onlyvisible --class qmtmidiagent | head -1)
eval "\$(xdotool getwindowgeometry --shell "\$icon")"
xdotool mousemove \$((X + WIDTH / 2)) \$((Y + HEIGHT / 2)) click 3
sleep 1
xdotool key Down Return
sleep 62
SESSION
chmod +x "$work/session.sh"
xvfb-run -a -s "-screen 0 1100x700x24" "$work/session.sh" || true
convert "$work/screen.png" -fuzz 2% -trim +repage "$picture"
echo "--- the user's mapping:"; ls "$work/home/.local/share/qmt/mappings/"
echo "--- the driver's output:"; cat "$work/driver.log"
echo "picture: $picture"
