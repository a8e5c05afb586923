#!/bin/bash
# End to end inside a real CUPS: a cupsd of our own (its whole tree, its
# filter folder and its socket in a private folder, so the machine's
# /etc/cups and CUPS filter folder are never touched), a queue with the model
# PPD and a file: device, bidiupdate -A against the simulated printer, and
# jobs printed with lp whose printer data is checked byte for byte where it
# is ours and rendered with Ghostscript. Groups: the queue and its PPD; trays;
# copies; job names; page content (a listing that shows DSC comments and a
# page with an embedded EPS render the same through the queue as through a
# queue of the same PPD without the filter); media (missing from the
# catalog, PDF jobs, the administrator's default); IPP finishings; page
# accounting and quotas against a queue that pstops counts.
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
sim_started=

cleanup() {
  if [ -f "$cups/cupsd.pid" ]; then
    for q in "$queue" Unfiltered Second Control; do lpadmin -x "$q" 2> /dev/null; done
    cups_private_stop "$cups"
  fi
  [ -n "$sim_started" ] && "$source_dir/scripts/simprinter" stop "$work/sim" > /dev/null 2>&1
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# --- The printer, the tree and a cupsd with our filter ------------------
mkdir -p "$root/etc/cups/ppd" "$root/usr/bin/Tavorinex" "$root/tmp" "$work/sim" "$work/out"
chmod -R 0755 "$root" "$work/out"
port=$("$source_dir/scripts/simprinter" start "$source_dir/tests/printers/full" "$work/sim") ||
  { echo "FAULT: the simulated printer did not start"; exit 1; }
sim_started=1

# shellcheck source=scripts/cups-sandbox
. "$source_dir/scripts/cups-sandbox"
# The filter folder's name for it is psfilter, whatever the test build is called.
cp "$psfilter" "$work/psfilter"
cups_private_start "$cups" "$root" "$work/psfilter" || { echo "FAULT: cupsd did not start"; exit 1; }
ipp_port=$cups_private_ipp_port

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

# Prints job file $1 with the lp options that follow on queue $dest (the
# queue unless set); leaves the printer data in $work/job.prn and the job's
# id in $printed. Fails unless the job completes.
print_job() {
  local job=$1 id to=${dest:-$queue}
  shift
  id=$(lp -d "$to" "$@" "$job" | sed -n "s/.*$to-\([0-9]*\) .*/\1/p")
  [ -n "$id" ] || { fail "lp $* was refused"; return 1; }
  wait_job "$id" "$*"
}

# Waits for job $1 (printed with $2) to complete, as print_job.
wait_job() {
  local id=$1 state=
  printed=$id
  for _ in $(seq 600); do
    state=$(ipptool -tv "ipp://$socket_host/jobs/$id" get-job-attributes.test 2> /dev/null |
      sed -n 's/^ *job-state (enum) = //p')
    case $state in
      completed) cp "$work/out/printer.prn" "$work/job.prn"; return 0 ;;
      processing-stopped | aborted | canceled) break ;;
    esac
    sleep 0.05
  done
  fail "job $id ($2) ended as '${state:-unknown}'"
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

warned() {  # job id, text: cupsd logged the job's WARNING line, which says the text
  for _ in $(seq 50); do  # cupsd writes its log a moment after the job ends
    grep -a "^W .* \[Job $1\] Tavorinex software: pages get no media set-up: " "$cups/log/error_log" |
      grep -q -F "$2" && return 0
    sleep 0.1
  done
  fail "job $1 logged no warning saying '$2'"
}

renders() {  # the printer data prints: Ghostscript finds every page's text
  local text
  text=$(gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=txtwrite -o - "$1" 2> "$work/gs.err")
  for page in one two three; do
    grep -q "Quarterly report page $page" <<< "$text" || fail "Ghostscript did not render page $page of $1"
  done
}

tray_command() {
  printf '[{\n%%%%BeginFeature: *InputSlot Tray%s\n<< /MediaPosition %s >> setpagedevice\n%%%%EndFeature\n} stopped cleartomark' "$1" "$1"
}

# --- Trays: pstops writes the page size and the input slot features ------
if print_job "$work/report.ps" -t "Quarterly report" -n 1 -o PageSize=CoatedGlossSRA3170 -o InputSlot=Tray2; then
  pjl_header "Quarterly report" > "$work/header.pjl"
  check_job_data "$(tray_command 2)"
  renders "$work/job.prn"
  cp "$work/job.prn" "$work/report.prn"
