#!/bin/sh
# `cmake --install` of the packaging files into a staging folder: every file lands in its
# usual place and the machine hive points at the installed presets.
#   install-test.sh BUILD_DIR
set -eu
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR=$stage cmake --install "$build" --prefix /usr --component qmt_midi >/dev/null
DESTDIR=$stage cmake --install "$build" --prefix /usr --component qmt_machine_hive >/dev/null

[ -f "$stage/usr/lib/udev/rules.d/60-qmt-controllers.rules" ] || fail "udev rule missing"
grep -q 'KERNELS=="0003:F7E1:\*", TAG+="uaccess", GROUP="audio"' "$stage/usr/lib/udev/rules.d/60-qmt-controllers.rules" ||
    fail "udev rule does not give the controllers to the seat and the group audio"
unit="$stage/usr/lib/systemd/user/qmtmidi.service"
[ -f "$unit" ] || fail "user unit missing"
grep -qx 'ExecStart=/usr/bin/qmtmidi' "$unit" || fail "unit does not start /usr/bin/qmtmidi"
grep -qx 'Restart=on-failure' "$unit" || fail "unit is not restarted on failure"
ls "$stage/usr/share/qmt/presets/"*.kap >/dev/null 2>&1 || fail "factory presets missing"
ls "$stage/usr/share/qmt/mappings/"*.kdm >/dev/null 2>&1 || fail "factory mapping missing"
hive="$stage/etc/qmt/machine.reg"
grep -qxF '"Preset Path"="/usr/share/qmt/presets"' "$hive" || fail "Preset Path not set"
grep -qxF '"Mapping Path"="/usr/share/qmt/mappings"' "$hive" || fail "Mapping Path not set"

# The agent beside the driver, in the application menu, and never started on its own.
if [ -x "$build/midiagent/qt/qmtmidiagent" ]; then
    [ -x "$stage/usr/bin/qmtmidiagent" ] || fail "qmtmidiagent not installed beside qmtmidi"
    entry="$stage/usr/share/applications/qmtmidiagent.desktop"
    grep -qx 'Exec=qmtmidiagent' "$entry" || fail "application menu entry missing"
    [ -f "$stage/usr/share/icons/hicolor/scalable/apps/qmtmidiagent.svg" ] || fail "icon missing"
fi
# The configuration program in the application menu.
if [ -x "$build/midiconfig/qmtmidiconfig" ]; then
    [ -x "$stage/usr/bin/qmtmidiconfig" ] || fail "qmtmidiconfig not installed"
    grep -qx 'Exec=qmtmidiconfig' "$stage/usr/share/applications/qmtmidiconfig.desktop" ||
        fail "configuration program's menu entry missing"
    [ -f "$stage/usr/share/icons/hicolor/scalable/apps/qmtmidiconfig.svg" ] ||
        fail "configuration program's icon missing"
fi
if [ -e "$stage/etc/xdg/autostart" ]; then fail "something is installed to start at log-in"; fi

[ "$failures" -eq 0 ] && echo "install: all passed"
exit "$failures"
