#!/bin/sh
# The install step's edit of the machine hive: sets its two values, keeps everything else.
#   machine-registry-test.sh PATH/TO/set-machine-registry.sh
set -eu
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect_file() {  # name, file, expected text
    if ! printf '%s' "$3" | cmp -s - "$2"; then
        echo "FAIL: $1"
        echo "--- expected"; printf '%s' "$3"
        echo "--- got"; cat "$2"
        failures=$((failures + 1))
    fi
}

# A missing file (and folder) is created with the header and the key.
sh "$tool" "$work/new/machine.reg" "Preset Path=/usr/share/qmt/presets" "Mapping Path=/usr/share/qmt/mappings"
expect_file "new file" "$work/new/machine.reg" 'Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\QMT\QMTMIDI]
"Preset Path"="/usr/share/qmt/presets"
"Mapping Path"="/usr/share/qmt/mappings"
'

# Other keys and values stay; an existing value is replaced in place, whatever its case,
# and only once; a missing one joins the end of the key, above the blank line.
cat >"$work/old.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\QMT\QMTASIO]
"Buffer Size"=dword:00000005

[HKEY_LOCAL_MACHINE\SOFTWARE\qmt\qmtmidi]
"preset path"="/old/presets"
"Selected Mapping"="/home/dj/set.kdm"
"Preset Path"="/duplicate"

[HKEY_LOCAL_MACHINE\Software\Other]
"A"="b"
REG
sh "$tool" "$work/old.reg" "Preset Path=/new/presets" "Mapping Path=/new/mappings"
expect_file "existing file" "$work/old.reg" 'Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\QMT\QMTASIO]
"Buffer Size"=dword:00000005

[HKEY_LOCAL_MACHINE\SOFTWARE\qmt\qmtmidi]
"Preset Path"="/new/presets"
"Selected Mapping"="/home/dj/set.kdm"
"Mapping Path"="/new/mappings"

[HKEY_LOCAL_MACHINE\Software\Other]
"A"="b"
'

# A file without the key gets it appended; running twice changes nothing more.
printf '[HKEY_LOCAL_MACHINE\\Software\\Other]\n"A"="b"\n' >"$work/other.reg"
sh "$tool" "$work/other.reg" "Preset Path=/p"
sh "$tool" "$work/other.reg" "Preset Path=/p"
expect_file "key appended once" "$work/other.reg" '[HKEY_LOCAL_MACHINE\Software\Other]
"A"="b"

[HKEY_LOCAL_MACHINE\Software\QMT\QMTMIDI]
"Preset Path"="/p"
'

# Backslashes and quotes are escaped as .reg strings need.
sh "$tool" "$work/escape.reg" 'Preset Path=C:\Presets\"QMT"'
if ! grep -qxF '"Preset Path"="C:\\Presets\\\"QMT\""' "$work/escape.reg"; then
    echo "FAIL: escaping"; cat "$work/escape.reg"; failures=$((failures + 1))
fi

# A malformed argument is refused and leaves the file alone.
cp "$work/other.reg" "$work/before.reg"
if sh "$tool" "$work/other.reg" "no value" 2>/dev/null; then
    echo "FAIL: an argument without = was accepted"; failures=$((failures + 1))
fi
cmp -s "$work/before.reg" "$work/other.reg" || { echo "FAIL: refused edit changed the file"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "machine registry edits: all passed"
exit "$failures"