fi
# The automatic tray: the media's texts on every page, no tray command.
if print_job "$work/report.ps" -t Automatic -o PageSize=CoatedGlossSRA3170 -o InputSlot=Tray0; then
  pjl_header Automatic > "$work/header.pjl"
  check_job_data
  [ "$(grep -a -c 'MediaPosition' "$work/job.prn")" = 1 ] || fail "a tray command for the automatic tray"
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

# A header of 100 font resource lines puts pstops's copies mark past 3 KB.
{
  echo '%!PS-Adobe-3.0'
  echo '%%DocumentNeededResources: font Courier'
  for i in $(seq 100); do echo "%%+ font TavorinexSerif-Number$i"; done
  sed -n '2,$p' "$work/report.ps"
} > "$work/long-header.ps"
if print_job "$work/long-header.ps" -t Copies -n 3 -o PageSize=CoatedGlossSRA3170; then
  pjl_header Copies > "$work/header.pjl"
  check_job_data
  grep -a -q '^@PJL SET QTY' "$work/job.prn" && fail "copies asked for twice (4 KB header)"
  requests=$(grep -a -c '^%RBIBeginNonPPDFeature: \*NumCopies 3$' "$work/job.prn")
  [ "$requests" = 1 ] || fail "$requests NumCopies 3 requests instead of 1 (4 KB header)"
  mark=$(grep -a -b '^%RBINumCopies: 3$' "$work/job.prn" | cut -d: -f1)
  mark=$((${mark:-0} - $(stat -c %s "$work/header.pjl")))
  [ "$mark" -gt 3000 ] || fail "pstops's copies mark is at byte $mark of the job, not past 3 KB"
fi

# --- Job names: one well-formed PJL line whatever the title holds ---------
for title in 'Report "Q3"' 'x" START=999 PASSWORD=1 DISPLAY="y'; do
  if print_job "$work/report.ps" -t "$title" -o PageSize=CoatedGlossSRA3170; then
    pjl_header "$(printf '%s' "$title" | tr '"' "'")" > "$work/header.pjl"
    check_job_data
    [ "$(grep -a -c '@PJL JOB ' "$work/job.prn")" = 1 ] || fail "not one PJL JOB line for $title"
  fi
done

# --- Page content: a listing that shows DSC comments, an embedded EPS -----
# Each renders through the queue as through a queue of the same PPD (after
# bidiupdate) without the filter: the same pixels, since the media's set-up
# selects the size that the PPD's page size feature selects.
# (A PPD without *cupsFilter would not do: pstops then writes no page size
# feature at all; "-" passes the job on unfiltered.)
sed 's|^\*cupsFilter: .*|*cupsFilter: "application/vnd.cups-postscript 0 -"|' "$root/etc/cups/ppd/$queue.ppd" \
  > "$work/unfiltered.ppd"
lpadmin -p Unfiltered -E -v "file://$work/out/printer.prn" -P "$work/unfiltered.ppd" 2> "$work/lpadmin.err" ||
  fail "lpadmin Unfiltered failed: $(cat "$work/lpadmin.err")"
