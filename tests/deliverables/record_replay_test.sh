#!/usr/bin/env bash
# End to end: a Lua test script drives the multimeter of the simulated bench through the
# driver while `omr record` captures its commands; `omr play` then replays the recording
# to the same script with the instruments unplugged (exit 0, the same answers), and to a
# changed script (the difference report, exit 1).
# Usage: record_replay_test.sh BINDIR
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export CORVID_HOME=$work/home CORVID_RUNTIME_DIR=$work/run CORVID_MSGBOX=log
mkdir -p "$CORVID_HOME"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$bin/regsvr" "$bin/farlink.so" >/dev/null
cat > "$work/test.lua" <<'LUA'
local dmm <close> = CreateInstrument("VisaGpib.VisaGpib.1",
    {InstanceName = "DMM", GpibBoardAddress = 0, GpibPrimaryAddress = 22})
print(dmm:Query("*IDN?", 256))
dmm:Write("CONF:VOLT:DC 10\n")
print(dmm:QueryDouble("READ?"))
print(dmm:ReadSTB())
LUA
sed 's/CONF:VOLT:DC 10/CONF:VOLT:DC 100/' "$work/test.lua" > "$work/changed.lua"
printf 'board 0\n' > "$work/unplugged.bench"

wait_for_debugger() {
    for _ in $(seq 500); do
        [ -S "$CORVID_RUNTIME_DIR/wnd/OMBRADEBUGCONTROLLER" ] && return 0
        sleep 0.01
    done
    fail "the debugger did not start"
}

# Record a live run.
"$bin/omr" record "$work/run.omr" > "$work/record.out" &
recorder=$!
wait_for_debugger
"$bin/ascript" "$work/test.lua" > "$work/live.txt" 2>/dev/null || fail "the live run failed"
kill -INT $recorder
wait $recorder || fail "omr record failed"
grep -q '"event":"saved"' "$work/record.out" || fail "nothing saved: $(cat "$work/record.out")"
grep -q "Larkspur Instruments" "$work/live.txt" || fail "the live run did not reach the multimeter"

# Replay it with no instrument on the bus.
play() { # script output-prefix
    "$bin/omr" play "$work/run.omr" --idle-timeout 20 > "$work/$2.out" &
    local player=$!
    wait_for_debugger
    CORVID_SIM_BENCH=$work/unplugged.bench "$bin/ascript" "$work/$1" > "$work/$2.txt" 2>/dev/null ||
        fail "the script failed in playback ($2)"
    local status=0
    wait $player || status=$?
    echo $status
}
[ "$(play test.lua replay)" = 0 ] || fail "omr play did not report a complete match: $(cat "$work/replay.out")"
cmp -s "$work/live.txt" "$work/replay.txt" || fail "the replayed answers differ from the live ones"

# A changed script shows the difference report and fails the playback.
[ "$(play changed.lua changed)" = 1 ] || fail "omr play did not fail on a changed script"
expected='SENT:\r\n\tExpected: CONF:VOLT:DC 10\\n\r\n\tReceived: CONF:VOLT:DC 100\\n\r\n' # as JSON escapes; the line feed shows as \n
grep -q '"caption":"Differences found during playback"' "$work/changed.out" || fail "no difference report"
grep -qF "$expected" "$work/changed.out" || fail "unexpected report: $(cat "$work/changed.out")"
echo "record and replay: 1 passed, 0 failed"
