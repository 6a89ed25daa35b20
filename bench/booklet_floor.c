/* The byte moves of a captured booklet job and nothing else, to see how fast
   the job could be at best: read the document (mapped), write the spool file
   in 64 KiB pieces, read it twice in 128 KiB blocks (finding the pages, then
   copying them), write the imposed file, delete the spool file, read the
   imposed file in 4096-byte pieces into the printer stream (128 KiB writes),
   delete it. No scanning, no plug-in, no error handling.

     cc -O2 bench/booklet_floor.c -o booklet_floor
     ./booklet_floor DOC OUT        (works in the current directory) */
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
static char blk[128 << 10], out[128 << 10];
static void copy_blocks(const char* from, const char* to, size_t piece) {
  int in = open(from, O_RDONLY), o = open(to, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  size_t used = 0;
  ssize_t n;
  while ((n = read(in, blk, piece)) > 0) {
    if (used + n > sizeof out) {
      write(o, out, used);
      used = 0;
    }
    memcpy(out + used, blk, n);
    used += n;
  }
  write(o, out, used);
  close(in);
  close(o);
}
int main(int c, char** v) {
  const char* doc = v[1];
  char spool[] = "floor.spool", imposed[] = "floor.imposed";
  int in = open(doc, O_RDONLY), sp = open(spool, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  struct stat st;
  fstat(in, &st);
  size_t win = 4 << 20;
  for (off_t o = 0; o < st.st_size; o += win) {
    size_t len = st.st_size - o < (off_t)win ? st.st_size - o : win;
    char* p = mmap(0, len, PROT_READ, MAP_PRIVATE | MAP_POPULATE, in, o);
    for (size_t k = 0; k < len; k += 65536) write(sp, p + k, len - k < 65536 ? len - k : 65536);
    munmap(p, len);
  }
  close(sp);
  close(in);
  int f = open(spool, O_RDONLY);
  ssize_t n;
  while ((n = read(f, blk, sizeof blk)) > 0) {
  }
  close(f);
  copy_blocks(spool, imposed, sizeof blk);
  unlink(spool);
  copy_blocks(imposed, v[2], 4096);
  unlink(imposed);
  return 0;
}
