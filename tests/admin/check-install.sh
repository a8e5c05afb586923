#!/bin/sh
# cmake --install into a private DESTDIR, under the umask 077 of a careful
# administrator: exactly the package's files, each with the mode its reader
# needs, folders that users lp and man can traverse, nothing world-writable,
# a filter that links no SNMP library, man pages that render without
# warnings, and a model PPD that cupstestppd accepts with the installed filter.
# With the Printer Application (PRINTER_APP 1), its program, man page and
# systemd unit too.
#
# Usage: check-install.sh BUILD_DIR SOURCE_DIR PREFIX CUPS_FILTER_DIR PRINTER_APP
set -u

build=$1
source=$2
prefix=$3
filters=$4
printer_app=$5

failures=0
fail() { echo "FAULT: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-install.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
dest=$work/root

if ! (umask 077 && DESTDIR=$dest cmake --install "$build" > "$work/install.log" 2>&1); then
  cat "$work/install.log"
  echo "FAULT: cmake --install failed"
  exit 1
fi

ppd=$prefix/share/cups/model/tavorinex/TavorinexArcM750XLS.ppd
# Every installed file with its mode.
expected="755 $prefix/bin/bidiupdate
755 $prefix/bin/tavorinex-query
755 $prefix/bin/errtext
755 $filters/psfilter
644 $ppd
644 $prefix/share/man/man1/bidiupdate.1
644 $prefix/share/man/man1/tavorinex-query.1
644 $prefix/share/man/man1/errtext.1
644 $prefix/share/man/man7/psfilter.7
644 $prefix/share/man/man8/tavorinex-refresh.8
755 $prefix/sbin/tavorinex-refresh
644 /lib/systemd/system/tavorinex-refresh.service
644 /lib/systemd/system/tavorinex-refresh.timer
644 /etc/cron.d/tavorinex-refresh"
if [ "$printer_app" = 1 ]; then
  expected="$expected
755 $prefix/bin/tavorinex-printer-app
644 $prefix/share/man/man8/tavorinex-printer-app.8
644 /lib/systemd/system/tavorinex-printer-app.service"
fi
echo "$expected" | sort -k2 > "$work/expected"
(cd "$dest" && find . ! -type d -printf '%m /%P\n' | sort -k2) > "$work/actual"
diff "$work/expected" "$work/actual" > "$work/diff" ||
  fail "installed files (>) differ from the package's list (<): $(cat "$work/diff")"

# Folders the programs and CUPS's helpers (user lp) must read or traverse.
for folder in /usr/bin/Tavorinex "$filters" "$prefix/share/cups/model" "$prefix/share/cups/model/tavorinex" \
  "$prefix/bin" "$prefix/sbin" "$prefix/share/man/man1" "$prefix/share/man/man7" \
  "$prefix/share/man/man8"; do
  mode=$(stat -c %a "$dest$folder" 2>/dev/null) || { fail "no folder $folder"; continue; }
  [ "$mode" = 755 ] || fail "folder $folder has mode $mode, not 755"
done

writable=$(find "$dest" -mindepth 1 \( -perm -o+w -o -perm -g+w \) -printf '/%P\n')
[ -z "$writable" ] || fail "group- or world-writable: $writable"

cmp -s "$source/ppd/TavorinexArcM750XLS.ppd" "$dest$ppd" || fail "the installed PPD is not the model PPD"

if [ "$(id -u)" = 0 ]; then
  owners=$(find "$dest" -mindepth 1 ! -user root -printf '/%P\n')
  [ -z "$owners" ] || fail "not owned by root: $owners"
  # -R: the PPD's *cupsFilter is looked for in the installed filter folder,
  # which CUPS accepts only root-owned and not writable by others.
  out=$(cupstestppd -R "$dest" "$dest$ppd" 2>&1) || fail "cupstestppd refuses the installed PPD with its filter:
$out"
fi

# The filter needs nothing beyond the C and C++ runtimes (a sanitizer
# build adds its runtimes).
needed=$(objdump -p "$dest$filters/psfilter" | awk '$1 == "NEEDED" { print $2 }' |
  grep -v -e '^libc\.so' -e '^libm\.so' -e '^libstdc++\.so' -e '^libgcc_s\.so' \
    -e '^libasan\.so' -e '^libubsan\.so' -e '^ld-linux')
[ -z "$needed" ] || fail "psfilter links $needed"
objdump -p "$dest$prefix/bin/bidiupdate" | grep -q 'NEEDED.*libnetsnmp' || fail "bidiupdate does not link net-snmp"
# libcups takes device URIs apart for bidiupdate --snmp-peer, and only there.
objdump -p "$dest$prefix/bin/bidiupdate" | grep -q 'NEEDED.*libcups\.' || fail "bidiupdate does not link libcups"
for program in bin/errtext bin/tavorinex-query; do
  objdump -p "$dest$prefix/$program" | grep -q 'NEEDED.*libcups\.' && fail "$program links libcups"
done

if command -v man > /dev/null; then
  pages="man1/bidiupdate.1 man1/tavorinex-query.1 man1/errtext.1 man7/psfilter.7 man8/tavorinex-refresh.8"
  [ "$printer_app" = 1 ] && pages="$pages man8/tavorinex-printer-app.8"
  for page in $pages; do
    file=$dest$prefix/share/man/$page
    warnings=$(LC_ALL=C MANWIDTH=80 man --warnings -l "$file" 2>&1 > "$work/page")
    [ -z "$warnings" ] || fail "man $page warns: $warnings"
    [ "$(grep -c . "$work/page")" -gt 10 ] || fail "man $page renders almost nothing"
  done
fi

[ "$failures" = 0 ] && echo "PASS: the install layout" || echo "$failures faults"
exit $((failures > 0))
