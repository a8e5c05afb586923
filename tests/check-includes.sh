#!/bin/sh
# Usage: check-includes.sh SOURCE_DIR
# Every quoted #include of the sources and tests names its header from the
# source root ("common/drvlog.h"): a bare name ("drvlog.h") finds a header
# only beside the file, and a ".." reaches around the include folders that
# decide which layer sees which header. Prints one line per such include
# and exits 1 if there is any.
cd "$1" || exit 1
find . \( -name 'build*' -o -name .git -o -name out \) -prune -o \
     -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort |
  xargs awk '
    match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]*"/) {
      header = substr($0, RSTART, RLENGTH)
      sub(/^[^"]*"/, "", header)
      sub(/"$/, "", header)
      if (header !~ /\// || header ~ /\.\./ || header ~ /^[.\/]/) {
        print "FAULT: " FILENAME ":" FNR ": #include \"" header "\""
        faults = 1
      }
    }
    END { exit faults }' || exit 1
echo "PASS: every quoted include names its header from the source root"
