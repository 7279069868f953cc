#!/usr/bin/env bash
# End to end: the demo station installed from nothing and run headless. The demo unit's
# component identifies the simulated multimeter, the demo plan calibrates it through the
# driver against the simulated bench, and the run leaves its renamed text reports.
# Usage: demo_station_test.sh SOURCEDIR BINDIR
set -euo pipefail
source=$1
bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CORVID_HOME=$work/home CORVID_RUNTIME_DIR=$work/run CORVID_MSGBOX=log
unset DISPLAY WAYLAND_DISPLAY
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source/scripts/demo-station" "$bin" > "$work/run1.txt" 2> "$work/err1.txt" ||
    fail "the demo run failed: $(cat "$work/run1.txt" "$work/err1.txt")"
grep -q '"event":"sequence-end","overall":3,"last_result":"UUT Passed"' "$work/run1.txt" ||
    fail "no passing sequence end: $(cat "$work/run1.txt")"
! grep -q 'Verifing install' "$work/err1.txt" || fail "the installed store needed repairs: $(cat "$work/err1.txt")"
sum=$(ls "$CORVID_HOME"/Output/LM-4065/LK4065-01123_*_P.sum)
dtr=$(ls "$CORVID_HOME"/Output/LM-4065/LK4065-01123_*_P.dtr)
ls "$CORVID_HOME"/Output/LM-4065/LK4065-01123_*_P.log > /dev/null || fail "the traced run left no .log"
head -1 "$sum" | grep -qx '                              Measurement Report' || fail "summary heading: $(head -1 "$sum")"
for test in "SELF TEST" "IDENTIFY" "DC VOLTAGE" "DC CURRENT" "FREQUENCY"; do
    line=$(printf '%-60.60s%s' "$test$(printf '%.0s.' {1..60})" PASSED)
    grep -qxF "$line" "$sum" || fail "no result line for $test in $(cat "$sum")"
done
grep -q '^Test Station Name: Demo Bench$' "$dtr" || fail "no station line"
grep -q '^VC-9100      VC91-004417  ' "$dtr" || fail "no calibrator row in the equipment table"
grep -q '^DCV +10 V, 10 V range\|  DCV +10 V, 10 V range' "$dtr" || fail "no measurement in the detail report"

# The second run starts from the first one's test information; options go to halcyon operate.
"$source/scripts/demo-station" "$bin" --variant "Performance Check" --operator "Dee" > "$work/run2.txt" \
    2> "$work/err2.txt" || fail "the second run failed: $(cat "$work/run2.txt" "$work/err2.txt")"
[ "$(grep -c '"event":"test-end"' "$work/run2.txt")" -eq 3 ] || fail "Performance Check: $(cat "$work/run2.txt")"
grep -q '^Operator:           Dee$' "$CORVID_HOME/TestPlan/\$\$\$.TestInfo" || fail "the fields were not kept"
# The demo unit model switched to formatted reports (the Performance Check of the second
# run again): the run is stored in the results database and its detail, summary and trace
# reports are exported as PDF files.
"$source/scripts/demo-station" "$bin" --formatted-reports > "$work/run3.txt" 2> "$work/err3.txt" ||
    fail "the formatted run failed: $(cat "$work/run3.txt" "$work/err3.txt")"
grep -q '"event":"sequence-end","overall":3' "$work/run3.txt" || fail "formatted run: $(cat "$work/run3.txt")"
for kind in Detail Summary Trace; do
    ls "$CORVID_HOME"/Output/LM-4065/LK4065-01123_*_${kind}_P.rpt > /dev/null || fail "no $kind report"
done
pdftotext "$(ls "$CORVID_HOME"/Output/LM-4065/LK4065-01123_*_Detail_P.rpt)" - | grep -q 'DC Voltage' ||
    fail "the detail report lists no DC Voltage test"
stored=$("$bin/instrdb" sql "$CORVID_HOME/Database/Results.mdb" "SELECT count(*) AS n FROM __sys_tblTests" | tail -1)
[ "$stored" -eq 3 ] || fail "$stored tests stored in the results database (the Performance Check has 3)"
echo "demo station: passed"
