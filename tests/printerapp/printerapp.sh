#!/bin/bash
# The Printer Application as a process: a server whose state, spool and
# control socket lie in a private folder, a printer added against a TCP
# sink with the simulated printer `full` behind its SNMP port, what IPP
# clients are offered (ipptool), a PostScript job that reaches the sink
# wrapped in PJL, a job whose editing fails while the server keeps serving,
# jobs whose IPP choices reach the sink as the same choices do through the
# PPD front, jobs refused for values the printer does not offer, a PDF job
# through Ghostscript, a broken PDF refused, and a port already taken on IPv4.
#
# Usage: printerapp.sh SOURCE_DIR APP PSFILTER BIDIUPDATE
#   PSFILTER and BIDIUPDATE are the test builds (fixed paths under
#   $TAVORINEX_TEST_ROOT). Exits 77 (skipped) when ipptool, cupsfilter,
#   snmpsimd or python3 is missing.
set -uo pipefail

source_dir=$1
app=$2
psfilter=$3
bidiupdate=$4

skip() { echo "SKIP: $*"; exit 77; }
for tool in ipptool cupsfilter snmpsimd python3; do
  command -v "$tool" > /dev/null || skip "$tool is missing"
done

failures=0
fail() { echo "FAULT: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-papp.XXXXXX")
chmod 0755 "$work"  # the simulated printer runs as nobody
mkdir -p "$work/sim" "$work/state" "$work/tmp" "$work/home" "$work/sink"
sim_started=
pids=()

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null && wait "$pid" 2> /dev/null; done
  [ -n "$sim_started" ] && "$source_dir/scripts/simprinter" stop "$work/sim" > /dev/null 2>&1
  if [ -n "${KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("", 0)); print(s.getsockname()[1])'
}

# Every file of the server under $work: the socket and the state under
# SNAP_COMMON, the job files under TMPDIR.
in_work() {
  env SNAP_COMMON="$work/state" TMPDIR="$work/tmp" HOME="$work/home" XDG_CONFIG_HOME="$work/home" "$@"
}

snmp_port=$("$source_dir/scripts/simprinter" start "$source_dir/tests/printers/full" "$work/sim") ||
  { echo "FAULT: the simulated printer did not start"; exit 1; }
sim_started=1

# The printer's print port: every connection is written to sink/jobN.
sink_port=$(free_port)
python3 - "$sink_port" "$work/sink" <<'EOF' &
import socket, sys
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen(5)
count = 0
while True:
    connection, _ = server.accept()
    count += 1
    with open("%s/.job%d" % (sys.argv[2], count), "wb") as out:
        while data := connection.recv(65536):
            out.write(data)
    connection.close()
    import os
    os.rename("%s/.job%d" % (sys.argv[2], count), "%s/job%d" % (sys.argv[2], count))
EOF
pids+=($!)

server_port=$(free_port)
in_work ${WRAP:-} "$app" server -o server-port="$server_port" -o snmp-port="$snmp_port" \
  -o refresh-interval=2 -o log-file="$work/app.log" -o log-level=debug &
server_pid=$!
pids+=("$server_pid")
printer_uri=ipp://127.0.0.1:$server_port/ipp/print/arc

wait_for() {  # CONDITION... : up to 30 s
  for _ in $(seq 150); do "$@" && return 0; sleep 0.2; done
  return 1
}
wait_for test -S "$work/state/tavorinex-printer-app.sock" || fail "the server made no control socket"

# --- A printer against the sink -----------------------------------------
in_work "$app" add -d arc -v "socket://127.0.0.1:$sink_port" -m tavorinex_arc_m750xls ||
  fail "add refused the printer"
in_work "$app" printers | grep -qx arc || fail "printers does not list arc"

