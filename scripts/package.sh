#!/usr/bin/env bash
# Builds the Debian package of the whole system from this checkout: installs what the build
# needs (scripts/install-deps.sh), makes the Release build of the `package` preset
# (build/package, installed under /usr), runs cpack and prints the package's path, its size
# and what lintian says about it. Run it again at any time; it rebuilds only what changed.
#
#   bash scripts/package.sh
#
# QMT_PACKAGE_MAINTAINER="Name <address>" sets the package's Maintainer field (read when
# build/package is first configured).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
case "${1:-}" in
"") ;;
-h | --help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//' && exit 0 ;;
*) echo "usage: bash scripts/package.sh" >&2 && exit 2 ;;
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
exit "$status"
