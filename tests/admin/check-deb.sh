#!/bin/sh
# The Debian package on this machine: cpack builds it with the install
# layout and the runtime dependencies; apt-get installs it; cupsd lists the
# model under the name the README gives; a queue made with the README's own
# commands prints (bidiupdate -A against the simulated printer, a job through
# psfilter); dpkg -r removes every file but the cron conffile and the media
# catalogs, without a warning, and purging removes those too.
#
# Files of an earlier unpackaged install at the package's paths are saved
# before and put back afterwards.
#
# Usage: check-deb.sh BUILD_DIR SOURCE_DIR
#   Changes the system: root only, exits 77 (skipped) otherwise, when the
#   package is installed already, or when a cupsd already runs.
set -u

build=$1
source=$2
package=tavorinex-arc-m750xls
queue=
conffile=/etc/cron.d/tavorinex-refresh

[ "$(id -u)" = 0 ] || { echo "SKIP: needs root to install packages"; exit 77; }
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q installed; then
  echo "SKIP: $package is installed on this machine"
  exit 77
fi

failures=0
fail() { echo "FAULT: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-deb.XXXXXX") || exit 1
chmod 0711 "$work"
mkdir "$work/sim" "$work/out"
. "$source/scripts/cups-sandbox"
sim_started=
installed=
saved=
cleanup() {
  if cups_sandbox_owned; then
    [ -n "$queue" ] && lpadmin -x "$queue" 2>/dev/null
    cups_sandbox_stop
  fi
  [ -n "$sim_started" ] && "$source/scripts/simprinter" stop "$work/sim"
  [ -n "$installed" ] && dpkg --purge "$package" > /dev/null 2>&1
  [ -n "$saved" ] && tar -C / -xpf "$work/saved.tar"
  rm -rf "$work"
}
trap cleanup EXIT

# --- Build and inspect the package ---------------------------------------
(cd "$build" && cpack -G DEB -B "$work/pkg") > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "FAULT: cpack failed"; exit 1; }
for deb in "$work"/pkg/*.deb; do break; done
[ -f "$deb" ] || { echo "FAULT: cpack made no .deb"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for dep in libsnmp cups cups-client; do
  echo "$depends" | grep -q "\(^\|, \)$dep" || fail "Depends lacks $dep: $depends"
done
dpkg-deb -e "$deb" "$work/control"
[ "$(cat "$work/control/conffiles" 2>/dev/null)" = "$conffile" ] || fail "the conffiles are not just $conffile"

dpkg-deb -c "$deb" > "$work/contents"
entry() {  # mode owner path: the package holds path with that mode and owner
  awk -v m="$1" -v o="$2" -v p=".$3" '$1 == m && $2 == o && ($6 == p || $6 == p "/") { f = 1 } END { exit !f }' \
    "$work/contents" || fail "the package lacks $1 $2 $3"
}
filters=$(sed -n 's/^TAVORINEX_CUPS_FILTER_DIR:PATH=//p' "$build/CMakeCache.txt")
entry -rwxr-xr-x root/root "$filters/psfilter"
entry -rwxr-xr-x root/root /usr/bin/bidiupdate
entry -rwxr-xr-x root/root /usr/bin/tavorinex-query
entry -rwxr-xr-x root/root /usr/bin/errtext
entry -rw-r--r-- root/root /usr/share/cups/model/tavorinex/TavorinexArcM750XLS.ppd
# The catalog folder is made by the postinst, so that removing the package
# keeps the catalogs without a warning and purging removes them.
grep -q ' \./usr/bin/Tavorinex/\?$' "$work/contents" && fail "the package ships the catalog folder"
awk '$1 ~ /w.$/ || $1 ~ /w....$/ { print }' "$work/contents" | grep . && fail "group- or world-writable entries"

# Files of the package (not folders), as absolute paths.
sed -n 's|^-[^ ]* .* \./\(.*\)$|/\1|p' "$work/contents" > "$work/files"

# --- Install ------------------------------------------------------------------
present=$(for f in $(cat "$work/files") /usr/bin/Tavorinex /usr/share/cups/model/tavorinex; do
  [ -e "$f" ] && echo "${f#/}"; done)
if [ -n "$present" ]; then
  # shellcheck disable=SC2086
  tar -C / --no-recursion -cpf "$work/saved.tar" $present && saved=1 ||
    { echo "FAULT: cannot save $present"; exit 1; }
fi
cups_sandbox_start
case $? in
  0) ;;
  3) echo "SKIP: another cupsd or sandbox runs"; exit 77 ;;
  *) echo "FAULT: cupsd did not start"; exit 1 ;;
esac

installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "$deb" < /dev/null > "$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; echo "FAULT: apt-get install failed"; exit 1; }
dpkg-query -W -f='${Status}' "$package" | grep -q 'install ok installed' || fail "dpkg does not list $package as installed"

[ "$(stat -c '%a %U %G' /usr/bin/Tavorinex 2>/dev/null)" = "755 root root" ] ||
  fail "the postinst did not make /usr/bin/Tavorinex 0755 root:root"
[ "$(stat -c '%a %U %G' /var/lib/tavorinex/snmp 2>/dev/null)" = "700 root root" ] ||
  fail "the postinst did not make net-snmp's persistent folder /var/lib/tavorinex/snmp 0700 root:root"

# The README's commands, as written, but for the printer's address.
readme() {  # the README's command line that starts with $1, without sudo
  sed -n "s/^sudo \($1[^#]*[^ #]\) *\(#.*\)\{0,1\}$/\1/p" "$source/README.md" | head -1
}
make_queue=$(readme 'lpadmin -p [^ ]* -E')
queue=$(echo "$make_queue" | sed -n 's/^lpadmin -p \([^ ]*\) .*/\1/p')
readme_model=$(echo "$make_queue" | sed -n 's/.* -m \([^ ]*\).*/\1/p')
[ -n "$queue" ] && [ -n "$readme_model" ] || { echo "FAULT: no queue command in the README"; exit 1; }
lpinfo -m 2>/dev/null | grep -q -x -F "$readme_model Tavorinex Arc M750XLS" ||
  fail "lpinfo -m does not list $readme_model: $(lpinfo -m 2>/dev/null | grep -i tavorinex)"

