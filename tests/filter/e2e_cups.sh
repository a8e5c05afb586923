#!/bin/bash
# End to end inside a real CUPS: a cupsd of our own (its whole tree, its
# filter folder and its socket in a private folder, so the machine's
# /etc/cups and CUPS filter folder are never touched), a queue with the model
# PPD and a file: device, bidiupdate -A against the simulated printer, and
# jobs printed with lp whose printer data is checked byte for byte where it
# is ours and rendered with Ghostscript.
#
# Usage: e2e_cups.sh SOURCE_DIR PSFILTER BIDIUPDATE
#   PSFILTER and BIDIUPDATE are the test builds (fixed paths under
#   $TAVORINEX_TEST_ROOT). Needs root (cupsd runs its filters as user lp).
#   Exits 77 (skipped) when root or a CUPS, Ghostscript or snmpsim tool is
#   missing.
set -uo pipefail

source_dir=$1
psfilter=$2
bidiupdate=$3
queue=Tavorinex

skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "needs root to run cupsd"
for tool in cupsd cupstestppd lp lpadmin lpoptions lpstat ipptool gs snmpsimd; do
  command -v "$tool" > /dev/null || skip "$tool is missing"
done

failures=0
fail() { echo "FAULT: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-e2e.XXXXXX")
chmod 0755 "$work"  # cupsd's filters run as user lp
root=$work/root     # TAVORINEX_TEST_ROOT: PPD folder = cupsd's, catalog folder
cups=$work/cups
cupsd_pid=
sim_started=

cleanup() {
  if [ -n "$cupsd_pid" ]; then
    lpadmin -x "$queue" 2> /dev/null
    kill -TERM "$cupsd_pid" 2> /dev/null
    wait "$cupsd_pid" 2> /dev/null
  fi
  [ -n "$sim_started" ] && "$source_dir/scripts/simprinter" stop "$work/sim" > /dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# --- The printer, the tree and the filter folder ------------------------
mkdir -p "$root/etc/cups/ppd" "$root/usr/bin/Tavorinex" "$root/tmp" "$work/sim" "$work/out" \
  "$cups/spool/tmp" "$cups/cache" "$cups/state" "$cups/log" "$cups/bin/filter"
chmod -R 0755 "$root" "$work/out" "$cups"
port=$("$source_dir/scripts/simprinter" start "$source_dir/tests/printers/full" "$work/sim") ||
  { echo "FAULT: the simulated printer did not start"; exit 1; }
sim_started=1

for entry in /usr/lib/cups/*; do
  [ "$(basename "$entry")" = filter ] || ln -s "$entry" "$cups/bin/"
done
ln -s /usr/lib/cups/filter/* "$cups/bin/filter/"
# Installed as CUPS demands of a filter: root-owned, mode 0755.
install -o root -g root -m 0755 "$psfilter" "$cups/bin/filter/psfilter"

# A free loopback port: clients such as lpoptions need a printer URI.
tcp_port_free() {
  ! awk -v p=":$(printf '%04X' "$1")" 'NR > 1 && substr($2, length($2) - 4) == p { f = 1 } END { exit !f }' \
    /proc/net/tcp /proc/net/tcp6 2> /dev/null
}
ipp_port=$((20000 + RANDOM % 40000))
until tcp_port_free "$ipp_port"; do ipp_port=$((20000 + RANDOM % 40000)); done

cat > "$cups/cups-files.conf" <<EOF
ServerRoot $root/etc/cups
RequestRoot $cups/spool
TempDir $cups/spool/tmp
CacheDir $cups/cache
StateDir $cups/state
ServerBin $cups/bin
ErrorLog $cups/log/error_log
AccessLog $cups/log/access_log
PageLog $cups/log/page_log
FileDevice Yes
SystemGroup root
SetEnv TAVORINEX_TEST_ROOT $root
EOF
cat > "$cups/cupsd.conf" <<EOF
LogLevel debug
Listen $cups/socket
Listen 127.0.0.1:$ipp_port
Browsing Off
WebInterface No
<Location />
  Order allow,deny
  Allow all
</Location>
EOF

# --- cupsd and the queue -----------------------------------------------
export CUPS_SERVER=$cups/socket
cupsd -f -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" > "$cups/log/cupsd.out" 2>&1 &
cupsd_pid=$!
for _ in $(seq 200); do
  lpstat -r 2> /dev/null | grep -q 'scheduler is running' && break
  sleep 0.05
done
lpstat -r 2> /dev/null | grep -q 'scheduler is running' ||
  { echo "FAULT: cupsd did not start"; cat "$cups/log/cupsd.out"; exit 1; }

lpadmin -p "$queue" -E -v "file://$work/out/printer.prn" -P "$source_dir/ppd/TavorinexArcM750XLS.ppd" \
  2> "$work/lpadmin.err" || { echo "FAULT: lpadmin failed"; cat "$work/lpadmin.err"; exit 1; }

# --- bidiupdate -A: the queue's PPD and catalog become the printer's -------
TAVORINEX_TEST_ROOT=$root "$bidiupdate" -A "$queue" "127.0.0.1:$port"
status=$?
[ "$status" = 10 ] || fail "bidiupdate -A exited with $status, not 10"
[ -f "$root/usr/bin/Tavorinex/$queue" ] || fail "bidiupdate wrote no media catalog"

# The rewritten PPD passes with the installed filter checked too (no -W filters).
CUPS_SERVERBIN=$cups/bin cupstestppd "$root/etc/cups/ppd/$queue.ppd" > "$work/cupstestppd.out" 2>&1 ||
  { fail "cupstestppd rejects the queue's PPD with the installed filter"; cat "$work/cupstestppd.out"; }

CUPS_SERVER=127.0.0.1:$ipp_port lpoptions -p "$queue" -l > "$work/options" || fail "lpoptions failed"
offers() {  # option, choice: CUPS offers that choice
  grep -q "^$1/[^:]*:.* \*\?$2\( \|$\)" "$work/options" || fail "CUPS does not offer $1 $2"
}
for media in YellowA4ShortEdge EnvelopeC5 TabStockLetter RecycledA480 HeavyTabloid250 \
  CoatedGlossSRA3170 PlainLetter75 PlainA480; do
  offers PageSize "$media"
done
for tray in Tray1 Tray2 Tray3 Tray7; do offers InputSlot "$tray"; done
offers RGBInputImage AdobeRGB1998
offers RGBInputImage DisplayP3

# --- Printing ------------------------------------------------------------
socket_host=$(printf '%s' "$cups/socket" | sed 's|/|%2F|g')

# Prints job file $1 with the lp options that follow; leaves the printer
# data in $work/job.prn. Fails unless the job completes.
print_job() {
  local job=$1 id state=
  shift
  id=$(lp -d "$queue" "$@" "$job" | sed -n "s/.*$queue-\([0-9]*\) .*/\1/p")
  [ -n "$id" ] || { fail "lp $* was refused"; return 1; }
  for _ in $(seq 600); do
    state=$(ipptool -tv "ipp://$socket_host/jobs/$id" get-job-attributes.test 2> /dev/null |
      sed -n 's/^ *job-state (enum) = //p')
    case $state in
      completed) cp "$work/out/printer.prn" "$work/job.prn"; return 0 ;;
      processing-stopped | aborted | canceled) break ;;
    esac
    sleep 0.05
  done
  fail "job $id ($*) ended as '${state:-unknown}'"
  tail -20 "$cups/log/error_log"
  return 1
}

