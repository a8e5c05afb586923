#!/bin/bash
# Usage: check-copies.sh PPD CUPSFILTER
# Runs CUPS's own PostScript preparation (pstops, through cupsfilter, without
# a scheduler) on a two-page job for three copies with each collation request.
# With the PPD's Collate option, pstops never repeats the pages: it asks the
# printer once for the copies (NumCopies) and for the collation (Collate).
set -u
ppd=$1
cupsfilter=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
failed=0

cat > "$work/job.ps" <<'EOF'
%!PS-Adobe-3.0
%%Pages: 2
%%EndComments
%%Page: 1 1
showpage
%%Page: 2 2
showpage
%%Trailer
%%EOF
EOF

# $1 names the case, $2 the expected Collate choice (empty: none expected),
# $3 the expected NumCopies requests; the rest are cupsfilter options.
expect() {
  local name=$1 collate=$2 copies=$3
  shift 3
  "$cupsfilter" -p "$ppd" -m application/vnd.cups-postscript "$@" "$work/job.ps" \
    > "$work/out.ps" 2> "$work/err" || { echo "FAULT: $name: cupsfilter failed"; cat "$work/err"; failed=1; return; }
  local pages requests
  pages=$(grep -a -c '^%%Page:' "$work/out.ps")
  requests=$(grep -a -c '^%RBIBeginNonPPDFeature: \*NumCopies ' "$work/out.ps")
  [ "$pages" = 2 ] || { echo "FAULT: $name: $pages pages instead of 2"; failed=1; }
  [ "$requests" = "$copies" ] || { echo "FAULT: $name: $requests NumCopies requests instead of $copies"; failed=1; }
  if [ "$copies" = 1 ] && ! grep -a -q -x '%RBIBeginNonPPDFeature: \*NumCopies 3' "$work/out.ps"; then
    echo "FAULT: $name: the NumCopies request is not for 3"; failed=1
  fi
  if [ -n "$collate" ] && ! grep -a -q -x "%%BeginFeature: \*Collate $collate" "$work/out.ps"; then
    echo "FAULT: $name: no Collate $collate feature"; failed=1
  fi
}

expect "one copy" False 0 -n 1
expect "three copies" False 1 -n 3
expect "three collated copies" True 1 -n 3 -o collate=true
expect "three uncollated copies" False 1 -n 3 -o collate=false
expect "three collated documents" True 1 -n 3 -o multiple-document-handling=separate-documents-collated-copies
exit $failed
