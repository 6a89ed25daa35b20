#!/usr/bin/env bash
# renps on PostScript as real producers write it. The corpus is made at test
# time from what Debian's packages bring: a man page through groff (and one
# with an embedded EPS), a PDF through poppler's pdftops (Level 1 with binary
# data, Level 2) and Ghostscript's ps2write, enscript output, EPS files, and
# a document without DSC comments. Each document is printed with the bundled
# example jobs and checked:
#   - renps exits 0;
#   - the PostScript part (renps strip-pjl) runs in Ghostscript without an
#     error and has as many pages as the original;
#   - with the Letter job, every page has the same pixels as the original's
#     (Ghostscript at 20 dpi), as the job changes nothing that shows;
#   - psutils' psselect reads the stripped stream and counts the pages the
#     stream announces;
#   - an A4 document printed with the Letter job comes out on Letter (the
#     document's own page size block is dropped), and on A4 with
#     --keep-document-features.
#
#   run-corpus.sh RENPS EXAMPLES_DIR
#
# Exit status 77 (a skip for ctest) when a tool is missing; what could be
# checked still is, and a fault there still fails.
set -uo pipefail

renps=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export RENPS_STATE_DIR=$work/state

failures=0
skipped=()
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
have() { command -v "$1" >/dev/null 2>&1; }

if ! have gs; then
  echo "SKIP: Ghostscript (gs) is not installed: nothing can be rendered"
  exit 77
fi

# Renders a PostScript file at 20 dpi on Letter unless it sets its own size;
# prints the number of pages, leaves DIR/page-NNN.png; fails on an error.
render() {
  local file=$1 dir=$2
  mkdir -p "$dir"
  if ! gs -q -dNOPAUSE -dBATCH -dSAFER -sPAPERSIZE=letter -sDEVICE=png16m -r20 \
    -sOutputFile="$dir/page-%03d.png" "$file" >"$dir/gs.log" 2>&1 || grep -q "Error" "$dir/gs.log"; then
    echo "gs failed on $file:" >&2
    cat "$dir/gs.log" >&2
    return 1
  fi
  find "$dir" -name 'page-*.png' | wc -l
}

# The width and height of a PNG file, from its header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}

# ---------------------------------------------------------------------------
# The corpus.
corpus=$work/corpus
mkdir -p "$corpus"

# Drawing that a PDF and the EPS files are made from: text, lines, and an
# image whose samples include 0x04 and the other control bytes.
cat >"$work/drawing.ps" <<'EOF'
%!PS
/Helvetica findfont 24 scalefont setfont
72 700 moveto (A corpus page) show
4 setlinewidth 72 600 moveto 540 600 lineto stroke
gsave 72 300 translate 256 256 scale
16 16 8 [16 0 0 -16 0 16]
{ <000102030405060708090a0b0c0d0e0f04040404ff7f1b0d0a25215053> } image
grestore
showpage
/Times-Roman findfont 18 scalefont setfont
72 700 moveto (Second page) show
showpage
EOF

# An EPS is one page: the first of the drawing.
sed '/^showpage$/q' "$work/drawing.ps" >"$work/figure.ps"
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=eps2write -sOutputFile="$work/figure.eps" "$work/figure.ps" >/dev/null 2>&1

if have groff; then
  man=$(find /usr/share/man/man1 -name 'groff.1.gz' 2>/dev/null | head -n 1)
  if [[ -n $man ]]; then
    zcat "$man" >"$work/page.man"
  else
    printf '.TH DEMO 1\n.SH NAME\ndemo \\- a page of a manual\n.SH DESCRIPTION\n%s\n' \
      "$(printf 'Text of the manual page. %.0s' {1..200})" >"$work/page.man"
  fi
  groff -man -Tps -P-pletter "$work/page.man" >"$corpus/groff-man.ps" 2>/dev/null
  groff -man -Tps -P-pa4 "$work/page.man" >"$work/groff-a4.ps" 2>/dev/null
  # groff with an embedded EPS (its %%BeginDocument hides the EPS's comments).
  printf '.TH FIG 1\n.SH FIGURE\nA figure follows.\n.PSPIC %s 3i\nAnd text after it.\n' "$work/figure.eps" |
    groff -man -Tps -P-pletter >"$corpus/groff-eps.ps" 2>/dev/null
else
  skipped+=("groff documents (groff is not installed)")
fi

pdf=$(find /usr/share/doc -name '*.pdf' -size -3M 2>/dev/null | head -n 1)
if [[ -z $pdf ]]; then
  pdf=$work/made.pdf
  gs -q -dNOPAUSE -dBATCH -dSAFER -sPAPERSIZE=letter -sDEVICE=pdfwrite -sOutputFile="$pdf" "$work/drawing.ps" \
    >/dev/null 2>&1
fi
gs -q -dNOPAUSE -dBATCH -dSAFER -sPAPERSIZE=letter -sDEVICE=pdfwrite -sOutputFile="$work/image.pdf" \
  "$work/drawing.ps" >/dev/null 2>&1
