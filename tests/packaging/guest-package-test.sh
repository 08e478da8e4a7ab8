#!/usr/bin/env bash
# Installs the built Debian package into the QEMU guest (Debian 12, like the machines it is
# for) with apt-get, dependencies and all, and tries it as an ordinary user there
# (tests/packaging/guest-package-steps.sh): the udev rule gives the user the controller's
# node, the agent selects the factory mapping, the installed qmtmidi serves the controller
# to an ALSA application; purging the package keeps the user's own files.
#
#   guest-package-test.sh DEB [QMT_VM_TESTS]
#   guest-package-test.sh --from-build BUILD_DIR [QMT_VM_TESTS]   (ctest: cpack first)
#
# It takes about 4 minutes (more under load), so ctest runs it only with
# QMT_TEST_PACKAGE_IN_GUEST=1; scripts/test.sh sets it;
# `bash scripts/package.sh --guest-test` runs it on the package just built.
# QMT_VM_TESTS is the guest test program (default build/default/tests/vm/qmt_vm_tests). The
# guest has no network: the Debian 12 packages the package needs are fetched on this machine,
# from its apt sources, for the guest's installed set (its dpkg status), and offered to the
# guest's apt as a local package source. Exit status 77 (skipped, with the reason) where no
# guest runs or no Debian 12 package source answers.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
usage() { echo "usage: $0 DEB | --from-build BUILD_DIR [QMT_VM_TESTS]" >&2; exit 2; }
skip() { echo "SKIP: $*"; exit 77; }
[[ $# -ge 1 ]] || usage
from_build=
if [[ "$1" == --from-build ]]; then
    [[ $# -ge 2 ]] || usage
    [[ "${QMT_TEST_PACKAGE_IN_GUEST:-}" == 1 ]] ||
        skip "installing the package in the guest takes minutes: set QMT_TEST_PACKAGE_IN_GUEST=1"
    from_build=$(realpath "$2")
    shift 2
else
    deb=$(realpath "$1")
    shift
fi
vm_tests=$(realpath "${1:-$repo/build/default/tests/vm/qmt_vm_tests}")
cache=${QMT_VM_CACHE:-/var/cache/qmt-vm}
started=$SECONDS

[[ -x "$vm_tests" ]] ||
    { echo "FAIL: no guest test program $vm_tests (cmake --build --preset default --target qmt_vm_tests)"; exit 1; }
status=0
bash "$repo/vm/run-in-vm.sh" --check >/dev/null 2>&1 || status=$?
((status == 0)) || skip "no guest runs here ($(bash "$repo/vm/run-in-vm.sh" --check 2>&1 | tail -n 1))"
bash "$repo/vm/run-in-vm.sh" --build-only || skip "the guest image cannot be built here"
[[ -f "$cache/root/var/lib/dpkg/status" ]] || skip "the guest image has no package database"
command -v dpkg-scanpackages >/dev/null || skip "dpkg-scanpackages (dpkg-dev) is not installed"

# The work folder lies in the repository, which the guest mounts at the same path.
mkdir -p "$repo/build"
work=$(mktemp -d "$repo/build/guest-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/debs/partial"
if [[ -n "$from_build" ]]; then
    cpack --config "$from_build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log"; echo "FAIL: cpack did not build the package"; exit 1; }
    deb=$(ls "$work"/cpack/qmt_*.deb)
fi
[[ -f "$deb" ]] || { echo "FAIL: no package $deb"; exit 1; }
cp "$deb" "$work/"

# What the guest lacks for the package (and udev, which a desktop has and the image does
# not), resolved against the guest's own installed set.
fetch() {
    apt-get -q -y --download-only --no-install-recommends \
        -o Dir::State::status="$cache/root/var/lib/dpkg/status" \
        -o Dir::Cache::archives="$work/debs" -o Debug::NoLocking=1 \
        install "$work/$(basename "$deb")" udev >"$work/fetch.log" 2>&1
}
if ! fetch; then
    # The lists may be older than the archive; one refresh, then give up.
    apt-get -q update >>"$work/fetch.log" 2>&1 || true
    fetch || { tail -n 5 "$work/fetch.log"; skip "no Debian 12 package source answers for the dependencies"; }
fi
rm -rf "$work/debs/partial" "$work/debs/lock"
count=$(ls "$work"/debs/*.deb 2>/dev/null | wc -l)
(cd "$work/debs" && dpkg-scanpackages -m . >Packages 2>/dev/null)
echo "guest-package: $count Debian 12 packages for the guest ($(du -sh "$work/debs" | cut -f1)), fetched in $((SECONDS - started)) s"

status=0
QMT_VM_MEMORY=${QMT_VM_MEMORY:-2048} bash "$repo/vm/run-in-vm.sh" --timeout "${QMT_VM_TIMEOUT:-1500}" \
    bash "$repo/tests/packaging/guest-package-steps.sh" "$work" "$(basename "$deb")" "$vm_tests" ||
    status=$?
echo "guest-package: status $status after $((SECONDS - started)) s"
exit "$status"
