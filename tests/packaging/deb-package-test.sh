#!/bin/sh
# Builds the Debian package from a configured build tree with cpack and checks what a user
# installs: every built program with its companions, dependencies computed from the binaries,
# maintainer scripts that reload udev and leave users' files alone, and no lintian errors.
#   deb-package-test.sh BUILD_DIR
# Exit status 77 (skipped) where dpkg's tools are missing.
set -eu
build=$(cd "$1" && pwd)
for tool in dpkg-deb dpkg-shlibdeps cpack; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (dpkg-dev)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack did not build the package"
    exit 1
fi
deb=$(ls "$work"/out/qmt_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: no qmt_*.deb"; exit 1; }
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
root=$work/root

# A program is expected in the package exactly when this build tree made it.
built() { [ -n "$(find "$build" -maxdepth 3 -type f -name "$1" -perm -u+x 2>/dev/null | head -n 1)" ]; }
for program in qmtmidi qmtctl qmtmidiagent qmtmidiconfig qmtasiohost qmtasioconfig brxasioconfig \
    qmtasio-pipewire; do
    built "$program" || continue
    [ -x "$root/usr/bin/$program" ] || fail "/usr/bin/$program missing"
    [ -f "$root/usr/share/man/man1/$program.1.gz" ] || fail "manual page of $program missing"
done
for desktop in qmtmidiagent qmtmidiconfig qmtasioconfig brxasioconfig; do
    built "$desktop" || continue
    [ -f "$root/usr/share/applications/$desktop.desktop" ] || fail "$desktop.desktop missing"
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/$desktop.svg" ] || fail "$desktop icon missing"
done
if built libqmtasio.so; then
    for file in libqmtasio.so libbrxasio.so qmtasio-register; do
        [ -f "$root/usr/lib/qmt/$file" ] || fail "/usr/lib/qmt/$file missing"
    done
fi
[ -x "$root/usr/lib/qmt/set-machine-registry.sh" ] || fail "the hive writer is missing"
rule=$root/usr/lib/udev/rules.d/60-qmt-controllers.rules
grep -q 'KERNELS=="0003:F7E1:\*".*GROUP="audio", MODE="0660"' "$rule" || fail "udev rule missing or wrong"
grep -qx 'ExecStart=/usr/bin/qmtmidi' "$root/usr/lib/systemd/user/qmtmidi.service" ||
    fail "qmtmidi's user unit missing or not naming /usr/bin/qmtmidi"
if built qmtasio-pipewire; then
    grep -qx 'ExecStart=/usr/bin/qmtasio-pipewire' "$root/usr/lib/systemd/user/qmtasio-pipewire.service" ||
        fail "the front end's user unit is missing"
fi
ls "$root"/usr/share/qmt/presets/*.kap >/dev/null 2>&1 || fail "factory presets missing"
[ -f "$root/usr/share/qmt/mappings/TraktorPro 1.2 - Single Controller.kdm" ] || fail "factory mapping missing"
[ -f "$root/usr/share/doc/qmt/copyright" ] || fail "copyright file missing"
# The hive is the maintainer script's to write: a file of the package would replace the
# administrator's values on each upgrade.
[ ! -e "$root/etc" ] || fail "the package ships files in /etc: $(find "$root/etc" -type f)"
for binary in "$root"/usr/bin/* "$root"/usr/lib/qmt/*.so; do
    [ -f "$binary" ] || continue
    case "$(head -c 4 "$binary" | od -An -c | tr -d ' ')" in
    177ELF) readelf -S "$binary" | grep -q '\.debug_info' && fail "$(basename "$binary") is not stripped" ;;
    esac
done

# Dependencies come from the binaries: the libraries they link, by Debian 12's names.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libc6 libstdc++6 libasound2 libudev1; do
    echo "$depends" | grep -q "\b$package\b" || fail "Depends lacks $package"
done
if built qmtmidiconfig; then
    echo "$depends" | grep -q 'libqt6widgets6' || fail "Depends lacks Qt 6 Widgets"
    echo "$depends" | grep -q 'libqt6svg6' || fail "Depends lacks the SVG plugins' package"
fi
if built qmtasio-pipewire; then
    echo "$depends" | grep -q 'libpipewire-0.3-0' || fail "Depends lacks libpipewire"
fi
echo "$depends" | grep -q -- '-dev\b' && fail "Depends names a development package"

# Maintainer scripts: installing reloads udev's rules (and survives a system without udev);
# removing never reaches into home folders.
for script in postinst postrm; do
    [ -x "$work/control/$script" ] || fail "$script missing"
    sh -n "$work/control/$script" || fail "$script is not valid shell"
done
grep -q 'udevadm control --reload-rules' "$work/control/postinst" || fail "postinst does not reload udev"
grep -q '"Preset Path=/usr/share/qmt/presets"' "$work/control/postinst" || fail "postinst sets no Preset Path"
grep -qE 'HOME|/home|\.local' "$work/control/postrm" && fail "postrm touches users' files"

if command -v lintian >/dev/null; then
    lintian --display-info "$deb" >"$work/lintian.log" 2>&1 || true
    echo "lintian:"
    sed 's/^/  /' "$work/lintian.log"
    grep -q '^E:' "$work/lintian.log" && fail "lintian reports errors"
else
    echo "lintian is not installed: its check is skipped"
fi

[ "$failures" -eq 0 ] && echo "deb package: all passed"
exit "$failures"
