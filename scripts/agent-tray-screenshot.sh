#!/usr/bin/env bash
# Makes the README's picture of the agent's tray menu: a virtual X display (Xvfb) with a
# tray host (tint2), the agent started for a fresh user on the simulated desktop, a right
# click on its icon and the pointer on the group of the selected mapping.
#   bash scripts/agent-tray-screenshot.sh [OUTPUT.png]     (default: a file in /tmp)
# Needs the built agent (build/default) and xvfb, xauth, tint2, xdotool, imagemagick.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
output=$(realpath -m "${1:-/tmp/qmtmidiagent-tray.png}")
agent=$PWD/build/default/midiagent/qt/qmtmidiagent
[[ -x "$agent" ]] || { echo "build the agent first: cmake --build --preset default --target qmtmidiagent" >&2; exit 1; }
for tool in xvfb-run tint2 xdotool import; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xauth tint2 xdotool imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run" "$work/registry" "$work/factory"
chmod 700 "$work/run"
# The factory folder stands in for the installed share/qmt: the factory files and a few
# more mappings, so the menu shows a group.
cp examples/*.kvp examples/*.kap examples/*.krp examples/*.kqp examples/*.kdm "$work/factory/"
for name in "TraktorPro 1.2 - Two Controllers" "Mixxx 2.4 - Club" "Mixxx 2.4 - Bedroom" "Rehearsal"; do
    cp "examples/TraktorPro 1.2 - Single Controller.kdm" "$work/factory/$name.kdm"
done
sh packaging/set-machine-registry.sh "$work/registry/machine.reg" \
    "Preset Path=$work/factory" "Mapping Path=$work/factory"

cat >"$work/session.sh" <<SESSION
#!/usr/bin/env bash
export HOME=$work/home XDG_RUNTIME_DIR=$work/run QMT_REGISTRY_DIR=$work/registry QMT_SIMULATE=1
tint2 >/dev/null 2>&1 &
# tint2 waits a few seconds for a window manager before it shows its panel.
for i in \$(seq 100); do xdotool search --name '^tint2\$' >/dev/null 2>&1 && break; sleep 0.2; done
"$agent" &
icon=
for i in \$(seq 100); do
    icon=\$(xdotool search --onlyvisible --class qmtmidiagent 2>/dev/null | head -1)
    [[ -n "\$icon" ]] && break
    sleep 0.2
done
[[ -n "\$icon" ]] || { echo "the icon did not appear in the tray" >&2; exit 1; }
eval "\$(xdotool getwindowgeometry --shell "\$icon")"
xdotool mousemove \$((X + WIDTH / 2)) \$((Y + HEIGHT / 2)) click 3
sleep 1
# The menu opens above the icon: its third item is the "TraktorPro 1.2" group.
menu=\$(xdotool search --onlyvisible --class qmtmidiagent | while read w; do
    eval "\$(xdotool getwindowgeometry --shell \$w)"; [[ \$HEIGHT -gt 100 ]] && echo \$w; done | head -1)
eval "\$(xdotool getwindowgeometry --shell "\$menu")"
xdotool mousemove \$((X + 60)) \$((Y + 62))
sleep 1
import -window root "$work/screen.png"
kill %2 %1
SESSION
chmod +x "$work/session.sh"
xvfb-run -a -s "-screen 0 800x480x24" "$work/session.sh"
# The bottom right corner: the menus and the tray; 64 colours keep the file small.
convert "$work/screen.png" -gravity SouthEast -crop 320x160+0+0 +repage -colors 64 "$output"
echo "wrote $output"
