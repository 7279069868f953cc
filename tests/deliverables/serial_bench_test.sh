#!/usr/bin/env bash
# End to end over a serial line: simserial serves the demo bench's counter on a
# pseudo-terminal, visa.ini names it as a serial port, and vish finds it, opens it and
# queries it through the VISA library like any instrument.
# Usage: serial_bench_test.sh BINDIR
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export CORVID_HOME=$work/home CORVID_RUNTIME_DIR=$work/run
mkdir -p "$CORVID_HOME"
fail() { echo "FAIL: $*" >&2; exit 1; }

mkfifo "$work/ready"
"$bin/simserial" --link "$work/ttySIM0" counter > "$work/ready" &
simulator=$!
read -r -t 30 line < "$work/ready" || fail "simserial did not start"
grep -q '"instrument":"counter"' <<< "$line" || fail "unexpected announcement: $line"

cat > "$CORVID_HOME/visa.ini" <<INI
[ASRL-RSRC-ALIAS]
NumOfResources=1
Name0=ASRL60::INSTR
SystemName0=$work/ttySIM0
BaudRate0=115200
INI

"$bin/vish" list 'ASRL60?*' > "$work/list.txt" 2>&1 || fail "vish list failed: $(cat "$work/list.txt")"
grep -q '^ASRL60::INSTR' "$work/list.txt" || fail "the serial port is not listed: $(cat "$work/list.txt")"

"$bin/vish" -c "open ASRL60::INSTR; query *IDN?; attr IO_PROT 4; stb; close" > "$work/idn.txt" 2>&1 ||
    fail "the query failed: $(cat "$work/idn.txt")"
grep -q 'Orbis Metrology,FC-3120' "$work/idn.txt" || fail "wrong identity: $(cat "$work/idn.txt")"
grep -q '^status byte 0x' "$work/idn.txt" || fail "no status byte: $(cat "$work/idn.txt")"

kill -TERM $simulator
wait $simulator || fail "simserial did not end cleanly"
[ ! -e "$work/ttySIM0" ] || fail "the link was left behind"
echo "serial bench: ok"
