#!/bin/sh
# tavorinex-refresh against a cupsd of our own on /etc/cups and the simulated
# printer. Seven queues: two of the model whose printer answers (socket: and
# lpd: device URIs), one of the model whose printer does not, two of the
# model on devices that are no network printers (usb:, dnssd:), one of
# another model whose PPD mentions ours only in a comment, and a raw queue.
# The two are updated, cupsd takes up their new PPDs, the unreachable one is
# reported and left as it is, the usb: and dnssd: ones are logged as skipped,
# and the other two are not touched at all. Then two runs at once against a
# printer that answers slowly: the first stops each bidiupdate at its time
# limit and logs the queue, the second waits out its lock wait and ends; both
# within their limits, the PPDs whole. Without the unreachable queue the
# refresh succeeds.
#
# Usage: check-refresh.sh BIDIUPDATE SOURCE_DIR
#   BIDIUPDATE is the shipped build (it writes /etc/cups/ppd and the catalog
#   folder). Root only: exits 77 (skipped) otherwise, or when a cupsd
#   already runs.
set -u

bidiupdate=$1
source=$2
catalogs=/usr/bin/Tavorinex
prefix=TvxRefresh

[ "$(id -u)" = 0 ] || { echo "SKIP: needs root to run cupsd"; exit 77; }

failures=0
fail() { echo "FAULT: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-refresh.XXXXXX") || exit 1
chmod 0711 "$work"
mkdir "$work/sim"
. "$source/scripts/cups-sandbox"
sim_started=
slow_started=
made_catalogs=
# bidiupdate, run as root, makes net-snmp's persistent folder; a run that
# found none removes it again.
persistent=/var/lib/tavorinex
made_persistent=
[ -e "$persistent" ] || made_persistent=1
cleanup() {
  if cups_sandbox_owned; then
    for q in A B Gone Usb Dnssd Other Raw; do lpadmin -x "$prefix$q" 2>/dev/null; rm -f "$catalogs/$prefix$q"; done
    [ -n "$made_catalogs" ] && rmdir "$catalogs"
    cups_sandbox_stop
  fi
  [ -n "$made_persistent" ] && rm -rf "$persistent"
  [ -n "$sim_started" ] && "$source/scripts/simprinter" stop "$work/sim"
  [ -n "$slow_started" ] && "$source/scripts/simprinter" stop "$work/slowsim"
  rm -rf "$work"
}
trap cleanup EXIT

cups_sandbox_start
case $? in
  0) ;;
  3) echo "SKIP: another cupsd or sandbox runs"; exit 77 ;;
  *) echo "FAULT: cupsd did not start"; exit 1 ;;
esac
if [ ! -d "$catalogs" ]; then
  mkdir -m 0755 "$catalogs" && made_catalogs=1
fi
port=$("$source/scripts/simprinter" start "$source/tests/printers/full" "$work/sim") ||
  { echo "FAULT: the simulated printer did not start"; exit 1; }
sim_started=1

model=$source/ppd/TavorinexArcM750XLS.ppd
sed -e 's/^\*ModelName: .*/*ModelName: "Tavorinex Arc M650"/' \
  -e 's/^\*\(Short\)\{0,1\}NickName: .*/*\1NickName: "Tavorinex Arc M650"/' \
  -e 's/^\*Product: .*/*Product: "(Tavorinex Arc M650)"\n*% Derived from *ModelName: "Tavorinex Arc M750XLS"/' \
  "$model" > "$work/other.ppd"

queue() {  # name device-uri [ppd]
  lpadmin -p "$prefix$1" -E -v "$2" ${3:+-P "$3"} 2> "$work/lpadmin.err" ||
    { echo "FAULT: lpadmin $1 failed: $(cat "$work/lpadmin.err")"; exit 1; }
}
queue A socket://127.0.0.1:9100 "$model"
queue B lpd://127.0.0.1/print "$model"
queue Gone socket://127.0.0.2:9100 "$model"
queue Usb 'usb://Tavorinex/Arc%20M750XLS?serial=42' "$model"
queue Dnssd 'dnssd://Tavorinex%20Arc._ipp._tcp.local/' "$model"
queue Other socket://127.0.0.1:9100 "$work/other.ppd"
queue Raw socket://127.0.0.1:9100
for q in A B Gone Usb Dnssd Other; do cp -p "/etc/cups/ppd/$prefix$q.ppd" "$work/$q.before"; done
# cupsd reuses its cache of a PPD unless the PPD is newer by whole seconds:
# a refresh within the second the queues were made would go unseen.
sleep 1

# cupsd's own view of a queue: its default media as an IPP attribute.
media_default() {
  ipptool -tv "ipp://localhost/printers/$prefix$1" get-printer-attributes.test 2>/dev/null |
    sed -n 's/^ *media-default (keyword) = //p'
}
old_media=$(media_default A)
[ -n "$old_media" ] || fail "cupsd reports no media-default for the model PPD"

"$source/bidi/refresh/tavorinex-refresh" --bidiupdate "$bidiupdate" --snmp-port "$port" \
  > "$work/refresh.out" 2>&1
status=$?
cat "$work/refresh.out"
[ "$status" = 1 ] || fail "tavorinex-refresh exited with $status, not 1 (one printer unreachable)"

