#!/bin/sh
# What a Linux user does instead of the driver to play through two controllers' cards at once:
# JACK on the first card and zita-j2a carrying JACK's output to the second, resampled to
# follow that card's clock; jack_simple_client plays its sines (rate / 200 on the left, three
# times that on the right) to the first two channels of both. Run by qmt_loopback_measure in
# the test guest, which holds the cards at 44.1 and 48 kHz, records their far sides and
# passes FIRST_CARD SECOND_CARD SECONDS; QMT_JACK_PERIOD sets JACK's period (default 2048).
set -u
a=$1 b=$2 seconds=$3
period=${QMT_JACK_PERIOD:-2048}
log=$(mktemp -d)
export JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1
# Six 16-bit channels: the format the far side holds the loopback cable to.
jackd -R -d alsa -P "hw:$a,0" -o 6 -r 44100 -p "$period" -n 2 -S >"$log/jackd" 2>&1 &
jackd=$!
jack_wait -w -t 30 >/dev/null 2>&1 || { cat "$log/jackd"; exit 1; }
zita-j2a -j j2a -d "hw:$b,0" -r 48000 -p "$period" -n 2 -c 6 -v >"$log/j2a" 2>&1 &
j2a=$!
jack_simple_client >"$log/client" 2>&1 &
client=$!
sleep 2
jack_connect jack_simple_client:output1 j2a:playback_1
jack_connect jack_simple_client:output2 j2a:playback_2
echo "jack: period $period frames at 44100 Hz, two periods; ports:"
jack_lsp -c | sed 's/^/  /'
sleep "$seconds"
kill "$client" "$j2a"
sleep 1
kill "$jackd"
wait
echo "jackd xruns: $(grep -c -i xrun "$log/jackd")"
echo "zita-j2a: $(grep -c -i -E 'xrun|error|skip' "$log/j2a") problems reported; last lines:"
tail -n 3 "$log/j2a" | sed 's/^/  /'
rm -rf "$log"
