# A report-like DSC document, the way an application's output looks to the
# driver: `pages` pages, each with a page setup and `lines` drawing lines.
#   awk -v pages=1000 -v lines=15500 -f bench/report.awk
BEGIN {
  print "%!PS-Adobe-3.0"
  print "%%Title: Generated report"
  print "%%Pages: " pages
  print "%%BoundingBox: 0 0 612 792"
  print "%%EndComments"
  print "%%BeginProlog"
  print "/Line { moveto 0 10 rlineto stroke } bind def"
  print "%%EndProlog"
  print "%%BeginSetup"
  print "%%EndSetup"
  for (p = 1; p <= pages; p++) {
    print "%%Page: " p " " p
    print "%%BeginPageSetup"
    print "/pagesave save def"
    print "%%EndPageSetup"
    print "/Helvetica findfont 12 scalefont setfont"
    print "72 720 moveto (Page " p ") show"
    for (i = 0; i < lines; i++) printf "%d %d Line\n", 72 + (i * 37 + p) % 468, 72 + (i * 53) % 620
    print "pagesave restore"
    print "showpage"
    print "%%PageTrailer"
  }
  print "%%Trailer"
  print "%%EOF"
}
