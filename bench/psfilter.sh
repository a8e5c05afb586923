#!/bin/bash
# Benchmark of psfilter as CUPS runs it: the job comes in on a pipe (from
# the filter before it) and the printer data leaves on a pipe (to the
# backend). On the same 16 MiB and 256 MiB jobs it times cat, CUPS's own
# pstops with the model PPD (the filter before ours in every job's chain)
# and psfilter, interleaved in paired rounds, and prints for each the min
# and median of wall and CPU time, the time from the first job byte in to
# the first byte out, the peak memory, and the ratios psfilter/cat and
# psfilter/pstops (bench/pipes.py does the timing).
#
# Usage: bench/psfilter.sh BUILD_DIR [ROUNDS]
#   BUILD_DIR holds filter/psfilter-testroot (build it with
#   -DCMAKE_BUILD_TYPE=Release for figures worth quoting); ROUNDS (default
#   11) paired rounds per job. The machine's load is printed before and
#   after: a busy machine shows in the medians more than in the ratios.
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
make_job() {
  local pages=$1 bytes=$2 out=$3
  awk -v pages="$pages" -v bytes="$bytes" '
    function put(text) { printf "%s", text; total += length(text) }
    BEGIN {
      put("%!PS-Adobe-3.0\n%%Pages: " pages "\n%%EndComments\n%%BeginSetup\n")
      put("[{\n%%BeginFeature: *PageSize TavorinexLetter\n<< /PageSize [612 792] >> setpagedevice\n")
      put("%%EndFeature\n} stopped cleartomark\n%%EndSetup\n")
      trailer = "%%Trailer\n%%EOF\n"
      line = "newpath 72 72 moveto 540 720 lineto 0.5 setlinewidth stroke % drawing\n"
      body = ""
      while (length(body) + length(line) < bytes / pages - 80) body = body line
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

make_job 1250 $((16 * 1024 * 1024)) "$work/small.ps"
make_job 20000 $((256 * 1024 * 1024)) "$work/big.ps"
cat "$work/small.ps" "$work/big.ps" > /dev/null  # into the page cache

# As CUPS starts them: the queue name as argument 0 (psfilter finds its
# catalog by it; a link named Q on PATH gives it without a shell, whose
# memory would count as the filter's), the job on standard input, the PPD in
# the environment, the spool in TMPDIR.
ln -s "$filter" "$work/bin/Q"
export PATH=$work/bin:$PATH PPD=$here/ppd/TavorinexArcM750XLS.ppd TMPDIR=$work/spool
arguments="1 bench Benchmark 1 ''"

echo "load before: $(uptime)"
python3 "$here/bench/pipes.py" "$rounds" "%%PSPageMedia:" "$work/small.ps" "$work/big.ps" -- \
  "cat=cat" "pstops=$pstops $arguments" "psfilter=Q $arguments"
echo "load after:  $(uptime)"
