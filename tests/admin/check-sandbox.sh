#!/bin/sh
# scripts/cups-sandbox leaves /etc/cups exactly as it found it (contents,
# modes, owners) after a queue was made and removed, after its cupsd was
# killed (the next start puts the saved configuration back first), and after
# a start killed before it saved anything; a second start while one runs is
# refused with status 3.
#
# Usage: check-sandbox.sh SOURCE_DIR
#   Root only: exits 77 (skipped) otherwise, or when a cupsd already runs.
set -u

sandbox=$1/scripts/cups-sandbox
[ "$(id -u)" = 0 ] || { echo "SKIP: needs root to run cupsd"; exit 77; }

failures=0
fail() { echo "FAULT: $*"; failures=$((failures + 1)); }

# Every entry of /etc/cups with its type, mode, owner and contents.
snapshot() {
  (cd /etc/cups && find . -printf '%y %m %u:%g %p\n' | sort -k4 |
    while read -r type mode owner path; do
      sum=
      [ "$type" = f ] && sum=$(md5sum < "$path")
      echo "$type $mode $owner $path $sum"
    done)
}

work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-sandbox.XXXXXX") || exit 1
trap '"$sandbox" stop; rm -rf "$work"' EXIT
snapshot > "$work/before"

"$sandbox" start
case $? in
  0) ;;
  3) trap 'rm -rf "$work"' EXIT; echo "SKIP: another cupsd or sandbox runs"; exit 77 ;;
  *) echo "FAULT: the sandbox did not start"; exit 1 ;;
esac
"$sandbox" start 2> /dev/null
[ $? = 3 ] || fail "a second start was not refused with status 3"
lpadmin -p TvxSandbox -E -v "file:///dev/null" -P "$1/ppd/TavorinexArcM750XLS.ppd" 2> /dev/null ||
  fail "lpadmin refused a file: device"
lpadmin -x TvxSandbox
"$sandbox" stop || fail "stop failed"
LC_ALL=C lpstat -r 2> /dev/null | grep -q 'scheduler is running' && fail "cupsd still runs after stop"
snapshot > "$work/after"
diff "$work/before" "$work/after" || fail "/etc/cups differs after a run"

# A caller killed with its cupsd: the next start restores, then runs.
"$sandbox" start || fail "the sandbox did not start again"
state=${TVX_CUPS_SANDBOX:-/run/tvx-cups-sandbox}
lpadmin -p TvxSandbox -E -v "file:///dev/null" -P "$1/ppd/TavorinexArcM750XLS.ppd" 2> /dev/null
kill -KILL "$(cat "$state/cupsd.pid")"
while LC_ALL=C lpstat -r 2> /dev/null | grep -q 'scheduler is running'; do sleep 0.05; done
"$sandbox" start 2> "$work/stale.err" || fail "a start after a killed cupsd failed: $(cat "$work/stale.err")"
grep -q 'FileDevice Yes' /etc/cups/cups-files.conf || fail "the restarted sandbox does not allow file: devices"
[ "$(grep -c 'FileDevice Yes' /etc/cups/cups-files.conf)" = 1 ] || fail "FileDevice added twice"
"$sandbox" stop || fail "stop after the recovery failed"
snapshot > "$work/after"
diff "$work/before" "$work/after" || fail "/etc/cups differs after a killed run"

# A caller killed before anything was saved: nothing to put back, and
# certainly nothing to remove.
mkdir -m 0700 "$state"
echo 999999999 > "$state/owner"
"$sandbox" stop || fail "stop after a start killed before saving failed"
snapshot > "$work/after"
diff "$work/before" "$work/after" || fail "/etc/cups differs after a start killed before saving"

[ "$failures" = 0 ] && echo "PASS: the sandbox restores /etc/cups" || echo "$failures faults"
exit $((failures > 0))
