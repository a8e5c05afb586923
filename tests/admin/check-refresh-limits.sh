#!/bin/sh
# tavorinex-refresh's time limit and its cupsd request, with stand-ins for
# lpstat, lpadmin, logger and bidiupdate on PATH (no cupsd, no root): every
# bidiupdate run gets the refresh's --time-limit; a run that stops by
# itself at that limit (status 12 after the whole limit) is logged as out of
# time with its files unchanged, one that does not stop is stopped 5 s
# later and logged as killed; a queue whose PPD changed gets the modify
# request that changes nothing ("lpadmin -p Q -R tavorinex-refresh-default"),
# and no queue's device URI is ever set. Wrong time limits are refused.
#
# Usage: check-refresh-limits.sh BIDIUPDATE SOURCE_DIR
#   BIDIUPDATE answers the stand-in's --snmp-peer questions.
set -u

bidiupdate=$1
source=$2
refresh=$source/bidi/refresh/tavorinex-refresh

failures=0
fail() { echo "FAULT: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-refresh-limits.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/ppd"
for q in Fast Honest Hung; do
  printf '*PPD-Adobe: "4.3"\n*ModelName: "Tavorinex Arc M750XLS"\n' > "$work/ppd/$q.ppd"
done

cat > "$work/bin/lpstat" <<EOF
#!/bin/sh
# As lpstat -v prints them: the password of a device URI is not shown.
echo "device for Fast: ipp://fast.example/ipp/print"
echo "device for Honest: socket://honest.example?waiteof=false"
echo "device for Hung: lpd://hung.example/queue"
EOF
cat > "$work/bin/lpadmin" <<EOF
#!/bin/sh
echo "\$*" >> "$work/lpadmin.calls"
EOF
printf '#!/bin/sh\n' > "$work/bin/logger"
cat > "$work/bin/bidiupdate" <<EOF
#!/bin/sh
echo "\$*" >> "$work/bidiupdate.calls"
[ "\$1" = --snmp-peer ] && exec "$bidiupdate" "\$@"
[ "\$1" = --time-limit ] || exit 11
case "\$4" in
  Fast) echo '*% rewritten' >> "$work/ppd/Fast.ppd"; exit 10 ;;
  Honest) sleep "\$2"; exit 12 ;;
  Hung) exec sleep 1000 ;;
esac
exit 12
EOF
chmod 0755 "$work/bin/"*

run_refresh() {
  PATH="$work/bin:$PATH" "$refresh" --bidiupdate "$work/bin/bidiupdate" --ppd-folder "$work/ppd" \
    --lock-file "$work/lock" "$@" > "$work/refresh.out" 2>&1
}

started=$(date +%s)
run_refresh --time-limit 1
status=$?
took=$(($(date +%s) - started))
cat "$work/refresh.out"
[ "$status" = 1 ] || fail "the refresh exited with $status, not 1"
says() { grep -qxF "tavorinex-refresh: $1" "$work/refresh.out" || fail "no line \"$1\""; }
says "Fast (udp:fast.example): updated"
says "Honest (udp:honest.example): ran out of time after 1 s and was stopped (its PPD and media catalog are unchanged)"
says "Hung (udp:hung.example): did not stop at its time limit of 1 s and was killed (its PPD and media catalog are whole)"
# Fast at once, Honest 1 s, Hung 1 + 5 s, and a second of rounding.
[ "$took" -le 8 ] || fail "the refresh took $took s with a time limit of 1 s"
for q in Fast Honest Hung; do
  grep -qx -e "--time-limit 1 -A $q udp:[a-z]*\.example" "$work/bidiupdate.calls" ||
    fail "bidiupdate did not get the time limit for $q: $(cat "$work/bidiupdate.calls")"
done
[ "$(cat "$work/lpadmin.calls" 2>/dev/null)" = "-p Fast -R tavorinex-refresh-default" ] ||
  fail "lpadmin was called otherwise than once for Fast: $(cat "$work/lpadmin.calls" 2>/dev/null)"

for wrong in 0 86401 1x ''; do
  run_refresh --time-limit "$wrong"
  status=$?
  [ "$status" = 2 ] || fail "--time-limit '$wrong' gave $status, not 2"
done

[ "$failures" = 0 ] && echo "PASS: each bidiupdate run got the refresh's time limit and was stopped at it; cupsd got the request that changes nothing" ||
  echo "$failures faults"
exit $((failures > 0))