if have pdftops; then
  pdftops -level2 -paper letter -f 1 -l 3 "$pdf" "$corpus/pdftops-level2.ps" 2>/dev/null
  pdftops -level1 -binary -paper letter "$work/image.pdf" "$corpus/pdftops-level1-binary.ps" 2>/dev/null
else
  skipped+=("pdftops documents (poppler-utils is not installed)")
fi
gs -q -dNOPAUSE -dBATCH -dSAFER -sPAPERSIZE=letter -dFIXEDMEDIA -dPDFFitPage -dLastPage=3 -sDEVICE=ps2write \
  -sOutputFile="$corpus/ps2write.ps" "$pdf" >/dev/null 2>&1

if have enscript; then
  for i in $(seq 1 150); do echo "Line $i of a listing: the quick brown fox jumps over the lazy dog."; done \
    >"$work/listing.txt"
  enscript -q -M Letter -p "$corpus/enscript.ps" "$work/listing.txt"
else
  skipped+=("enscript output (enscript is not installed)")
fi

cp "$work/figure.eps" "$corpus/eps2write.eps" 2>/dev/null
printf '%s\n' '%!PS-Adobe-3.0 EPSF-3.0' '%%BoundingBox: 0 0 200 200' '%%EndComments' \
  '/Helvetica findfont 20 scalefont setfont 20 100 moveto (No showpage) show' \
  '10 setlinewidth 0 0 moveto 200 200 lineto stroke' '%%EOF' >"$corpus/no-showpage.eps"
{
  echo '%!'
  echo '/Helvetica findfont 30 scalefont setfont'
  echo '100 500 moveto (No DSC comments) show showpage'
  echo '100 400 moveto (Second page) show showpage'
} >"$corpus/no-dsc.ps"

# ---------------------------------------------------------------------------
# The checks.
jobs=(letter custom-size fax snippets)
if ! have psselect; then skipped+=("psselect checks (psutils is not installed)"); fi

for document in "$corpus"/*; do
  name=$(basename "$document")
  [[ -s $document ]] || {
    fail "$name: the producer wrote nothing"
    continue
  }
  original=$(render "$document" "$work/$name/original") || {
    fail "$name: Ghostscript cannot render the original"
    continue
  }
  for job in "${jobs[@]}"; do
    out=$work/$name/$job
    mkdir -p "$out"
    if ! "$renps" print "$examples/$job.json" "$document" -o "$out/stream.prn" 2>"$out/renps.log"; then
      fail "$name with $job.json: renps exits $?: $(cat "$out/renps.log")"
      continue
    fi
    "$renps" strip-pjl "$out/stream.prn" >"$out/stream.ps"
    pages=$(render "$out/stream.ps" "$out/pages") || {
      fail "$name with $job.json: Ghostscript reports an error in the printer stream"
      continue
    }
    [[ $pages == "$original" ]] || fail "$name with $job.json: $pages pages, the original has $original"
    if have psselect; then
      if ! psselect -p1- "$out/stream.ps" >/dev/null 2>"$out/psselect.log"; then
        fail "$name with $job.json: psselect refuses the stripped stream: $(cat "$out/psselect.log")"
      else
        # The stream's own page structure: a document without one is a page.
        counted=$(sed -n 's/.*Wrote \([0-9]*\) pages.*/\1/p' "$out/psselect.log")
        announced=$(sed -n 's/^%%Pages: \([0-9]*\).*/\1/p' "$out/stream.ps" | tail -n 1)
        [[ $counted == "$announced" ]] ||
          fail "$name with $job.json: psselect counts ${counted:-no} pages, the stream announces ${announced:-none}"
      fi
    fi
    if [[ $job == letter ]]; then
      for png in "$work/$name/original"/page-*.png; do
        cmp -s "$png" "$out/pages/$(basename "$png")" || fail "$name: $(basename "$png") differs from the original's"
      done
    fi
  done
  echo "ok: $name ($original pages)"
done

# The job's page size wins over the document's own; the option keeps the document's.
if [[ -s $work/groff-a4.ps ]]; then
  for mode in dropped kept; do
    option=()
    [[ $mode == kept ]] && option=(--keep-document-features)
    out=$work/a4-$mode
    mkdir -p "$out"
    "$renps" print "$examples/letter.json" "$work/groff-a4.ps" "${option[@]}" -o "$out/stream.prn" &&
      "$renps" strip-pjl "$out/stream.prn" >"$out/stream.ps" && render "$out/stream.ps" "$out/pages" >/dev/null ||
      fail "A4 document, features $mode: not printed"
    size=$(png_size "$out/pages/page-001.png" 2>/dev/null)
    expected=$([[ $mode == dropped ]] && echo 170x220 || echo 165x234)
    [[ $size == "$expected" ]] || fail "A4 document with the Letter job, features $mode: sheet $size, not $expected"
  done
  echo "ok: page size of an A4 document with the Letter job"
fi

for note in "${skipped[@]}"; do echo "SKIP: $note"; done
if ((failures > 0)); then
  echo "$failures failures" >&2
  exit 1
fi
((${#skipped[@]} == 0)) || exit 77
exit 0