cat > "$work/listing.ps" <<'EOF'
%!PS-Adobe-3.0
%%Pages: 2
%%EndComments
%%BeginProlog
/l { /Courier findfont 14 scalefont setfont 40 exch moveto show } def
%%EndProlog
%%Page: 1 1
(How a job looks inside:) 800 l
(line 1: %!PS-Adobe-3.0) 780 l (line 2: %%Page: 1 1) 760 l
(line 3: [{ %%BeginFeature: *PageSize A4 ... %%EndFeature) 740 l
(line 4: %%BeginPageSetup) 720 l (line 5: %%Page: 2 2) 700 l
0 0 moveto 300 300 lineto stroke showpage
%%Page: 2 2
(Second page of the listing) 800 l showpage
%%EOF
EOF
cat > "$work/figure.ps" <<'EOF'
%!PS-Adobe-3.0
%%Pages: 2
%%EndComments
%%Page: 1 1
/Helvetica findfont 28 scalefont setfont 72 760 moveto (Heading above the figure) show
/figure-save save def /showpage {} def
%%BeginDocument: figure.eps
%!PS-Adobe-3.0 EPSF-3.0
%%BoundingBox: 0 0 300 300
%%Pages: 1
%%EndComments
%%Page: 1 1
%%BeginPageSetup
%%EndPageSetup
100 200 moveto 400 200 lineto 400 500 lineto closepath fill
%%BeginDocument: inner.eps
%%Page: 1 1
150 550 moveto 350 550 lineto 250 700 lineto closepath fill
%%EndDocument
%%EOF
%%EndDocument
figure-save restore
/Helvetica findfont 20 scalefont setfont 72 100 moveto (Caption below the figure) show
showpage
%%Page: 2 2
/Helvetica findfont 28 scalefont setfont 72 760 moveto (Page two) show showpage
%%EOF
EOF
for doc in listing figure; do
  for via in "$queue" Unfiltered; do
    dest=$via print_job "$work/$doc.ps" -t "$doc" -o PageSize=CoatedGlossSRA3170 || continue
    if [ "$via" = "$queue" ]; then
      n=$(grep -a -c "^$comment\$" "$work/job.prn")
      [ "$n" = 2 ] || fail "$doc: $n page comments instead of 2"
    fi
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r20 -o "$work/$doc-$via-%02d.png" "$work/job.prn" \
      2>> "$work/gs.err"
  done
  pages=$(ls "$work/$doc-Unfiltered"-*.png 2> /dev/null | wc -l)
  [ "$pages" = 2 ] || fail "$doc: $pages pages rendered without the filter, not 2"
  for page in "$work/$doc-Unfiltered"-*.png; do
    cmp -s "$page" "${page/Unfiltered/$queue}" || fail "$doc: $(basename "$page") differs through the filter"
  done
done

# --- Media ---------------------------------------------------------------
# A queue made from the updated PPD before bidiupdate ran for it has no
# catalog: the job keeps its own page size feature, which selects the media.
lpadmin -p Second -E -v "file://$work/out/printer.prn" -P "$root/etc/cups/ppd/$queue.ppd" 2> "$work/lpadmin.err" ||
  fail "lpadmin Second failed: $(cat "$work/lpadmin.err")"
if dest=Second print_job "$work/report.ps" -t Second -o PageSize=HeavyTabloid250; then
  grep -a -q '^%%BeginFeature: \*PageSize HeavyTabloid250$' "$work/job.prn" || fail "the job lost its page size feature"
  grep -a -q '^%%PSPageMedia' "$work/job.prn" && fail "page comments without a catalog"
  warned "$printed" "the queue has no media catalog"
  renders "$work/job.prn"
  # Rendered at 10 dpi, tabloid (792 x 1224 points) is 110 x 170 pixels.
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r10 -o "$work/second.png" "$work/job.prn" 2> /dev/null
  size=$(od -An -tu1 -j16 -N8 "$work/second.png" | awk '{ a = $3 * 256 + $4; b = $7 * 256 + $8; print (a < b ? a " " b : b " " a) }')
  [ "$size" = "110 170" ] || fail "the job without a catalog was printed on $size pixels, not tabloid"
fi

# A PDF job reaches the filter through cups-filters: media texts on every page.
ps2pdf "$work/report.ps" "$work/report.pdf"
if print_job "$work/report.pdf" -t "PDF" -o PageSize=CoatedGlossSRA3170 -o InputSlot=Tray3; then
  pjl_header PDF > "$work/header.pjl"
  check_job_data "$(tray_command 3)"
  renders "$work/job.prn"
fi

# The queue's default media: the printer's first media after the first
# update; one the administrator sets stays over later updates.
default_size() { sed -n 's/^\*DefaultPageSize: //p' "$root/etc/cups/ppd/$queue.ppd"; }
[ "$(default_size)" = PlainA480 ] || fail "the default media is $(default_size), not the printer's first"
lpadmin -p "$queue" -o PageSize=RecycledA480 || fail "lpadmin -o PageSize=RecycledA480 failed"
TAVORINEX_TEST_ROOT=$root "$bidiupdate" -A "$queue" "127.0.0.1:$port"
[ "$(default_size)" = RecycledA480 ] || fail "the update replaced the administrator's default by $(default_size)"

# --- What IPP clients ask for: media by size, every media by name -------
# The printer has three A4 media: Plain A4 80 (its first row), Recycled A4 80
# and a yellow one. A request that names only a size prints on the queue's
# default media when that has the size, else on the printer's first media
# of that size; CUPS maps such a request to the PPD's first page size of
# that size, whatever the default.
cat > "$work/media-col.test" <<'TEST'
{
  NAME "Print-Job with a media-col that gives only a size"
  OPERATION Print-Job
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR name requesting-user-name $user
  ATTR name job-name "Sized"
  ATTR mimeMediaType document-format application/postscript
  GROUP job-attributes-tag
  ATTR collection media-col {
    MEMBER collection media-size {
      MEMBER integer x-dimension 21000
      MEMBER integer y-dimension 29700
    }
  }
  FILE $filename
  STATUS successful-ok
  EXPECT job-id OF-TYPE integer
}
TEST
print_media_col() {  # job file: as print_job, sent by ipptool
  local id
  id=$(ipptool -tv -f "$1" "ipp://$socket_host/printers/$queue" "$work/media-col.test" 2>&1 |
    sed -n 's/^ *job-id (integer) = //p')
  [ -n "$id" ] || { fail "ipptool Print-Job with media-col was refused"; return 1; }
  wait_job "$id" "media-col"
}
printed_media() {  # the media names of the pages of $work/job.prn, one a line
  sed -n 's/^%%PSPageMedia: \(.*\) [0-9]* [0-9]* [0-9-]* [^ ]* [^ ]*$/\1/p' "$work/job.prn" | tr -d '\r'
}
prints_on() {  # media, what was asked: every page of the last job is on that media
  local got
  got=$(printed_media | sort | uniq -c | sed 's/^ *//')
  [ "$got" = "3 $1" ] || fail "$2 printed on '$got', not 3 pages of $1"
  [ "$(grep -a -c '^%%BeginFeature: \*PageSize ' "$work/job.prn")" = 3 ] ||
    fail "$2: not one page size set-up on each page"
}
for default in RecycledA480 PlainLetter75 PlainA480; do
  case $default in
    RecycledA480) expected="Recycled A4 80" ;;
    *) expected="Plain A4 80" ;;
  esac
  lpadmin -p "$queue" -o PageSize="$default" || fail "lpadmin -o PageSize=$default failed"
  for media in A4 iso_a4_210x297mm; do
    print_job "$work/report.ps" -t Sized -o media="$media" && prints_on "$expected" "media=$media, default $default"
  done
  print_media_col "$work/report.ps" && prints_on "$expected" "media-col of A4, default $default"
  ipptool -tv "ipp://$socket_host/printers/$queue" get-printer-attributes.test > "$work/attributes" 2>&1
  media_default=$(sed -n 's/^ *media-default (keyword) = //p' "$work/attributes")
  case $media_default in
    "" | unknown) fail "media-default is '$media_default' with the default $default" ;;
  esac