attributes() {
  ipptool -tv "$printer_uri" -d uri="$printer_uri" /dev/stdin <<'EOF' 2> /dev/null
{
  OPERATION Get-Printer-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR keyword requested-attributes all
  STATUS successful-ok
}
EOF
}
# The first reading replaces A4 and Letter in tray 1.
wait_for sh -c "$(declare -f attributes); printer_uri=$printer_uri attributes | grep -q by-pass-tray" ||
  fail "the printer's reading never reached the server"
attrs=$(attributes)
echo "$attrs" > "$work/attributes.txt"

expect_attr() {  # NAME VALUES: the attribute's values, as ipptool prints them
  local line
  line=$(grep -m1 "^ *$1 (" <<< "$attrs" | sed 's/^[^=]*= //')
  [ "$line" = "$2" ] || fail "$1 is '$line', expected '$2'"
}
expect_attr media-supported "iso_a4_210x297mm,na_letter_8.5x11in,iso_sra3_320x450mm,na_ledger_11x17in,om_recycled-a-480_210x297mm,na_9x11_9x11in,iso_c5_162x229mm,om_yellow-a-4-short-edge_210x297mm"
expect_attr media-source-supported "tray-1,tray-2,tray-3,tray-4,large-capacity,tray-6,by-pass-tray,auto"
expect_attr media-ready "iso_a4_210x297mm,na_letter_8.5x11in,iso_sra3_320x450mm,iso_a4_210x297mm,om_recycled-a-480_210x297mm,na_ledger_11x17in,iso_c5_162x229mm"
expect_attr media-type-supported "stationery,stationery-coated-2,stationery-heavyweight-2,stationery-recycled,tab-stock,envelope,stationery-colored"
# The full printer has a stapling finisher and a punch unit; the server
# lists finishings by kind only (the patterns are the model's).
expect_attr finishings-supported "none,punch,staple"
expect_attr tavorinex-rgb-input-image-profile-supported "none,adobe-rgb-1998,display-p3,srgb-iec61966-2.1"
expect_attr tavorinex-printer-text-profile-supported "none,arc-heavy-matt,arc-uncoated,arc-coated-gloss"
grep -q "Duplicate" <<< "$attrs" && fail "the printer's attributes hold a duplicate: $(grep Duplicate <<< "$attrs")"
expect_attr tavorinex-gray-input-text-profile-default "none"
expect_attr printer-make-and-model "Tavorinex Arc M750XLS"
# The server adds the raster and image formats of its own filters.
grep -q "document-format-supported (1setOf mimeMediaType) = .*application/postscript" <<< "$attrs" ||
  fail "PostScript is not among the document formats"
grep -q "media-source = large-capacity" <<< "$attrs" ||
  grep -q "media-source=large-capacity" <<< "$attrs" || fail "no ready media in the large capacity tray"

# --- A PostScript job reaches the printer wrapped in PJL ----------------
cat > "$work/job.ps" <<'EOF'
%!PS-Adobe-3.0
%%Pages: 1
%%EndComments
%%Page: 1 1
/Helvetica findfont 24 scalefont setfont 72 720 moveto (Printer Application) show
showpage
%%EOF
EOF
print_job() {  # FILE MEDIA
  ipptool -t "$printer_uri" -d uri="$printer_uri" -d media="$2" -f "$1" /dev/stdin <<'EOF' > /dev/null
{
  OPERATION Print-Job
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR name requesting-user-name test
  ATTR name job-name "Report 1"
  ATTR mimeMediaType document-format application/postscript
  GROUP job-attributes-tag
  ATTR keyword media $media
  FILE $filename
  STATUS successful-ok
}
EOF
}
print_job "$work/job.ps" om_recycled-a-480_210x297mm || fail "Print-Job was refused"
wait_for test -f "$work/sink/job1" || fail "the printer received nothing"
if [ -f "$work/sink/job1" ]; then
  job=$(cat "$work/sink/job1")
  [[ $job == $'\e%-12345X@PJL'* ]] || fail "the job does not start with the PJL escape"
  grep -q '@PJL JOB NAME="Report 1"' <<< "$job" || fail "no PJL job name"
  grep -q '(Printer Application) show' <<< "$job" || fail "the page did not reach the printer"
  # The media asked for by its own name: Recycled A4 80's set-up on the page.
  grep -q 'Recycled' <<< "$job" || fail "the page has not the set-up of Recycled A4 80"
  [[ $job == *$'\e%-12345X' ]] || grep -q '@PJL EOJ' <<< "$job" || fail "no PJL end of job"