says() { grep -qxF "tavorinex-refresh: $1" "$work/refresh.out" || fail "no line \"$1\""; }
says "${prefix}A (127.0.0.1:$port): updated"
says "${prefix}B (127.0.0.1:$port): updated"
says "${prefix}Gone (127.0.0.2:$port): printer not reached, not a Tavorinex Arc M750XLS, or a printer query failed"
says "${prefix}Usb: device URI usb://Tavorinex/Arc%20M750XLS?serial=42 is not a network printer; skipped"
says "${prefix}Dnssd: device URI dnssd://Tavorinex%20Arc._ipp._tcp.local/ is not a network printer; skipped"
grep -e "${prefix}Other" -e "${prefix}Raw" "$work/refresh.out" && fail "a queue of another model was handled"

for q in A B; do
  cmp -s "$work/$q.before" "/etc/cups/ppd/$prefix$q.ppd" && fail "the PPD of $q was not rewritten"
  grep -q '^\*PageSize PlainA480/' "/etc/cups/ppd/$prefix$q.ppd" || fail "the PPD of $q lacks the printer's media"
  [ "$(stat -c '%a %U:%G' "/etc/cups/ppd/$prefix$q.ppd")" = "640 root:lp" ] ||
    fail "the PPD of $q is $(stat -c '%a %U:%G' "/etc/cups/ppd/$prefix$q.ppd"), not 640 root:lp"
  [ -f "$catalogs/$prefix$q" ] || fail "no media catalog for $q"
  new_media=$(media_default "$q")
  [ "$new_media" != "$old_media" ] || fail "cupsd still offers $q's old default media $old_media"
done
for q in Gone Usb Dnssd Other; do
  cmp -s "$work/$q.before" "/etc/cups/ppd/$prefix$q.ppd" || fail "the PPD of $q was changed"
  [ -e "$catalogs/$prefix$q" ] && fail "a media catalog was written for $q"
done
[ -e "/etc/cups/ppd/${prefix}Raw.ppd" ] && fail "the raw queue got a PPD"
[ "$(media_default Gone)" = "$old_media" ] || fail "cupsd's view of the unreachable queue changed"

# The slow printer: every integer record of its media table costs 20 ms, a
# whole bidiupdate -A some 70 s. All three queues of the model go to it
# (Gone to an address where nothing answers).
mkdir "$work/slowsim"
slow_port=$("$source/scripts/simprinter" start "$source/tests/printers/slow" "$work/slowsim") ||
  { echo "FAULT: the slow simulated printer did not start"; exit 1; }
slow_started=1
lock=$work/refresh.lock
refresh() { "$source/bidi/refresh/tavorinex-refresh" --bidiupdate "$bidiupdate" --snmp-port "$slow_port" --lock-file "$lock" "$@"; }
first_start=$(date +%s)
refresh --time-limit 3 > "$work/first.out" 2>&1 &
first_pid=$!
tries=0
while flock -n "$lock" true && [ $tries -lt 100 ]; do tries=$((tries + 1)); sleep 0.1; done
second_start=$(date +%s)
refresh --lock-wait 1 > "$work/second.out" 2>&1
second=$?
second_took=$(($(date +%s) - second_start))
wait "$first_pid"
first=$?
first_took=$(($(date +%s) - first_start))
cat "$work/first.out" "$work/second.out"
[ "$second" = 3 ] || fail "the second run exited with $second, not 3 (lock held)"
grep -qxF "tavorinex-refresh: another run still holds $lock after 1 s; nothing refreshed" "$work/second.out" ||
  fail "the second run did not say that the lock was held"
[ "$second_took" -le 3 ] || fail "the second run took $second_took s with a lock wait of 1 s"
[ "$first" = 1 ] || fail "the first run exited with $first, not 1 (queues out of time)"
# Three queues of 3 s each, the lpadmin calls and a second of rounding.
[ "$first_took" -le 14 ] || fail "the first run took $first_took s for three queues of 3 s"
for q in A:127.0.0.1 B:127.0.0.1 Gone:127.0.0.2; do
  line="${prefix}${q%%:*} (${q#*:}:$slow_port): ran out of time after 3 s and was stopped (its PPD and media catalog are whole)"
  grep -qxF "tavorinex-refresh: $line" "$work/first.out" || fail "no line \"$line\""
done
for q in A B Gone; do
  out=$(cupstestppd -W filters "/etc/cups/ppd/$prefix$q.ppd" 2>&1) || fail "the PPD of $q is not whole after its stop: $out"
done
left=$(ls -A /etc/cups/ppd "$catalogs" | grep -e '^TavorinexTempPPD' -e '^\.catalog-')
[ -z "$left" ] || fail "stopped runs left work files: $left"

# Queues that are no network printers never fail the refresh.
lpadmin -x "${prefix}Gone"
"$source/bidi/refresh/tavorinex-refresh" --bidiupdate "$bidiupdate" --snmp-port "$port" \
  > "$work/refresh.out" 2>&1
status=$?
[ "$status" = 0 ] || fail "without the unreachable queue tavorinex-refresh exited with $status, not 0: $(cat "$work/refresh.out")"

[ "$failures" = 0 ] && echo "PASS: the refresh updated the two reachable queues of the model and only those, skipped the queues without a network printer, and succeeded without the unreachable one; two runs at once and a slow printer ended within their limits" ||
  echo "$failures faults"
exit $((failures > 0))
