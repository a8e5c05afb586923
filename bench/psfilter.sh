#!/bin/bash
# Benchmark of psfilter as CUPS runs it: the job comes in on a pipe (from
# the filter before it) and the printer data leaves on a pipe (to the
# backend). On the same jobs (16 MiB and 256 MiB of 100-byte lines, and
# 256 MiB whose pages are each one line of about 13 KiB, as hexadecimal
# image data can be) it times cat, CUPS's own pstops with the model PPD (the
# filter before ours in every job's chain) and psfilter, interleaved in
# paired rounds, and prints for each the min
# and median of wall and CPU time, the time from the first job byte in to
# the first byte out, the peak memory, and the ratios psfilter/cat and
# psfilter/pstops (bench/pipes.py does the timing).
#
# Usage: bench/psfilter.sh BUILD_DIR [ROUNDS]
#   BUILD_DIR holds filter/psfilter-testroot (build it in Release for
#   figures worth quoting: the preset ci-release-gcc, in
#   build/ci-release-gcc); ROUNDS (default 11) paired rounds per job. The
#   machine's load is printed before and after: a busy machine shows in the
#   medians more than in the ratios.
set -euo pipefail

build=${1:?usage: bench/psfilter.sh BUILD_DIR [ROUNDS]}
rounds=${2:-11}
here=$(cd "$(dirname "$0")/.." && pwd)
filter=$(realpath "$build/filter/psfilter-testroot")
pstops=/usr/lib/cups/filter/pstops
[ -x "$filter" ] || { echo "no $filter: build the psfilter-testroot target first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package: time)" >&2; exit 2; }
[ -x "$pstops" ] || { echo "no $pstops (Debian package: cups-core-drivers)" >&2; exit 2; }
command -v python3 >/dev/null || { echo "python3 is missing" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/psfilter-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/tmp" "$work/root/usr/bin/Tavorinex" "$work/spool" "$work/bin"
export TAVORINEX_TEST_ROOT=$work/root

# A DSC job of PAGES pages, BYTES bytes in all, selecting a media of the
# queue's catalog (the predefined Letter), half the pages with a set-up.
# The body of a page is lines of LINE bytes, line feed included, or with
# LINE 0 one line as long as the page allows.
make_job() {
  local pages=$1 bytes=$2 line=$3 out=$4
  awk -v pages="$pages" -v bytes="$bytes" -v linebytes="$line" '
    function put(text) { printf "%s", text; total += length(text) }
    BEGIN {
      put("%!PS-Adobe-3.0\n%%Pages: " pages "\n%%EndComments\n%%BeginSetup\n")
      put("[{\n%%BeginFeature: *PageSize TavorinexLetter\n<< /PageSize [612 792] >> setpagedevice\n")
      put("%%EndFeature\n} stopped cleartomark\n%%EndSetup\n")
      trailer = "%%Trailer\n%%EOF\n"
      room = bytes / pages - 80
      body = ""
      if (linebytes > 0) {
        line = "newpath 72 72 moveto 540 720 lineto 0.5 setlinewidth stroke % drawing"
        while (length(line) < linebytes - 1) line = line " "
        line = line "\n"
        while (length(body) + length(line) < room) body = body line
      } else {
        # An image operand: hexadecimal data on a single line.
        data = "0f"
        while (length(data) < room - 8) data = data data
        body = "<" substr(data, 1, int(room) - 8) "> pop\n"
      }
      for (p = 1; p <= pages; p++) {
        put("%%Page: " p " " p "\n")
        if (p % 2 == 0) put("%%BeginPageSetup\n/pagesave save def\n%%EndPageSetup\n")
        put(body)
        put("showpage\n")
      }
      # Comment lines bring the job to exactly `bytes`.
      for (left = bytes - total - length(trailer); left > 0; left -= n) {
        n = left > 100 ? 100 : left
        pad = "%"
        while (length(pad) < n - 1) pad = pad "x"
        put(n == 1 ? "\n" : pad "\n")
      }
      put(trailer)
    }' > "$out"
}

make_job 1250 $((16 * 1024 * 1024)) 100 "$work/small.ps"
make_job 20000 $((256 * 1024 * 1024)) 100 "$work/big.ps"
make_job 20000 $((256 * 1024 * 1024)) 0 "$work/long-lines.ps"
cat "$work/small.ps" "$work/big.ps" "$work/long-lines.ps" > /dev/null  # into the page cache

# As CUPS starts them: the queue name as argument 0 (psfilter finds its
# catalog by it; a link named Q on PATH gives it without a shell, whose
# memory would count as the filter's), the job on standard input, the PPD in
# the environment, the spool in TMPDIR.
ln -s "$filter" "$work/bin/Q"
export PATH=$work/bin:$PATH PPD=$here/ppd/TavorinexArcM750XLS.ppd TMPDIR=$work/spool
arguments="1 bench Benchmark 1 ''"

echo "load before: $(uptime)"
python3 "$here/bench/pipes.py" "$rounds" "%%PSPageMedia:" "$work/small.ps" "$work/big.ps" \
  "$work/long-lines.ps" -- \
  "cat=cat" "pstops=$pstops $arguments" "psfilter=Q $arguments"
echo "load after:  $(uptime)"