fi

# --- A job whose editing fails aborts alone -----------------------------
# The editing child spools in TMPDIR: without it the child fails.
mv "$work/tmp" "$work/tmp-gone"
print_job "$work/job.ps" iso_a4_210x297mm > /dev/null
wait_for grep -q "could not be edited" "$work/app.log" || fail "the failed editing was not logged"
mv "$work/tmp-gone" "$work/tmp"
kill -0 "$server_pid" 2> /dev/null || fail "the server ended with the failed job"
jobs=$(ipptool -tv "$printer_uri" -d uri="$printer_uri" /dev/stdin 2> /dev/null <<'EOF'
{
  OPERATION Get-Jobs
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR keyword which-jobs completed
  ATTR keyword requested-attributes job-id,job-state
  STATUS successful-ok
}
EOF
)
grep -q "job-state (enum) = aborted" <<< "$jobs" || fail "the failed job is not aborted"
# The server opens the device before the job's callback runs: the failed
# job is a connection that sent nothing.
wait_for test -f "$work/sink/job2" || fail "the failed job's connection did not end"
[ -s "$work/sink/job2" ] && fail "the failed job reached the printer"
print_job "$work/job.ps" iso_a4_210x297mm || fail "the server refused the job after the failed one"
wait_for test -f "$work/sink/job3" || fail "the job after the failed one did not print"
grep -q 'Plain A4 80' "$work/sink/job3" 2> /dev/null ||
  fail "a job asking for A4 does not print on the first A4 media"

