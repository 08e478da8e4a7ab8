#!/usr/bin/env bash
# Every command-line program against bad arguments, unreadable files, a missing sequencer, a
# socket owned by another user and a full disk: each case must end within 20 s with a
# non-zero status, say what went wrong in one message that names the cause, never crash,
# and never leave a half-written file.
#
#   bad-input-test.sh QMTCTL QMTPRESETGEN QMTMIDI [--asiohost QMTASIOHOST] [--table FILE]
#
# --asiohost adds qmtasiohost's cases (where the audio host is built).
# --table writes the cases and what each program answered as a Markdown table (the README's).
# Cases that need root (another user, a small file system) are skipped without it, and say so.
set -uo pipefail
qmtctl=$(realpath "$1") presetgen=$(realpath "$2") qmtmidi=$(realpath "$3")
table=
asiohost=
shift 3
while (($# >= 2)); do
    case $1 in
        --table) table=$(realpath -m "$2") ;;
        --asiohost) asiohost=$(realpath "$2") ;;
    esac
    shift 2
done

work=$(mktemp -d)
mounted=
service=
cleanup() {
    [[ -n $mounted ]] && umount "$mounted" 2>/dev/null
    [[ -n $service ]] && kill "$service" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
export XDG_RUNTIME_DIR=$work/run QMT_REGISTRY_DIR=$work/registry
mkdir -m 700 run registry
chmod 755 "$work"

failures=0
rows=()
# check PROGRAM "WHAT WAS TRIED" STATUS "EXPECTED TEXT" COMMAND...
check() {
    local program=$1 tried=$2 want_status=$3 want_text=$4
    shift 4
    local output status
    output=$(timeout 20 "$@" 2>&1 </dev/null)
    status=$?
    # The line that carries the expected words, else the first one.
    local answer
    answer=$(printf '%s\n' "$output" | grep -F -m1 -- "$want_text")
    [[ -z $answer ]] && answer=$(printf '%s\n' "$output" | head -1)
    local problem=
    if ((status == 124)); then
        problem="did not end within 20 s"
    elif ((status >= 128)); then
        problem="ended by signal $((status - 128))"
    elif [[ $output == *"terminate called"* || $output == *Sanitizer* || $output == *"runtime error"* ]]; then
        problem="crashed: $output"
    elif ((status != want_status)); then
        problem="status $status, wanted $want_status"
    elif [[ $output != *"$want_text"* ]]; then
        problem="no \"$want_text\" in: $output"
    fi
    if [[ -n $problem ]]; then
        echo "FAIL $program: $tried: $problem" >&2
        failures=$((failures + 1))
    else
        echo "ok   $program: $tried -> $status: $answer"
    fi
    rows+=("| \`$program\` | $tried | $status | ${answer//|/\\|} |")
}
skip() {
    echo "skip $1: $2 ($3)"
    rows+=("| \`$1\` | $2 | - | not tried here: $3 |")
}
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
root=false
[[ $(id -u) -eq 0 ]] && command -v setpriv >/dev/null && root=true

printf 'garbage\n' >garbage.kvp
printf 'idle 0\n' >idle.txt
printf 'idle 60000\n' >minute.txt
mkfifo fifo.kvp
mkdir folder.kvp
"$presetgen" . >/dev/null || exit 1
preset="$work/TraktorPro 1.2 - KV10 KV5.kvp"
mapping="$work/TraktorPro 1.2 - Single Controller.kdm"
head -c 100 "$preset" >truncated.kvp

# --- qmtctl ---------------------------------------------------------------------------
check qmtctl "no command" 2 "usage: qmtctl" "$qmtctl"
check qmtctl "unknown command" 2 "unknown command 'frobnicate'" "$qmtctl" frobnicate
check qmtctl "preset check without a file" 2 "usage: qmtctl preset" "$qmtctl" preset check
check qmtctl "a preset that does not exist" 1 "No such file or directory" "$qmtctl" preset check missing.kvp
check qmtctl "a folder as a preset" 1 "is not a regular file" "$qmtctl" preset check folder.kvp
check qmtctl "a FIFO as a preset (nobody writes to it)" 1 "is not a regular file" "$qmtctl" preset check fifo.kvp
check qmtctl "a text file as a preset" 1 "not a preset file" "$qmtctl" preset check garbage.kvp
check qmtctl "a preset cut short" 1 "exceeds the file" "$qmtctl" preset show truncated.kvp
check qmtctl "mapping check without --preset-path" 2 "usage: qmtctl mapping" "$qmtctl" mapping check "$mapping"
check qmtctl "a preset given as the mapping" 1 "not a mapping file" "$qmtctl" mapping check "$preset" --preset-path .
check qmtctl "a preset folder that does not exist" 0 "warning:" "$qmtctl" mapping check "$mapping" --preset-path nowhere
check qmtctl "translate for an unknown model" 2 "unknown model 'krt9'" "$qmtctl" translate --model krt9 --mapping "$mapping" --preset-path .
check qmtctl "translate with a missing mapping" 1 "No such file or directory" "$qmtctl" translate --model kv10 --mapping missing.kdm --preset-path .
check qmtctl "translate with a script line it cannot read" 2 "line 1:" "$qmtctl" translate --model kv10 --mapping "$mapping" --preset-path . garbage.kvp
check qmtctl "resample without a converter" 2 "--converter is required" "$qmtctl" resample
check qmtctl "preset show into a full output (/dev/full)" 1 "cannot write the output: No space left on device" sh -c '"$1" preset show "$2" >/dev/full' sh "$qmtctl" "$preset"
check qmtctl "reload with no service running" 1 "no running qmtmidi listens" "$qmtctl" reload
check qmtctl "reload without XDG_RUNTIME_DIR" 1 "XDG_RUNTIME_DIR is not set" env -u XDG_RUNTIME_DIR "$qmtctl" reload
if $root; then
    chmod 600 "$preset"
    check qmtctl "a preset the user may not read" 1 "Permission denied" "${as_nobody[@]}" "$qmtctl" preset check "$preset"
    chmod 644 "$preset"
    # A service of this user (root here) owns the socket; another user asks it to reload.
    "$qmtmidi" --simulate minute.txt >/dev/null 2>&1 &
    service=$!
    for _ in $(seq 100); do [[ -S run/qmtmidi/control ]] && break; sleep 0.1; done
    chmod 711 run
    check qmtctl "reload through a socket owned by another user" 1 "permission denied" "${as_nobody[@]}" env XDG_RUNTIME_DIR="$work/run" "$qmtctl" reload
    check qmtctl "reload through the user's own socket" 0 "reloaded the selected mapping" "$qmtctl" reload
    kill "$service" 2>/dev/null
    wait "$service" 2>/dev/null
    service=
    chmod 700 run
else
    skip qmtctl "a preset the user may not read" "needs root to act as another user"
    skip qmtctl "reload through a socket owned by another user" "needs root to act as another user"
fi

# --- qmtpresetgen ---------------------------------------------------------------------
check qmtpresetgen "no folder" 2 "usage: qmtpresetgen" "$presetgen"
check qmtpresetgen "a folder that does not exist" 1 "No such file or directory" "$presetgen" missing/folder
check qmtpresetgen "a file as the folder" 1 "Not a directory" "$presetgen" garbage.kvp
check qmtpresetgen "--markdown into a full output (/dev/full)" 1 "cannot write the output: No space left on device" sh -c '"$1" --markdown >/dev/full' sh "$presetgen"
if $root; then
    mkdir locked && chmod 755 locked
    check qmtpresetgen "a folder the user may not write" 1 "Permission denied" "${as_nobody[@]}" "$presetgen" locked
    mkdir small
    if mount -t tmpfs -o size=12k tmpfs small 2>/dev/null; then
        mounted=$work/small
        check qmtpresetgen "a full disk (12 KB file system)" 1 "No space left on device" "$presetgen" small
        # Whatever is there is whole: the same bytes as a full write, no temporary left.
        for file in small/*; do
            if [[ $file == *.tmp ]] || ! cmp -s "$file" "$(basename "$file")"; then
                echo "FAIL qmtpresetgen: a full disk left a half-written $file" >&2
                failures=$((failures + 1))
            fi
        done
        umount small && mounted=
    else
        skip qmtpresetgen "a full disk" "cannot mount a small tmpfs here"
    fi
else
    skip qmtpresetgen "a folder the user may not write" "needs root to act as another user"
    skip qmtpresetgen "a full disk" "needs root to mount a small file system"
fi

# --- qmtmidi --------------------------------------------------------------------------
check qmtmidi "an unknown argument" 2 "unknown argument '--bogus'" "$qmtmidi" --bogus
check qmtmidi "--simulate with two scripts" 2 "usage: qmtmidi" "$qmtmidi" --simulate a b
check qmtmidi "--simulate with a missing script" 1 "No such file or directory" "$qmtmidi" --simulate missing.txt
check qmtmidi "--simulate with a script line it cannot read" 1 "line 1: unknown command 'garbage'" "$qmtmidi" --simulate garbage.kvp
if [[ ! -e /dev/snd/seq ]]; then
    check qmtmidi "no ALSA sequencer (/dev/snd/seq missing)" 1 "modprobe snd-seq" "$qmtmidi"
else
    skip qmtmidi "no ALSA sequencer" "this machine has /dev/snd/seq"
fi
if $root; then
    mkdir -p other && chown nobody other && mkdir -m 700 other/qmtmidi && chown nobody other/qmtmidi
    check qmtmidi "the control socket's folder owned by another user" 1 "belongs to another user" env XDG_RUNTIME_DIR="$work/other" "$qmtmidi" --simulate idle.txt
    mkdir tiny
    if mount -t tmpfs -o size=8k tmpfs tiny 2>/dev/null; then
        mounted=$work/tiny
        check qmtmidi "--simulate on a full disk (8 KB temporary folder)" 1 "No space left on device" env -u QMT_REGISTRY_DIR TMPDIR="$work/tiny" "$qmtmidi" --simulate idle.txt
        umount tiny && mounted=
    else
        skip qmtmidi "--simulate on a full disk" "cannot mount a small tmpfs here"
    fi
else
    skip qmtmidi "the control socket's folder owned by another user" "needs root to act as another user"
    skip qmtmidi "--simulate on a full disk" "needs root to mount a small file system"
fi

# --- qmtasiohost ----------------------------------------------------------------------
if [[ -n $asiohost ]]; then
    check qmtasiohost "--buffer beyond any frame count (1e30)" 2 "takes a positive number" "$asiohost" --buffer 1e30
    check qmtasiohost "--seconds inf" 2 "takes a positive number" "$asiohost" --seconds inf
    check qmtasiohost "--outputs nan" 2 "channel numbers 1 to 16" "$asiohost" --outputs nan
fi

if [[ -n $table ]]; then
    {
        echo "| program | what was tried | exit status | what it says |"
        echo "|---|---|---|---|"
        printf '%s\n' "${rows[@]}"
    } >"$table"
fi
((failures == 0)) || { echo "$failures case(s) failed" >&2; exit 1; }
echo "all cases answered clearly"