done
# Every media of the queue is in media-supported under a name of its own:
# media of one size are not folded into one.
supported=$(sed -n 's/^ *media-supported (1setOf keyword) = //p' "$work/attributes" | tr ',' '\n')
sizes=$(grep -c '^\*PageSize ' "$root/etc/cups/ppd/$queue.ppd")
[ "$(grep -c . <<< "$supported")" = "$sizes" ] ||
  fail "media-supported has $(grep -c . <<< "$supported") names for $sizes page sizes: $supported"
grep -q -x 'iso_a4_210x297mm' <<< "$supported" || fail "media-supported lacks iso_a4_210x297mm"
recycled=$(grep -i 'recycled' <<< "$supported")
[ "$(grep -c . <<< "$recycled")" = 1 ] || fail "no single media-supported name for Recycled A4 80: $supported"
print_job "$work/report.ps" -t Named -o media="$recycled" && prints_on "Recycled A4 80" "media=$recycled"
yellow=$(grep -i 'yellow' <<< "$supported")
print_job "$work/report.ps" -t Named -o media="$yellow" && prints_on "Yellow A4 Short Edge" "media=$yellow"

# --- A page that chooses its own media: a tab divider between pages -----
sed 's|^/pagelevel save def$|[{\n%%BeginFeature: *PageSize YellowA4ShortEdge\n<< /PageSize [595 842] >> setpagedevice\n%%EndFeature\n} stopped cleartomark|' \
  "$work/report.ps" > "$work/divider.ps"
