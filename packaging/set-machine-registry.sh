#!/bin/sh
# Sets string values under [HKEY_LOCAL_MACHINE\Software\QMT\QMTMIDI] in the machine hive
# file, keeping every other key and value in it. Used by the install step.
#
#   set-machine-registry.sh FILE "Name=value" ...
#
# The file is replaced atomically (temporary file and rename) under the same advisory lock
# the programs take (FILE.lock), so a running program never sees half a file.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 FILE \"Name=value\"..." >&2
    exit 2
fi
file=$1
shift
mkdir -p "$(dirname "$file")"

# .reg strings escape backslashes and double quotes with a backslash.
escape() { printf '%s' "$1" | sed -e 's/\\/\\\\/g' -e 's/"/\\"/g'; }

assignments=
for pair in "$@"; do
    case "$pair" in
    *=*) ;;
    *) echo "$0: \"$pair\" is not Name=value" >&2 && exit 2 ;;
    esac
    name=${pair%%=*}
    value=${pair#*=}
    assignments="$assignments\"$(escape "$name")\"=\"$(escape "$value")\"
"
done

exec 9>"$file.lock"
flock 9

temporary="$file.tmp"
if [ -f "$file" ]; then
    source_file=$file
else
    source_file=/dev/null
fi
printf '%s' "$assignments" | awk -v key='[HKEY_LOCAL_MACHINE\\Software\\QMT\\QMTMIDI]' '
    # Registry key and value names compare without regard to case.
    function value_name(line) { sub(/"=.*/, "", line); return tolower(line) }
    function flush_missing(   i, name) {
        for (i = 1; i <= count; i++) {
            name = value_name(wanted[i])
            if (!(name in written)) { print wanted[i]; written[name] = 1 }
        }
    }
    # Blank lines wait, so that values added at the end of the key stay above them.
    function flush_blanks() { while (blanks > 0) { print ""; blanks-- } }
    FNR == NR { wanted[++count] = $0; names[value_name($0)] = $0; next }
    { lines++; line = $0; sub(/\r$/, "", line) }
    line == "" { blanks++; next }
    substr(line, 1, 1) == "[" {
        if (inside) flush_missing()
        flush_blanks()
        inside = tolower(line) == tolower(key)
        if (inside) found = 1
        print $0
        next
    }
    {
        flush_blanks()
        if (inside && substr(line, 1, 1) == "\"" && (value_name(line) in names)) {
            if (!(value_name(line) in written)) {
                print names[value_name(line)]
                written[value_name(line)] = 1
            }
            next
        }
        print $0
    }
    END {
        if (inside) flush_missing()
        flush_blanks()
        if (!found) {
            if (!lines) print "Windows Registry Editor Version 5.00"
            print ""
            print key
            flush_missing()
        }
    }
' - "$source_file" >"$temporary"
chmod 0644 "$temporary"
mv -f "$temporary" "$file"