cat > "$work/report.ps" <<'EOF'
%!PS-Adobe-3.0
%%Title: report
%%Pages: 3
%%BoundingBox: 0 0 595 842
%%EndComments
%%BeginProlog
/show-line { /Courier findfont 24 scalefont setfont 72 720 moveto show } def
%%EndProlog
%%BeginSetup
%%EndSetup
%%Page: 1 1
(Quarterly report page one) show-line showpage
%%Page: 2 2
%%BeginPageSetup
/pagelevel save def
%%EndPageSetup
(Quarterly report page two) show-line pagelevel restore showpage
%%Page: 3 3
(Quarterly report page three) show-line showpage
%%Trailer
%%EOF
EOF

uel=$'\x1b%-12345X'
pjl_header() {  # title [copies]
  printf '%s@PJL JOB NAME="%s"\r\n' "$uel" "$1"
  printf '@PJL COMMENT Tavorinex Printer Drivers for Linux (Arc M750XLS), version 1.1.4\r\n'
  [ -n "${2:-}" ] && printf '@PJL SET QTY=%s\r\n' "$2"
  printf '@PJL ENTER LANGUAGE=POSTSCRIPT\r\n'
}
pjl_trailer() { printf '%s@PJL EOJ\r\n%s' "$uel" "$uel"; }

comment='%%PSPageMedia: Coated Gloss SRA3 170 907 1276 170 white coated2'
command=$'[{\n%%BeginFeature: *PageSize CoatedGlossSRA3170\n<< /PageSize [907 1276] /ImagingBBox null /MediaWeight 170 /MediaColor (white) /MediaType (coated2) /LeadingEdge 3 >> setpagedevice\n%%EndFeature\n} stopped cleartomark'

