#!/bin/sh
# `cmake --install` of the ASIO driver into a staging folder: both brands' libraries land in
# the programs' private library folder (off the linker's path), and the machine hive lists them where hosts look (qmtasiohost --list
# reads them back).
#   asio-install-test.sh BUILD_DIR QMTASIOHOST
set -eu
build=$1
host=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR=$stage cmake --install "$build" --prefix /usr --component qmt_asio >/dev/null
DESTDIR=$stage cmake --install "$build" --prefix /usr --component qmt_machine_hive >/dev/null

for library in libqmtasio.so libbrxasio.so; do
    [ -f "$stage/usr/lib/qmt/$library" ] || fail "$library missing from /usr/lib/qmt"
done
[ -x "$stage/usr/bin/qmtasiohost" ] || fail "qmtasiohost missing"
# The desktop front end (built where libpipewire is) comes with its user unit naming it.
if [ -x "$stage/usr/bin/qmtasio-pipewire" ]; then
    unit="$stage/usr/lib/systemd/user/qmtasio-pipewire.service"
    grep -qxF 'ExecStart=/usr/bin/qmtasio-pipewire' "$unit" || fail "front end unit missing"
fi
hive="$stage/etc/qmt/machine.reg"
grep -qF '[HKEY_LOCAL_MACHINE\Software\ASIO\QMT ASIO]' "$hive" || fail "QMT ASIO not listed"
grep -qF '[HKEY_LOCAL_MACHINE\Software\ASIO\BRX ASIO]' "$hive" || fail "BRX ASIO not listed"
grep -qF '"Description"="QMTASIO"' "$hive" || fail "description missing"
grep -qx '@="/usr/lib/qmt/libqmtasio.so"' "$hive" || fail "class library missing"
grep -qF '[HKEY_LOCAL_MACHINE\Software\QMT\QMTASIO]' "$hive" || fail "install folder key missing"
grep -qxF '@="/usr/bin"' "$hive" || fail "install folder missing"

# A host reads the entries back from that hive.
mkdir "$stage/registry"
cp "$hive" "$stage/registry/machine.reg"
listing=$(QMT_REGISTRY_DIR="$stage/registry" "$host" --list)
echo "$listing" | grep -q '^QMT ASIO$' || fail "host does not list QMT ASIO: $listing"
echo "$listing" | grep -q 'library /usr/lib/qmt/libbrxasio.so' || fail "host misses the BRX library"

# The control panels where the driver starts them from, and in the application menu.
if [ -x "$build/asiopanel/qt/qmtasioconfig" ]; then
    for panel in qmtasioconfig brxasioconfig; do
        [ -x "$stage/usr/bin/$panel" ] || fail "$panel not in the install folder"
        grep -qx "Exec=$panel" "$stage/usr/share/applications/$panel.desktop" ||
            fail "$panel menu entry missing"
        [ -f "$stage/usr/share/icons/hicolor/scalable/apps/$panel.svg" ] || fail "$panel icon missing"
    done
fi

[ "$failures" -eq 0 ] && echo "asio install: all passed"
exit "$failures"