# --- A queue made from the package prints ------------------------------------
port=$("$source/scripts/simprinter" start "$source/tests/printers/full" "$work/sim") ||
  { echo "FAULT: the simulated printer did not start"; exit 1; }
sim_started=1
uri=$(echo "$make_queue" | sed -n 's/.* -v \([^ ]*\).*/\1/p')
host=$(echo "$uri" | sed 's|^socket://\([^:/]*\).*|\1|')
# shellcheck disable=SC2086
$(echo "$make_queue" | sed "s|$uri|file://$work/out/printer.prn|") 2> "$work/lpadmin.err" ||
  { cat "$work/lpadmin.err"; echo "FAULT: the README's $make_queue failed"; exit 1; }
update=$(readme 'bidiupdate -A')
# shellcheck disable=SC2086
$(echo "$update" | sed "s|$host|127.0.0.1:$port|")
status=$?
[ "$status" = 10 ] || fail "the README's $update exited with $status, not 10"
refresh=$(readme "lpadmin -p $queue -R")
[ -n "$refresh" ] || fail "no command in the README that makes cupsd read the rewritten PPD"
# shellcheck disable=SC2086
$refresh || fail "the README's $refresh failed"

printf '%s\n' '%!PS-Adobe-3.0' '%%Pages: 2' '%%EndComments' \
  '%%Page: 1 1' '/Helvetica findfont 20 scalefont setfont 72 720 moveto (Package page one) show showpage' \
  '%%Page: 2 2' '/Helvetica findfont 20 scalefont setfont 72 720 moveto (Package page two) show showpage' \
  '%%EOF' > "$work/job.ps"
id=$(lp -d "$queue" -t "Package job" -o PageSize=PlainA480 "$work/job.ps" | sed -n "s/.*$queue-\([0-9]*\) .*/\1/p")
state=
n=0
while [ -n "$id" ] && [ $n -lt 600 ]; do
  state=$(ipptool -tv "ipp://localhost/jobs/$id" get-job-attributes.test 2>/dev/null |
    sed -n 's/^ *job-state (enum) = //p')
  case "$state" in completed|processing-stopped|aborted|canceled) break ;; esac
  n=$((n + 1))
  sleep 0.1
done
if [ "$state" = completed ]; then
  printf '\033%%-12345X@PJL JOB NAME="Package job"\r\n' > "$work/header"
  cmp -s -n "$(wc -c < "$work/header")" "$work/header" "$work/out/printer.prn" || fail "the printer data lacks the PJL header"
  [ "$(grep -a -c '^%%PSPageMedia: Plain A4 80 ' "$work/out/printer.prn")" = 2 ] ||
    fail "the printer data lacks the media comment on its two pages"
  text=$(gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=txtwrite -o - "$work/out/printer.prn" 2>/dev/null)
  echo "$text" | grep -q "Package page two" || fail "Ghostscript does not render the printer data"
else
  fail "the job through the package's queue ended as '${state:-not queued}'"
  tail -20 /var/log/cups/error_log 2>/dev/null
fi
lpadmin -x "$queue"

# --- Remove, then purge ---------------------------------------------------------
[ -f "/usr/bin/Tavorinex/$queue" ] || fail "bidiupdate wrote no catalog for $queue"
dpkg -r "$package" > "$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "dpkg -r failed"; }
left=$(while read -r f; do [ "$f" != "$conffile" ] && [ -e "$f" ] && echo "$f"; done < "$work/files")
[ -z "$left" ] || fail "dpkg -r left $left"
[ -e /usr/share/cups/model/tavorinex ] && fail "dpkg -r left /usr/share/cups/model/tavorinex"
[ -f "/usr/bin/Tavorinex/$queue" ] || fail "dpkg -r removed the media catalogs"
grep -qi warning "$work/remove.log" && fail "dpkg -r warned: $(cat "$work/remove.log")"
dpkg --purge "$package" > "$work/purge.log" 2>&1 || fail "dpkg --purge failed"
installed=
grep -qi warning "$work/purge.log" && fail "dpkg --purge warned: $(cat "$work/purge.log")"
[ -e "$conffile" ] && fail "purging left $conffile"
[ -e /usr/bin/Tavorinex ] && fail "purging left /usr/bin/Tavorinex"
[ -e /var/lib/tavorinex ] && fail "purging left /var/lib/tavorinex"
dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed\|config-files' && fail "dpkg still knows $package"

[ "$failures" = 0 ] && echo "PASS: the package builds, installs, prints and removes cleanly" || echo "$failures faults"
exit $((failures > 0))
