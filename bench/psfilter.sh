#!/bin/bash
# Benchmark of psfilter: throughput against cat on the same job, and peak
# memory for a 16 MiB and a 256 MiB job (the job is streamed, so both should
# need the same).
#
# Usage: bench/psfilter.sh BUILD_DIR
#   BUILD_DIR holds filter/psfilter-testroot (build it with
#   -DCMAKE_BUILD_TYPE=Release for figures worth quoting).
set -euo pipefail

build=${1:?usage: bench/psfilter.sh BUILD_DIR}
filter=$(realpath "$build/filter/psfilter-testroot")
[ -x "$filter" ] || { echo "no $filter: build the psfilter-testroot target first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package: time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/psfilter-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root/tmp" "$work/root/usr/bin/Tavorinex" "$work/spool"
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

# "wall-seconds cpu-seconds" of a command.
seconds() {
  /usr/bin/time -f '%e %U %S' -o "$work/time.one" "$@"
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/time.one"
}


make_job 20000 $((256 * 1024 * 1024)) "$work/big.ps"
make_job 1250 $((16 * 1024 * 1024)) "$work/small.ps"
cat "$work/big.ps" "$work/small.ps" > /dev/null  # into the page cache

# The fastest of a few runs (column $1 of the times), for each in turn: the
# machine may be busy.
best() {
  awk -v c="$1" 'NR == 1 || $c < min { min = $c } END { print min }'
}

# Both write the printer data into a file, as CUPS's file device receives it.
export TMPDIR=$work/spool
for run in 1 2 3 4 5; do
  rm -f "$work/cat.out" "$work/filter.out"
  sync
  seconds sh -c "cat '$work/big.ps' > '$work/cat.out'" >> "$work/cat.times"
  rm -f "$work/cat.out"
  sync
  seconds bash -c 'exec -a Q "$0" 1 bench Benchmark 1 "" < "$1" > "$2"' \
    "$filter" "$work/big.ps" "$work/filter.out" >> "$work/filter.times"
done
cat_time=$(best 1 < "$work/cat.times")
filter_time=$(best 1 < "$work/filter.times")
cat_cpu=$(best 2 < "$work/cat.times")
filter_cpu=$(best 2 < "$work/filter.times")
pages=$(grep -c '^%%PSPageMedia:' "$work/filter.out")

peak_rss() {
  /usr/bin/time -v -o "$work/time.txt" bash -c 'exec -a Q "$0" 1 bench Benchmark 1 "" < "$1" > "$2"' \
    "$filter" "$1" "$work/rss.out"
  sed -n 's/^\tMaximum resident set size (kbytes): //p' "$work/time.txt"
}
rss_small=$(peak_rss "$work/small.ps")
rss_big=$(peak_rss "$work/big.ps")

size=$(stat -c %s "$work/big.ps")
echo "job: $size bytes, 20000 pages ($pages pages got the media texts)"
ratio() { awk -v c="$1" -v f="$2" 'BEGIN { printf "%.2f", c / f }'; }
echo "cat:      $cat_time s, $cat_cpu s CPU (best of 5)"
echo "psfilter: $filter_time s, $filter_cpu s CPU (best of 5)"
echo "throughput ratio psfilter/cat: $(ratio "$cat_time" "$filter_time") (CPU time: $(ratio "$cat_cpu" "$filter_cpu"))"
echo "peak RSS 16 MiB job:  $rss_small KiB"
echo "peak RSS 256 MiB job: $rss_big KiB"