sed -i 's| pagelevel restore showpage| showpage|' "$work/divider.ps"
if print_job "$work/divider.ps" -t Divider -o PageSize=PlainA480; then
  [ "$(printed_media | tr '\n' ,)" = "Plain A4 80,Yellow A4 Short Edge,Plain A4 80," ] ||
    fail "the divider job printed on $(printed_media | tr '\n' ,)"
  page2=$(sed -n '/^%%Page: 2 2/,/^%%Page: 3 3/p' "$work/job.prn")
  [ "$(grep -a -c '^%%BeginFeature: \*PageSize ' <<< "$page2")" = 1 ] ||
    fail "page 2 carries $(grep -a -c '^%%BeginFeature: \*PageSize ' <<< "$page2") page size set-ups, not its own alone"
  grep -a -q '/MediaColor (yellow)' <<< "$page2" || fail "page 2 lacks the yellow media's set-up"
  renders "$work/job.prn"
fi

# --- Why pages carry no media set-up: one WARNING line per job ----------
catalog_file=$root/usr/bin/Tavorinex/$queue  # root's, which the filter (user lp) cannot read at 0600
chmod 0600 "$catalog_file"
print_job "$work/report.ps" -t Unreadable -o PageSize=PlainA480 &&
  warned "$printed" "cannot read the media catalog " && warned "$printed" ": Permission denied"
chmod 0644 "$catalog_file"
lpadmin -p "$queue" -o PageSize=PlainA480

# --- IPP finishings: clients see them, a job selects the PPD's choice ----
lpadmin -p "$queue" -v "file://$work/out/printer.prn"
ipptool -tv "ipp://$socket_host/printers/$queue" get-printer-attributes.test > "$work/attributes" 2>&1
finishings=$(sed -n 's/^ *finishings-supported (.*) = //p' "$work/attributes")
for finishing in staple staple-dual-left punch punch-quad-top; do
  echo ",$finishings," | grep -q ",$finishing," || fail "finishings-supported ($finishings) lacks $finishing"
done
if print_job "$work/report.ps" -t Finished -o PageSize=PlainA480 -o finishings=28; then
  grep -a -q '^%%BeginFeature: \*Staple 2LP$' "$work/job.prn" || fail "finishings 28 did not select Staple 2LP"
fi
if print_job "$work/report.ps" -t Finished -o PageSize=PlainA480 -o finishings=83; then
  grep -a -q '^%%BeginFeature: \*Punch 4TP$' "$work/job.prn" || fail "finishings 83 did not select Punch 4TP"
fi
# The printer's punch unit (2 and 4 holes) survives -A with its constraints:
# CUPS holds a 3-hole default against it, and 2 holes still print.
grep -q -x -F '*DefaultPU: XH7100EU' "$root/etc/cups/ppd/$queue.ppd" || fail "-A did not set the 2-and-4-hole unit"
lpadmin -p "$queue" -o Punch=3LP
CUPS_SERVERBIN=$cups/bin cupstestppd "$root/etc/cups/ppd/$queue.ppd" > "$work/cupstestppd.out" 2>&1 &&
  fail "cupstestppd accepts a 3-hole default with the 2-and-4-hole unit"
grep -q -F '"PU XH7100EU" conflicts with "Punch 3LP"' "$work/cupstestppd.out" ||
  fail "no conflict between the unit and 3 holes: $(grep FAIL "$work/cupstestppd.out")"
lpadmin -p "$queue" -o Punch=2LP
CUPS_SERVERBIN=$cups/bin cupstestppd "$root/etc/cups/ppd/$queue.ppd" > "$work/cupstestppd.out" 2>&1 ||
  fail "cupstestppd rejects a 2-hole default: $(grep FAIL "$work/cupstestppd.out")"
lpadmin -p "$queue" -o Punch=None
if print_job "$work/report.ps" -t Finished -o PageSize=PlainA480 -o finishings=74; then
  grep -a -q '^%%BeginFeature: \*Punch 2LP$' "$work/job.prn" || fail "finishings 74 did not select Punch 2LP"
fi

