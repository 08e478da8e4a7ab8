#!/usr/bin/env bash
# The guest's half of tests/packaging/guest-package-test.sh, run as root inside the guest:
#   guest-package-steps.sh WORK DEB_NAME QMT_VM_TESTS
# WORK holds the package and a local package source (debs/) of what it needs.
set -euo pipefail
work=$1
deb=$work/$2
vm_tests=$3
user=dj
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "guest: $*"; }
export DEBIAN_FRONTEND=noninteractive

# No init system runs here: package scripts must not start services.
printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
chmod 755 /usr/sbin/policy-rc.d
echo "deb [trusted=yes] file:$work/debs ./" >/etc/apt/sources.list
rm -f /etc/apt/sources.list.d/*
apt-get -q update >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; exit 1; }

# The image has no udev; a desktop does. Its tools take the guest's command for one run in a
# chroot (the guest's init stays in its initramfs) and would ignore every request.
export SYSTEMD_IGNORE_CHROOT=1
step "installing udev"
apt-get -q -y install udev >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; exit 1; }
/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add
udevadm settle --timeout=60

step "user $user (group audio, no seat)"
useradd --create-home --groups audio "$user"

# The test plugs a controller, installs the package (apt-get install ./qmt_*.deb) and checks
# that the user gets the controller and its MIDI.
step "apt-get install ./$(basename "$deb") with a controller plugged in, then the user's session"
started=$SECONDS
QMT_PACKAGE_USER=$user QMT_PACKAGE_DEB=$deb "$vm_tests" --gtest_filter='InstalledPackage*' ||
    fail "installing the package or the user's session"
apt_log=/run/user/$(id -u "$user")/apt-get.log
step "$(grep -c '^Setting up' "$apt_log" || true) packages set up; test done in $((SECONDS - started)) s"
grep -q '^Setting up qmt ' "$apt_log" || fail "apt-get did not set qmt up"

hive=/etc/qmt/machine.reg
grep -qxF '"Preset Path"="/usr/share/qmt/presets"' "$hive" || fail "the machine hive has no Preset Path"
grep -qxF '"Mapping Path"="/usr/share/qmt/mappings"' "$hive" || fail "the machine hive has no Mapping Path"
grep -qxF '@="/usr/lib/qmt/libqmtasio.so"' "$hive" || fail "the ASIO driver is not registered"
qmtasiohost --list | grep -qx 'QMT ASIO' || fail "qmtasiohost does not list the installed driver"

# A user's own presets, mappings and settings outlive the package, even a purge.
step "apt-get purge qmt"
apt-get -y purge qmt >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; fail "the package does not purge"; }
home=$(getent passwd "$user" | cut -d: -f6)
[[ -f "$home/.local/share/qmt/mappings/TraktorPro 1.2 - Single Controller.kdm" ]] ||
    fail "purging removed the user's mapping"
ls "$home"/.local/share/qmt/presets/*.k?p >/dev/null 2>&1 || fail "purging removed the user's presets"
[[ -f "$home/.config/qmt/user.reg" ]] || fail "purging removed the user's settings"
[[ ! -e "$hive" ]] || fail "purging left the machine hive"
[[ ! -e /usr/lib/udev/rules.d/60-qmt-controllers.rules ]] || fail "the udev rule outlived the package"
[[ ! -e /usr/bin/qmtmidi ]] || fail "qmtmidi outlived the package"

[[ $failures -eq 0 ]] && step "package: all passed"
exit "$failures"
