#!/usr/bin/env bash
# Two benches on one instrument database and one results database on a PostgreSQL server:
# each workstation installs the demo station, points its configuration at the server's
# databases and runs the demo plan at the same time as the other, one at the Demo Bench
# and one at the Service Bench (each with a unit of its own: one unit's runs in the same
# second would share the run's unique key), while an administrator logs in beside them: both runs pass
# and both are stored, and a second administrator is refused.
# Usage: shared_server_test.sh SOURCEDIR BINDIR PGTESTDIR (exit 77: no test server)
set -euo pipefail
source=$1
bin=$2
pgdir=$3
if [ ! -s "$pgdir/uri" ]; then
    echo "skipped: $(cat "$pgdir/skipped" 2>/dev/null || echo "no PostgreSQL test server in $pgdir")"
    exit 77
fi
server=$(cat "$pgdir/uri")
name=corvid_shared_$$_$RANDOM
instruments=$(printf '%s' "$server" | sed "s|/postgres?|/${name}_instruments?|")
results=$(printf '%s' "$server" | sed "s|/postgres?|/${name}_results?|")
work=$(mktemp -d)
cleanup() {
    for db in "${name}_instruments" "${name}_results"; do
        psql "$server" -qc "DROP DATABASE IF EXISTS $db WITH (FORCE)" >/dev/null 2>&1 || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
[ -n "${KEEP_WORK:-}" ] && trap - EXIT
unset DISPLAY WAYLAND_DISPLAY
fail() { echo "FAIL: $*" >&2; exit 1; }

"$bin/instrdb" demo "$instruments" >/dev/null || fail "instrdb demo on the server"
"$bin/instrdb" results "$results" >/dev/null || fail "instrdb results on the server"
# The Service Bench gets the Demo Bench's equipment and assignments.
"$bin/instrdb" sql "$instruments" "DELETE FROM TestPlan_uses_Instances WHERE TestStationID = 2" >/dev/null
"$bin/instrdb" sql "$instruments" "INSERT INTO TestPlan_uses_Instances (TestStationID, TestPlanID, \
DeviceSubstitutionGroup, DeviceInstanceID) SELECT 2, TestPlanID, DeviceSubstitutionGroup, DeviceInstanceID \
FROM TestPlan_uses_Instances WHERE TestStationID = 1" >/dev/null
"$bin/instrdb" sql "$instruments" "INSERT INTO TestStation_has_Instances (TestStationID, DeviceInstanceID) \
SELECT 2, DeviceInstanceID FROM TestStation_has_Instances WHERE TestStationID = 1 AND DeviceInstanceID NOT IN \
(SELECT DeviceInstanceID FROM TestStation_has_Instances WHERE TestStationID = 2)" >/dev/null

# Each workstation: the demo installation (its first run on local files), then the server.
install() {
    local home=$work/$1
    CORVID_HOME=$home CORVID_RUNTIME_DIR=$work/$1-run CORVID_MSGBOX=log \
        "$source/scripts/demo-station" "$bin" --formatted-reports > "$work/$1-install.txt" 2>&1 ||
        fail "installing $1: $(cat "$work/$1-install.txt")"
    python3 - "$home/vela.ini" "$instruments" "$results" <<'PY'
import sys
path, instruments, results = sys.argv[1:4]
keys = {"InputDataSource": instruments, "LM-4065_TestDataDataSource": instruments,
        "LM-4065_CrystalReportsDataSource": results}
lines = []
for line in open(path).read().splitlines():
    key = line.split("=", 1)[0]
    lines.append(key + "=" + keys[key] if key in keys else line)
open(path, "w").write("\n".join(lines) + "\n")
PY
    sed -i "s/^Station: .*/Station:            $2/" "$home/TestPlan/\$\$\$.TestInfo"
}
install a "Demo Bench"
install b "Service Bench"

run() {
    CORVID_HOME=$work/$1 CORVID_RUNTIME_DIR=$work/$1-run CORVID_MSGBOX=log \
        "$bin/halcyon" operate --station "$2" --serial "$3" --answer yes > "$work/$1.json" 2> "$work/$1.err"
}
run a "Demo Bench" LK4065-01123 & first=$!
run b "Service Bench" LK4065-00871 & second=$!
# The administrator password of the first workstation's configuration.
printf 'Password=Calib\n' > "$work/password"
sed -i "/^\[VELA SYSTEM\]/r $work/password" "$work/a/vela.ini"
admin() {
    CORVID_HOME=$work/$1 CORVID_RUNTIME_DIR=$work/$1-run CORVID_MSGBOX=log "$bin/instrdb" admin-login "$instruments" Calib
}
admin a > "$work/admin1.txt" 2>&1 || fail "the administrator could not log in: $(cat "$work/admin1.txt")"
! admin a > "$work/admin2.txt" 2>&1 || fail "a second administrator logged in: $(cat "$work/admin2.txt")"
grep -q "An Administrator is already logged in." "$work/admin2.txt" ||
    fail "the second administrator got: $(cat "$work/admin2.txt")"
wait $first || fail "the Demo Bench run failed: $(cat "$work/a.json" "$work/a.err")"
wait $second || fail "the Service Bench run failed: $(cat "$work/b.json" "$work/b.err")"
for bench in a b; do
    grep -q '"event":"sequence-end","overall":3,"last_result":"UUT Passed"' "$work/$bench.json" ||
        fail "no passing sequence end at $bench: $(cat "$work/$bench.json" "$work/$bench.err")"
done
grep -q "Service Bench" <(pdftotext "$(ls "$work"/b/Output/LM-4065/LK4065-00871_*_Detail_P.rpt)" -) ||
    fail "the Service Bench report does not name its station"
runs=$("$bin/instrdb" sql "$results" "SELECT count(*) AS n FROM __sys_tblUniqueIds" | tail -1)
tests=$("$bin/instrdb" sql "$results" "SELECT count(*) AS n FROM __sys_tblTests" | tail -1)
ran=$(cat "$work/a.json" "$work/b.json" | grep -c '"event":"test-end"')
[ "$runs" -eq 2 ] && [ "$tests" -eq "$ran" ] || fail "$runs runs and $tests tests stored (2 and $ran expected)"
echo "two benches on one server: passed"