# --- Page accounting: cupsd counts what the filter's PAGE lines say -----
# pstops writes PAGE lines only when the PPD names no filter: the control is
# a queue of the same PPD without *cupsFilter. Each job must count the same
# on both, in page_log and in job-impressions-completed.
sed '/^\*cupsFilter:/d' "$root/etc/cups/ppd/$queue.ppd" > "$work/control.ppd"
lpadmin -p Control -E -v "file://$work/out/printer.prn" -P "$work/control.ppd" 2> "$work/lpadmin.err" ||
  fail "lpadmin Control failed: $(cat "$work/lpadmin.err")"
counted() {  # job id: "job-impressions-completed page_log-total"
  local impressions total
  impressions=$(ipptool -tv "ipp://$socket_host/jobs/$1" get-job-attributes.test 2> /dev/null |
    sed -n 's/^ *job-impressions-completed (integer) = //p')
  total=$(sed -n "s/^[^ ]* [^ ]* $1 \[[^]]*\] total \([0-9]*\) .*/\1/p" "$cups/log/page_log")
  echo "${impressions:-none} ${total:-none}"
}
# Expected count, then lp options: NumCopies; pages pstops reverses; pages
# it repeats itself (collated copies without the Collate feature); n-up;
# a page range; the blank page it adds for duplex in reverse order.
while read -r expected options; do
  for via in "$queue" Control; do
    # shellcheck disable=SC2086
    dest=$via print_job "$work/report.ps" -t Counted -o PageSize=PlainA480 $options || continue
    got=$(counted "$printed")
    [ "$got" = "$expected $expected" ] ||
      fail "$via counted '$got' (impressions, page_log) for $options, not $expected"
  done
done <<'JOBS'
3 -n 1
9 -n 3
6 -n 2 -o outputorder=reverse
6 -n 2 -o Collate=False -o multiple-document-handling=separate-documents-collated-copies
4 -n 2 -o number-up=2
2 -o page-ranges=2-3
8 -n 2 -o sides=two-sided-long-edge -o outputorder=reverse
JOBS
grep -q 'slow_collate=1' "$cups/log/error_log" || fail "no job had pstops repeat its pages"

# A quota: a job submitted once the user's counted pages reach the limit is
# refused (a user of its own, so that earlier jobs do not count).
for via in "$queue" Control; do
  lpadmin -p "$via" -o job-page-limit=5 -o job-quota-period=86400 || fail "lpadmin quota on $via failed"
  for _ in 1 2; do
    dest=$via print_job "$work/report.ps" -U quota -t Quota -o PageSize=PlainA480
  done
  lp -d "$via" -U quota -t Quota -o PageSize=PlainA480 "$work/report.ps" > "$work/lp.out" 2>&1 &&
    fail "$via accepted a job past the quota of 5 pages: $(cat "$work/lp.out")"
  lpadmin -p "$via" -o job-page-limit=0
done

# --- The page region and input slot path, which pstops never takes -----
{
  sed -n '1,/^%%BeginSetup/p' "$work/report.ps"
  printf '[{\n%%%%BeginFeature: *PageRegion CoatedGlossSRA3170\n<< /PageSize [907 1276] >> setpagedevice\n%%%%EndFeature\n} stopped cleartomark\n'
  printf '[{\n%%%%BeginFeature: *InputSlot Tray3\n<< /MediaPosition 3 >> setpagedevice\n%%%%EndFeature\n} stopped cleartomark\n'
  sed -n '/^%%EndSetup/,$p' "$work/report.ps"
} > "$work/region.ps"
(cd "$work" && TMPDIR=$work/out TAVORINEX_TEST_ROOT=$root exec -a "$queue" "$psfilter" 7 alice Region 1 "" \
  < "$work/region.ps" > "$work/job.prn" 2> "$work/region.err")
status=$?
[ "$status" = 0 ] || fail "psfilter on the page region job exited with $status"
[ "$(cat "$work/region.err")" = "$(printf 'PAGE: %s 1\n' 1 2 3)" ] ||
  fail "the page region job wrote on standard error: $(cat "$work/region.err")"
pjl_header Region > "$work/header.pjl"
check_job_data $'[{\n%%BeginFeature: *InputSlot Tray3\n<< /MediaPosition 3 >> setpagedevice\n%%EndFeature\n} stopped cleartomark'
renders "$work/job.prn"
[ -z "$(ls -A "$work/out" | grep -v '^printer.prn$')" ] || fail "psfilter left a spool file"

[ "$failures" = 0 ] && echo "PASS: printed through a real CUPS queue" || echo "$failures faults"
exit $((failures > 0))
