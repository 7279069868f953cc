#!/usr/bin/env bash
# omr dump and omr export of the stored recording recording.omr, compared byte for byte with
# the expected files beside it. recording.omr was built once from recording.jsonl
# (omr build recording.jsonl recording.omr) and stays as it is: it is the stored-file input.
#   check_baseline.sh BIN_DIR            compare (exit 1 and show the differences on a mismatch)
#   check_baseline.sh BIN_DIR --update   rewrite the expected files after an intended change
set -euo pipefail
bin=${1:?usage: check_baseline.sh BIN_DIR [--update]}
update=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/home" "$work/run"
export CORVID_HOME=$work/home CORVID_RUNTIME_DIR=$work/run

"$bin/omr" dump "$here/recording.omr" >"$work/dump.jsonl"
"$bin/omr" export "$here/recording.omr" "$work/export.txt" >/dev/null

status=0
for name in dump.jsonl export.txt; do
    expected=$here/expected.$name
    if [ "$update" = --update ]; then
        cp "$work/$name" "$expected"
    elif ! cmp -s "$work/$name" "$expected"; then
        echo "omr output differs from $expected:" >&2
        diff <(od -c "$expected") <(od -c "$work/$name") >&2 || true
        status=1
    fi
done
exit $status