# --- A job's choices reach the printer as the PPD front sends them ------
# The PPD front: a copy of the model PPD updated by bidiupdate -A against
# the same printer, cupsfilter (CUPS's own PostScript filter, no cupsd) and
# psfilter. What is compared: the PJL lines, the copies mark and code, every
# feature block and each page's set-up, in order. CUPS's filter ends the
# PostScript with a ^D of its own, left out.
sinks=3
next_sink() {  # waits for the printer's next connection; its file in $sink
  sinks=$((sinks + 1))
  sink=$work/sink/job$sinks
  wait_for test -f "$sink"
}
printed_parts() {
  awk '/^\x04?\x1b%-12345X@PJL|^@PJL|^%RBINumCopies|^%%PSPageMedia/ { sub(/^\x04/, ""); print; next }
       /^%%BeginFeature|^%RBIBeginNonPPDFeature|^%%BeginPageSetup/ { block = 1 }
       block { print }
       /^%%EndFeature|^%RBIEndNonPPDFeature|^%%EndPageSetup/ { block = 0 }' "$1"
}
front_root=$work/front
mkdir -p "$front_root/etc/cups/ppd" "$front_root/usr/bin/Tavorinex" "$front_root/tmp"
cp "$source_dir/ppd/TavorinexArcM750XLS.ppd" "$front_root/etc/cups/ppd/arc.ppd"
TAVORINEX_TEST_ROOT=$front_root "$bidiupdate" -A arc "127.0.0.1:$snmp_port" > /dev/null 2>&1
[ $? = 10 ] || fail "bidiupdate -A did not update the front's PPD"
through_front() {  # COPIES OPTION...: the printer data of job.ps through the PPD front
  local copies=$1
  shift
  local options=()
  for option in "$@"; do options+=(-o "$option"); done
  cupsfilter -p "$front_root/etc/cups/ppd/arc.ppd" -m application/vnd.cups-postscript \
    -n "$copies" -t "Report 1" "${options[@]}" "$work/job.ps" > "$work/front.ps" 2> /dev/null &&
    (cd "$work" && TAVORINEX_TEST_ROOT=$front_root PPD=$front_root/etc/cups/ppd/arc.ppd \
      exec -a arc "$psfilter" 1 test "Report 1" "$copies" "" "$work/front.ps") > "$work/front.prn" 2> /dev/null
}
submit() {  # ATTRIBUTE LINES [FILE FORMAT]: a Print-Job (of job.ps) with those job attributes; its job-id in $job_id
  job_id=$(ipptool -tv "$printer_uri" -d uri="$printer_uri" -d format="${3:-application/postscript}" \
    -f "${2:-$work/job.ps}" /dev/stdin 2> /dev/null <<EOF2 |
{
  OPERATION Print-Job
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri \$uri
  ATTR name requesting-user-name test
  ATTR name job-name "Report 1"
  ATTR mimeMediaType document-format \$format
  GROUP job-attributes-tag
  $1
  FILE \$filename
  STATUS successful-ok
}
EOF2
    sed -n 's/^ *job-id (integer) = //p')
  [ -n "$job_id" ]
}
as_front() {  # NAME COPIES OPTION... -- ATTRIBUTE LINES: the job sends what the front sends
  local name=$1 copies=$2 options=()
  shift 2
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  submit "$2" || { fail "$name: Print-Job was refused"; return; }
  next_sink || { fail "$name: the printer received nothing"; return; }
  through_front "$copies" "${options[@]}" || { fail "$name: the PPD front failed"; return; }
  printed_parts "$work/front.prn" > "$work/$name.front"
  printed_parts "$sink" > "$work/$name.app"
  [ -s "$work/$name.front" ] || fail "$name: nothing of the front's job to compare"
  cmp -s "$work/$name.front" "$work/$name.app" ||
    fail "$name: the printer received other code than through the PPD front: $(diff "$work/$name.front" "$work/$name.app" | head -20)"
}
media_col() {  # SOURCE TYPE X Y: a media-col job attribute, empty members left out
  local source=${1:-} type=${2:-} x=${3:-} y=${4:-}
  echo "ATTR collection media-col {"
  [ -n "$source" ] && echo "MEMBER keyword media-source $source"
  [ -n "$type" ] && echo "MEMBER keyword media-type $type"
  [ -n "$x" ] && echo "MEMBER collection media-size { MEMBER integer x-dimension $x MEMBER integer y-dimension $y }"
  echo "}"
}
as_front by-source 1 PageSize=PlainLetter75 InputSlot=Tray2 -- "$(media_col tray-2)"
grep -q '/MediaPosition 2' "$sink" 2> /dev/null || fail "by-source: no tray command for tray 2"
as_front by-size-and-type 1 PageSize=RecycledA480 -- \
  "$(media_col "" stationery-recycled 21000 29700)"
grep -q 'Recycled A4 80' "$sink" 2> /dev/null || fail "by-size-and-type: not on Recycled A4 80"
as_front by-size 1 PageSize=Tabloid -- "$(media_col "" "" 27940 43180)"
as_front staple-punch 1 PageSize=A4 Staple=2LP Punch=2LP -- \
  "ATTR keyword media iso_a4_210x297mm ATTR enum finishings 28,74"
as_front staple-top-left 1 PageSize=A4 Staple=1LDP -- "ATTR enum finishings 20"
as_front profile 1 PageSize=A4 PrinterImage=ArcCoatedGloss -- \
  "ATTR keyword tavorinex-printer-image-profile arc-coated-gloss"
as_front copies 2 PageSize=A4 -- "ATTR integer copies 2"
grep -q '@PJL SET QTY' "$sink" 2> /dev/null && fail "copies: the printer would make the copies twice"

