#!/bin/sh
# The driver on the desktop's audio server: a PipeWire daemon of its own (no session manager),
# qmtasio-pipewire on the two ARDOs that qmt_loopback_measure describes through
# QMT_SYSFS_ROOT, and pw-play playing the measurement's WAV of sines into the "QMT ASIO" sink
# on outputs 1, 2, 7 and 8, exactly where qmtasiohost plays them. Arguments from
# qmt_loopback_measure: FIRST_CARD SECOND_CARD SECONDS TONES.WAV. QMT_BUFFER_INDEX sets the
# driver's "Buffer Size" (index n is n + 1 ms; default 5, 6 ms).
set -u
seconds=$3 tones=$4
run=$(mktemp -d)
export XDG_RUNTIME_DIR=$run PIPEWIRE_RUNTIME_DIR=$run
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\QMT\\QMTASIO]\n"Buffer Size"=dword:%08x\n' \
    "${QMT_BUFFER_INDEX:-5}" >"$QMT_REGISTRY_DIR/user.reg"
pipewire >"$run/pipewire.log" 2>&1 &
daemon=$!
until pw-cli info 0 >/dev/null 2>&1; do sleep 0.2; done
"$QMT_FRONTEND" --library "$QMT_ASIO_LIBRARY" --verbose >"$run/front-end.log" 2>&1 &
front=$!
until pw-link -i 2>/dev/null | grep -q 'qmt_asio.playback:playback_AUX15'; do sleep 0.2; done
pw-play --channels 4 --channel-map AUX0,AUX1,AUX2,AUX3 \
    -P '{ node.name = play adapter.auto-port-config = { mode = dsp monitor = false control = false position = preserve } }' \
    "$tones" >"$run/play.log" 2>&1 &
player=$!
until pw-link -o 2>/dev/null | grep -q 'play:output_AUX3'; do sleep 0.2; done
pw-link play:output_AUX0 qmt_asio.playback:playback_AUX0
pw-link play:output_AUX1 qmt_asio.playback:playback_AUX1
pw-link play:output_AUX2 qmt_asio.playback:playback_AUX6
pw-link play:output_AUX3 qmt_asio.playback:playback_AUX7
sleep "$seconds"
kill "$player" "$front"
wait "$player" "$front"
kill "$daemon"
wait "$daemon"
grep -m 1 'on PipeWire' "$run/front-end.log"
echo "front end, last second reported:"
grep ' xruns ' "$run/front-end.log" | tail -n 1 | sed 's/^/  /'
rm -rf "$run"