# How often the text $1 occurs in file $2.
occurrences() {
  TEXT=$1 awk 'BEGIN { RS = "\001"; t = ENVIRON["TEXT"] }
    { s = s $0 } END { while ((i = index(s, t)) > 0) { n++; s = substr(s, i + length(t)) } print n + 0 }' "$2"
}

# The printer data in $work/job.prn: the PJL header of $work/header.pjl and
# the trailer around it, and every page with the media's comment and set-up
# command (and $1 behind it, when given).
check_job_data() {
  local setup=$command${1:+$'\n'$1} pages
  pjl_trailer > "$work/trailer.pjl"
  cmp -s -n "$(stat -c %s "$work/header.pjl")" "$work/header.pjl" "$work/job.prn" ||
    fail "PJL header differs: $(head -c 200 "$work/job.prn" | od -c | head -8)"
  tail -c "$(stat -c %s "$work/trailer.pjl")" "$work/job.prn" | cmp -s - "$work/trailer.pjl" ||
    fail "PJL trailer differs"
  pages=$(grep -a -c '^%%Page:' "$work/job.prn")
  [ "$pages" = 3 ] || fail "$pages pages instead of 3"
  [ "$(occurrences "$comment" "$work/job.prn")" = 3 ] || fail "not 3 page comments"
  [ "$(occurrences "$setup" "$work/job.prn")" = 3 ] || fail "not 3 page set-up commands"
  # Right behind every "%%Page:" line comes the media comment.
  grep -a -A1 '^%%Page:' "$work/job.prn" | grep -a -v -e '^%%Page:' -e '^--$' |
    grep -a -q -v -x -F "$comment" && fail "a page does not start with the media comment"
  sed -n '1,/^%%EndSetup/p' "$work/job.prn" | grep -a -q '^%%BeginFeature: \*PageSize' &&
    fail "the job's own page size feature was passed on"
}

renders() {  # the printer data prints: Ghostscript finds every page's text
  local text
  text=$(gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=txtwrite -o - "$1" 2> "$work/gs.err")
  for page in one two three; do
    grep -q "Quarterly report page $page" <<< "$text" || fail "Ghostscript did not render page $page of $1"
  done
}

if print_job "$work/report.ps" -t "Quarterly report" -n 1 -o PageSize=CoatedGlossSRA3170 -o InputSlot=Tray2; then
  pjl_header "Quarterly report" > "$work/header.pjl"
  check_job_data
  renders "$work/job.prn"
  cp "$work/job.prn" "$work/report.prn"
fi

# Copies: CUPS's pstops makes them (it asks the printer once, with NumCopies
# and the Collate feature); the PJL header must not ask for them again.
for collation in "" "-o collate=true" "-o collate=false"; do
  # shellcheck disable=SC2086
  if print_job "$work/report.ps" -t "Copies" -n 3 -o PageSize=CoatedGlossSRA3170 $collation; then
    pjl_header Copies > "$work/header.pjl"
    check_job_data
    grep -a -q '^@PJL SET QTY' "$work/job.prn" && fail "copies asked for twice ($collation)"
    requests=$(grep -a -c '^%RBIBeginNonPPDFeature: \*NumCopies 3$' "$work/job.prn")
    [ "$requests" = 1 ] || fail "$requests NumCopies 3 requests instead of 1 ($collation)"
  fi
done

# --- The page region and input slot path, which pstops never takes -----
{
  sed -n '1,/^%%BeginSetup/p' "$work/report.ps"
  printf '[{\n%%%%BeginFeature: *PageRegion CoatedGlossSRA3170\n<< /PageSize [907 1276] >> setpagedevice\n%%%%EndFeature\n} stopped cleartomark\n'
  printf '[{\n%%%%BeginFeature: *InputSlot Tray3\n<< /MediaPosition 3 >> setpagedevice\n%%%%EndFeature\n} stopped cleartomark\n'
  sed -n '/^%%EndSetup/,$p' "$work/report.ps"
} > "$work/region.ps"
(cd "$work" && TMPDIR=$work/out TAVORINEX_TEST_ROOT=$root exec -a "$queue" "$psfilter" 7 alice Region 1 "" \
  < "$work/region.ps" > "$work/job.prn")
status=$?
[ "$status" = 0 ] || fail "psfilter on the page region job exited with $status"
pjl_header Region > "$work/header.pjl"
check_job_data $'[{\n%%BeginFeature: *InputSlot Tray3\n<< /MediaPosition 3 >> setpagedevice\n%%EndFeature\n} stopped cleartomark'
renders "$work/job.prn"
[ -z "$(ls -A "$work/out" | grep -v '^printer.prn$')" ] || fail "psfilter left a spool file"

[ "$failures" = 0 ] && echo "PASS: printed through a real CUPS queue" || echo "$failures faults"
exit $((failures > 0))