# Values the printer does not offer: the job aborts with the reason, and
# the printer gets nothing.
refused() {  # NAME MESSAGE ATTRIBUTE LINES [FILE FORMAT]
  submit "$3" "${@:4}" || { fail "$1: Print-Job was refused at once"; return; }
  next_sink || { fail "$1: the job's connection did not end"; return; }
  [ -s "$sink" ] && fail "$1: the refused job reached the printer"
  local state
  state=$(ipptool -tv "$printer_uri" -d uri="$printer_uri" -d job="$job_id" /dev/stdin 2> /dev/null <<'EOF2'
{
  OPERATION Get-Job-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR integer job-id $job
  ATTR keyword requested-attributes job-state,job-state-reasons,job-state-message
  STATUS successful-ok
}
EOF2
)
  grep -q "job-state (enum) = aborted" <<< "$state" || fail "$1: the job is not aborted: $state"
  grep -q "job-state-message (text.*) = $2" <<< "$state" ||
    fail "$1: the client is not told '$2': $state"
}
refused source "media-source tray-9 is not supported" "$(media_col tray-9)"
refused paper-tray "media-col media-source tray-2 media-size 210x297mm is not supported: the tray holds other media" \
  "$(media_col tray-2 "" 21000 29700)"
refused type "media-type transparency is not supported" "$(media_col "" transparency 21000 29700)"
refused tray-media "media-col media-source by-pass-tray media-size 210x297mm is not supported: the tray holds other media" \
  "$(media_col by-pass-tray "" 21000 29700)"
refused finishing "finishings 78 is not supported" "ATTR enum finishings 78"
refused profile "tavorinex-rgb-input-image-profile no-such-profile is not supported" \
  "ATTR keyword tavorinex-rgb-input-image-profile no-such-profile"

# --- PDF jobs go through Ghostscript, then the PostScript job's way --------
grep -q "document-format-supported (1setOf mimeMediaType) = .*application/pdf" <<< "$attrs" ||
  fail "PDF is not among the document formats"
cat > "$work/pages.ps" <<'EOF'
%!PS-Adobe-3.0
/Helvetica findfont 24 scalefont setfont
1 1 3 { 72 720 moveto (Page number ) show 3 string cvs show showpage } for
EOF
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile="$work/pages.pdf" "$work/pages.ps" ||
  fail "gs made no PDF"
if submit "$(media_col "" stationery-recycled 21000 29700) ATTR rangeOfInteger page-ranges 2-2" \
  "$work/pages.pdf" application/pdf && next_sink; then
  job=$(cat "$sink")
  [[ $job == $'\e%-12345X@PJL'* ]] || fail "pdf: the job does not start with the PJL escape"
  grep -q '@PJL JOB NAME="Report 1"' <<< "$job" || fail "pdf: no PJL job name"
  [ "$(grep -ac '^%%Page:' "$sink")" = 1 ] || fail "pdf: page-ranges 2-2 did not give one page"
  grep -q 'Recycled A4 80' <<< "$job" || fail "pdf: the page has not the set-up of Recycled A4 80"
  # What the printer's interpreter gets: the job without its PJL lines.
  grep -av $'^\e%-12345X\\|^@PJL' "$sink" > "$work/pdf-job.ps"
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=nullpage "$work/pdf-job.ps" > /dev/null 2>&1 ||
    fail "pdf: the printed PostScript does not render"
  text=$(gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=txtwrite -sOutputFile=- "$work/pdf-job.ps" 2> /dev/null)
  grep -q "Page number 2" <<< "$text" && ! grep -q "Page number [13]" <<< "$text" ||
    fail "pdf: the printed page is not page 2: $text"
else
  fail "pdf: the PDF job did not reach the printer"
fi
# A PDF that names no pages: Ghostscript fails, the job aborts with why,
# and the printer gets nothing.
printf '%%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%%%EOF\n' \
  > "$work/broken.pdf"
