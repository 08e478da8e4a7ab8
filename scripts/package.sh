#!/usr/bin/env bash
# Builds the Debian package of the whole system from this checkout: installs what the build
# needs (scripts/install-deps.sh), makes the Release build of the `package` preset
# (build/package, installed under /usr), runs cpack and prints the package's path, its size
# and what lintian says about it. Run it again at any time; it rebuilds only what changed.
#
#   bash scripts/package.sh                # the package
#   bash scripts/package.sh --guest-test   # also install it with apt-get in the QEMU guest
#                                          # and try it as an ordinary user (about 5 minutes)
#
# QMT_PACKAGE_MAINTAINER="Name <address>" sets the package's Maintainer field (read when
# build/package is first configured).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
guest_test=0
case "${1:-}" in
"") ;;
--guest-test) guest_test=1 ;;
-h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' && exit 0 ;;
*) echo "usage: bash scripts/package.sh [--guest-test]" >&2 && exit 2 ;;
esac

bash "$repo/scripts/install-deps.sh"
cd "$repo"
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset package >/dev/null
cmake --build --preset package -j"$jobs"
rm -f build/package/qmt_*.deb
(cd build/package && cpack)
deb=$(ls "$repo"/build/package/qmt_*.deb)

echo
echo "package: $deb"
echo "size: $(du -h "$deb" | cut -f1) ($(stat -c %s "$deb") bytes; $(dpkg-deb -f "$deb" Installed-Size) KiB installed)"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
echo "lintian:"
status=0
lintian --display-info "$deb" >build/package/lintian.log 2>&1 || true
if [[ -s build/package/lintian.log ]]; then sed 's/^/  /' build/package/lintian.log; else echo "  (nothing to report)"; fi
if grep -q '^E:' build/package/lintian.log; then
    echo "lintian reports errors" >&2
    status=1
fi
echo "install it with: sudo apt-get install $deb"

if ((guest_test)); then
    # The guest test program comes from the default build, like the other kernel-level tests.
    echo
    cmake --preset default >/dev/null
    cmake --build --preset default -j"$jobs" --target qmt_vm_tests
    guest_status=0
    bash "$repo/tests/packaging/guest-package-test.sh" "$deb" build/default/tests/vm/qmt_vm_tests ||
        guest_status=$?
    case $guest_status in
    0) echo "guest test passed" ;;
    77) echo "guest test skipped (reason above)" ;;
    *) echo "guest test FAILED (status $guest_status)" >&2 && status=1 ;;
    esac
fi
exit "$status"
