#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, the file and engine
# tests under AddressSanitizer+UBSan, the threaded tests under ThreadSanitizer, a short run
# of every fuzz target and the kernel-level tests in a QEMU guest.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

# Sanitizer runs cover the tests labelled for them (hostile input, threads), and build only
# those tests and the programs they start: the rest would double the run for nothing.
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs" --target qmt_labelled_asan qmt_labelled_tsan
ctest --preset asan -j "$jobs" -L "asan|tsan"

cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target qmt_labelled_tsan
ctest --preset tsan -j "$jobs" -L tsan

# Fuzzing smoke run: every fuzz target for a few seconds under libFuzzer with ASan+UBSan, from
# its seed corpus (the long run of ten million executions per target is a benchmark, see the
# README). Skipped, with the reason, where clang-16 with libFuzzer cannot be had.
fuzz_status=0
QMT_FUZZ_OUT=build/fuzz/smoke bash scripts/fuzz.sh "${QMT_FUZZ_SMOKE_SECONDS:-10}" || fuzz_status=$?
case $fuzz_status in
0) echo "fuzz smoke run passed" ;;
77) echo "fuzz smoke run skipped: clang-16 with libFuzzer (libclang-rt-16-dev) is not installed" ;;
*)
    echo "fuzz smoke run FAILED (status $fuzz_status): see build/fuzz/smoke/" >&2
    exit 1
    ;;
esac

# ---------------------------------------------------------------------------------------
# Kernel-level tests: the guest test program runs inside a QEMU guest booted from Debian's
# own kernel, against real uhid, hidraw and ALSA sequencer code (vm/run-in-vm.sh). The
# guest image is built once (a few minutes) and cached in /var/cache/qmt-vm; a run then
# takes 10-30 s. Where no virtual machine can run, the step says why and skips.
vm_tests=build/default/tests/vm/qmt_vm_tests
if [[ ! -x "$vm_tests" ]]; then
    echo "kernel-level tests skipped: $vm_tests was not built (ALSA development files missing)"
elif ! vm_reason=$(bash vm/run-in-vm.sh --check 2>&1); then
    echo "kernel-level tests skipped: ${vm_reason#run-in-vm: }"
else
    vm_status=0
    # The latency measurement is a benchmark, not a test: it runs on request only (README).
    bash vm/run-in-vm.sh --timeout 900 "$vm_tests" --gtest_filter='-*Latency*' || vm_status=$?
    case $vm_status in
    0) echo "kernel-level tests passed" ;;
    77) echo "kernel-level tests skipped: the guest image could not be built (reason above)" ;;
    *)
        echo "kernel-level tests FAILED (status $vm_status)" >&2
        exit 1
        ;;
    esac
fi

# ---------------------------------------------------------------------------------------
# The Debian package, tried for real: built from the default tree, installed with apt-get in
# the QEMU guest (dependencies from Debian 12, fetched on this machine for the guest) and
# used as an ordinary user there (about 4 minutes). Skipped, with the reason, where no guest
# runs or no Debian package source answers.
if [[ -x "$vm_tests" ]]; then
    package_status=0
    QMT_TEST_PACKAGE_IN_GUEST=1 bash tests/packaging/guest-package-test.sh --from-build build/default "$vm_tests" ||
        package_status=$?
    case $package_status in
    0) echo "package test in the guest passed" ;;
    77) echo "package test in the guest skipped (reason above)" ;;
    *)
        echo "package test in the guest FAILED (status $package_status)" >&2
        exit 1
        ;;
    esac
fi
