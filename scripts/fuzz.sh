#!/usr/bin/env bash
# Builds the fuzz targets (the `fuzz` preset: clang-16, libFuzzer, ASan+UBSan) and runs each
# for SECONDS (default 60), one after the other, nice'd.
#
#   bash scripts/fuzz.sh [SECONDS]
#   QMT_FUZZ_RUNS=10000000 bash scripts/fuzz.sh     # a number of executions per target instead
#   QMT_FUZZ_RUNS=10000000 bash scripts/fuzz.sh 3600  # ... but at most an hour each
#   QMT_FUZZ_TARGETS="preset mapping" bash scripts/fuzz.sh 30
#   QMT_FUZZ_OUT=/var/tmp/qmt-fuzz bash scripts/fuzz.sh      # working files elsewhere
#   QMT_FUZZ_TIMEOUT=600 bash scripts/fuzz.sh 3600  # a long run on a busy machine
#
# Each target starts from its seed corpus (qmt_fuzz_seeds: the factory files and the recorded
# sessions), the inputs kept in fuzz/corpus/<target>/ and what earlier runs found
# (OUT/corpus/<target>/, where new inputs go; OUT is $QMT_FUZZ_OUT or build/fuzz). The
# targets run from a copy in OUT/bin, so a long run goes on undisturbed by rebuilds. A crash
# or a broken property stops the target; its input is saved as OUT/findings/<target>-crash-*
# and the script fails. At the end a table gives executions, coverage (edges), features,
# corpus size, crashes and seconds per target; it is also written to OUT/summary.txt.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-60}
runs=${QMT_FUZZ_RUNS:-}
[[ -n "$runs" && -z "${1:-}" ]] && seconds=0  # no time limit unless one is given
targets=${QMT_FUZZ_TARGETS:-"preset mapping registry script control report lights wav asiosettings options"}

if ! command -v clang++-16 >/dev/null ||
    ! find /usr/lib/llvm-16 -name 'libclang_rt.fuzzer*.a' 2>/dev/null | grep -q .; then
    echo "fuzz.sh: clang-16 with libFuzzer is missing (apt-get install clang-16 libclang-rt-16-dev)" >&2
    exit 77
fi

cmake --preset fuzz >/dev/null
nice cmake --build --preset fuzz --target qmt_fuzzers -j "$(nproc)"
build=${QMT_FUZZ_OUT:-build/fuzz}
mkdir -p "$build/bin" "$build/findings"
for target in $targets; do cp build/fuzz/fuzz/qmt_fuzz_"$target" "$build/bin/"; done
rm -rf "$build/seeds"
build/fuzz/fuzz/qmt_fuzz_seeds . "$build/seeds"

summary="$build/summary.txt"
printf '%-12s %14s %10s %10s %8s %8s %8s\n' target executions coverage features corpus crashes seconds \
    >"$summary"
failed=0
for target in $targets; do
    mkdir -p "$build/corpus/$target"
    log="$build/$target.log"
    limit=(-max_total_time="$seconds")
    [[ -n "$runs" ]] && limit+=(-runs="$runs")
    # The largest input worth making: beyond it an input only repeats what shorter ones reach
    # (the stepping targets stop at 500 steps, a command line has a few dozen words). A .reg
    # text is read line by line, and its seeds are under 500 bytes; at 4 KB most of the time
    # went to single sections hundreds of keys deep, each key storing its whole path, long
    # after the covered edges had stopped growing.
    case $target in
        options) limit+=(-max_len=512) ;;
        registry) limit+=(-max_len=1024) ;;
        wav | asiosettings) limit+=(-max_len=4096) ;;
    esac
    # The control target keeps one live driver for the whole run, whose worker thread
    # allocates between inputs: libFuzzer would take that for a leak after nearly every input
    # and scan the heap, half of the run's time. Its leaks are found by the replay tests,
    # which run the corpus under ASan and check at exit.
    [[ $target == control ]] && limit+=(-detect_leaks=0)
    kept=()
    [[ -d fuzz/corpus/$target ]] && kept=(fuzz/corpus/"$target")
    if [[ -n $runs ]]; then echo "fuzz.sh: $target ($runs runs)"; else echo "fuzz.sh: $target ($seconds s)"; fi
    status=0
    started=$SECONDS
    # An input that runs longer than the timeout counts as a hang. The clock is the wall's, so
    # on a machine busy with other work a long run needs more than the 20 s a quiet one does.
    nice "$build/bin/qmt_fuzz_$target" "${limit[@]}" -print_final_stats=1 \
        -timeout="${QMT_FUZZ_TIMEOUT:-20}" \
        -rss_limit_mb=2048 -artifact_prefix="$build/findings/$target-" \
        "$build/corpus/$target" "$build/seeds/$target" "${kept[@]}" >"$log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    features=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    crashes=0
    # 72 is libFuzzer's answer to SIGINT: a run stopped by hand found nothing.
    if ((status == 72)); then
        echo "fuzz.sh: $target stopped before its end" >&2
    elif ((status != 0)); then
        crashes=1
        failed=1
        echo "fuzz.sh: $target FAILED, see $log and $build/findings/" >&2
        grep -m1 -E 'ERROR|property broken|runtime error' "$log" >&2 || true
    fi
    corpus=$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    printf '%-12s %14s %10s %10s %8s %8s %8s\n' "$target" "${executions:-?}" "${coverage:-?}" \
        "${features:-?}" "${corpus:-?}" "$crashes" "$((SECONDS - started))" >>"$summary"
done
cat "$summary"
exit $failed
