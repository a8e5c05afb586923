#!/bin/sh
# The Printer Application's systemd unit. systemd-analyze verify accepts it,
# with the built program in the place of the installed one. As root, its
# commands then run as systemd runs them, with every path of the unit moved
# under a private folder: the server as the unit's user, with its
# environment and umask, writes its state for that user alone (0600) where
# the unit says; root's sub-commands reach it through the socket link of
# ExecStartPost and add a printer; ExecStop asks it to shut down, and after
# the SIGTERM that systemd then sends, it ends within systemd's stop
# time-out; ExecStopPost removes the link.
#
# Usage: check-app-unit.sh SOURCE_DIR APP
#   Exits 77 (skipped) without systemd-analyze and without root.
set -u
# The unit's user must traverse the private folder.
umask 022

source=$1
app=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
unit=$source/printerapp/tavorinex-printer-app.service
name=tavorinex-printer-app

have_analyze=$(command -v systemd-analyze)
[ -n "$have_analyze" ] || [ "$(id -u)" = 0 ] || { echo "SKIP: neither systemd-analyze nor root"; exit 77; }

failures=0
fail() { echo "FAULT: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-unit.XXXXXX") || exit 1
chmod 0755 "$work"
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The unit's user runs the program from a copy here: the build tree may lie
# in a folder lp cannot enter (a home folder of mode 0700).
mkdir "$work/bin"
cp "$app" "$work/bin/$name"
app=$work/bin/$name

# --- systemd-analyze verify ------------------------------------------------------
if [ -n "$have_analyze" ]; then
  mkdir -p "$work/man/man8"
  cp "$source/printerapp/$name.8" "$work/man/man8/"
  sed "s|/usr/bin/$name|$app|g" "$unit" > "$work/$name.service"
  # It reports some faults (a value it cannot parse) only in words.
  out=$(MANPATH=$work/man systemd-analyze verify "$work/$name.service" 2>&1) ||
    fail "systemd-analyze verify refuses the unit: $out"
  [ -z "$out" ] || fail "systemd-analyze verify warns: $out"
else
  echo "systemd-analyze is missing: the unit is not verified"
fi
[ "$(id -u)" = 0 ] || { [ "$failures" = 0 ] && echo "PASS: the unit verifies (not run: needs root)"; exit $((failures > 0)); }

# --- The unit's commands, as systemd runs them ----------------------------------------
free_port() {
  python3 -c "import socket; s = socket.socket(socket.AF_INET, socket.$1); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"
}
root=$work/root
state_dir=$root/var/lib/$name
link=$root/$name.sock
# A unit setting, with its paths moved under $root, the program the built
# one, and the ports free ones (nothing answers SNMP: a reading waits for
# its time-out).
setting() {
  sed -n "s/^$1=//p" "$unit" | sed -e "s|/var/lib/$name|$state_dir|g" \
    -e "s|/var/spool/$name|$root/var/spool/$name|g" -e "s|/run/$name.sock|$link|g" \
    -e "s|/usr/bin/$name|$app|g" \
    -e "s|server-port=8000|server-port=$(free_port SOCK_STREAM) -o snmp-port=$(free_port SOCK_DGRAM)|"
}
user=$(setting User)
group=$(setting Group)
umask_value=$(setting UMask)
environment=$(setting Environment)
[ -n "$user" ] && [ -n "$group" ] && [ -n "$umask_value" ] || fail "the unit names no User, Group or UMask"
[ "$(setting StateDirectory)" = "$name" ] || fail "the state folder is not /var/lib/$name"

# Runs the unit's command $1: a "+" command as root, others as the unit's
# user with its umask; both with the unit's environment. With a second
# argument "exec", the command replaces the calling (sub)shell, so that
# its process is the server's.
run_setting() {
  launch=${2:-}
  command=$(setting "$1")
  [ -n "$command" ] || { fail "the unit has no $1"; return 1; }
  # shellcheck disable=SC2086 # the environment's words, one per variable
  case $command in
    +*) eval "set -- ${command#+}"; $launch env $environment "$@" ;;
    *) eval "set -- $command"
       $launch setpriv --reuid="$user" --regid="$group" --clear-groups \
         env $environment sh -c 'umask "$0"; exec "$@"' "$umask_value" "$@" ;;
  esac
}

mkdir -p "$state_dir"
chown "$user:$group" "$state_dir"
chmod "$(setting StateDirectoryMode)" "$state_dir"
run_setting ExecStartPre || fail "ExecStartPre failed"
run_setting ExecStart exec > "$work/server.log" 2>&1 &
server=$!
run_setting ExecStartPost || fail "ExecStartPost failed"

# Root's sub-commands look for root's server in SNAP_COMMON when it is set,
# else at /run/$name.sock: here, the link in $root.
as_root() { env SNAP_COMMON="$root" "$app" "$@"; }
n=0
until as_root status | grep -q '^Running'; do
  n=$((n + 1))
  [ $n -lt 50 ] && kill -0 "$server" 2> /dev/null || break
  sleep 0.1
done
if as_root status | grep -q '^Running'; then
  as_root add -d Arc -v socket://127.0.0.1:9 -m tavorinex_arc_m750xls || fail "root's add failed"
  [ "$(as_root printers)" = Arc ] || fail "root's printers lists '$(as_root printers)', not Arc"
else
  fail "root's sub-commands do not reach the server through $link: $(cat "$work/server.log")"
fi

state=$state_dir/$name.state
[ "$(stat -c '%a %U' "$state" 2> /dev/null)" = "600 $user" ] ||
  fail "the state file is not $user's with mode 0600: $(ls -l "$state_dir")"
grep -q 'Arc' "$state" 2> /dev/null || fail "the state file does not hold the printer"
spool=$root/var/spool/$name
[ "$(stat -c '%a %U' "$spool")" = "700 $user" ] || fail "the spool folder is not $user's with mode 0700"

run_setting ExecStop || fail "ExecStop failed"
grep -q 'Shutdown-All-Printers successful-ok' "$work/server.log" || fail "ExecStop did not reach the server"
# Once ExecStop has returned, systemd sends SIGTERM and waits 90 s.
kill -TERM "$server"
n=0
while kill -0 "$server" 2> /dev/null && [ $n -lt 900 ]; do
  n=$((n + 1))
  sleep 0.1
done
if kill -0 "$server" 2> /dev/null; then
  fail "the server still runs 90 s after SIGTERM"
else
  wait "$server" || fail "the server ended with status $?: $(cat "$work/server.log")"
  server=
fi
[ "$(stat -c '%a' "$state" 2> /dev/null)" = 600 ] || fail "the state file saved at the stop is not 0600"
run_setting ExecStopPost || fail "ExecStopPost failed"
[ -e "$link" ] || [ -L "$link" ] && fail "ExecStopPost left $link"

[ "$failures" = 0 ] && echo "PASS: the unit verifies and its commands run the server as $user" || echo "$failures faults"
exit $((failures > 0))