refused broken-pdf "Ghostscript could not read the PDF (exit status 1)" "" "$work/broken.pdf" application/pdf
grep -q "\[Job $job_id\] gs: .*Error" "$work/app.log" || fail "broken-pdf: Ghostscript's messages are not in the job's log"

# --- Defaults outlive refreshes and a restart; the printer's trays win ----
ipptool -t "$printer_uri" -d uri="$printer_uri" /dev/stdin <<'EOF' > /dev/null || fail "Set-Printer-Attributes was refused"
{
  OPERATION Set-Printer-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  GROUP printer-attributes-tag
  ATTR keyword media-ready na_letter_8.5x11in,na_letter_8.5x11in
  STATUS successful-ok
}
{
  OPERATION Set-Printer-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  GROUP printer-attributes-tag
  ATTR keyword media-default om_recycled-a-480_210x297mm
  ATTR keyword tavorinex-rgb-input-image-profile-default display-p3
  STATUS successful-ok
}
EOF
sleep 5  # two refresh intervals
attrs=$(attributes)
expect_attr media-default om_recycled-a-480_210x297mm
expect_attr tavorinex-rgb-input-image-profile-default display-p3
# A job that asks nothing gets the printer's defaults, as a queue's
# defaults give them.
as_front defaults 1 PageSize=RecycledA480 RGBInputImage=DisplayP3 -- ""
# A job that names only a size prints on the default media when that has
# the size, as media=A4 does on a queue whose default has the size; not on
# the first A4 the printer has.
sed -i 's/^\*DefaultPageSize: .*/*DefaultPageSize: RecycledA480/' "$front_root/etc/cups/ppd/arc.ppd"
as_front size-of-default 1 media=A4 RGBInputImage=DisplayP3 -- "$(media_col "" "" 21000 29700)"
grep -q 'Recycled A4 80' "$sink" 2> /dev/null || fail "size-of-default: not on the default Recycled A4 80"

in_work "$app" shutdown > /dev/null 2>&1
wait_for sh -c "! kill -0 $server_pid 2> /dev/null" || fail "shutdown did not end the server"
# The state holds the job history: only the server's user may read it.
state_file=$(find "$work/state" -name '*.state' | head -1)
[ -n "$state_file" ] || fail "the server saved no state under $work/state"
[ -z "$state_file" ] || [ "$(stat -c %a "$state_file")" = 600 ] ||
  fail "the state file is mode $(stat -c %a "$state_file"), not 600"
in_work "$app" server -o server-port="$server_port" -o snmp-port="$snmp_port" \
  -o refresh-interval=2 -o log-file="$work/app2.log" -o log-level=debug &
server_pid=$!
pids+=("$server_pid")
ready="iso_a4_210x297mm,na_letter_8.5x11in,iso_sra3_320x450mm,iso_a4_210x297mm,om_recycled-a-480_210x297mm,na_ledger_11x17in,iso_c5_162x229mm"
wait_for sh -c "$(declare -f attributes); printer_uri=$printer_uri attributes | grep -q 'media-ready (1setOf keyword) = $ready'" ||
  fail "the saved ready media won over the printer's after a restart"
attrs=$(attributes)
expect_attr media-ready "$ready"
expect_attr media-default om_recycled-a-480_210x297mm
expect_attr tavorinex-rgb-input-image-profile-default display-p3

# --- A port taken on IPv4 stops the server at once -----------------------
taken=$(in_work "$app" server -o server-port="$server_port" -o snmp-port="$snmp_port" 2>&1)
status=$?
[ "$status" -ne 0 ] || fail "a second server on port $server_port exited 0"
grep -q "port $server_port is in use" <<< "$taken" || fail "no message for the taken port: $taken"

in_work "$app" shutdown > /dev/null 2>&1
wait_for sh -c "! kill -0 $server_pid 2> /dev/null" || fail "shutdown did not end the server"

if [ "$failures" -ne 0 ]; then
  echo "--- server log"
  tail -40 "$work/app.log"
  exit 1
fi
echo "PASS"
