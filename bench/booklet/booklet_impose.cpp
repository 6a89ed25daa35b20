// The booklet imposition on its own, for timing against cat and psbook/psnup:
//
//   booklet_impose generate PAGES BYTES_PER_PAGE OUT   a driver-like DSC document
//   booklet_impose impose IN OUT [reversed]           impose IN into OUT
//   booklet_impose scan IN                            the first pass alone
//
// impose prints the page count, the time the imposition took and the peak
// resident memory of the process, and exits 0 when the document was imposed.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BookletDocument.h"
#include "output/booklet/BookletJob.h"
#include "output/booklet/BookletProcset.h"
#include "platform/text.h"

namespace {

int Generate(int pages, long bytesPerPage, const char* path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  booklet_testing::DocumentOptions options;
  options.pages = pages;
  options.fillerLines = static_cast<std::size_t>(bytesPerPage / 64);
  booklet_testing::WriteDriverDocument(out, options);
  return out.good() ? 0 : 1;
}

// The procset as the module will carry it, read from the source tree.
HMODULE ProcsetModule(std::string& bytes) {
  std::ifstream in(RENPS_BOOKLET_PROCSET, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  bytes.push_back('\0');
  static char anchor;
  auto* module = reinterpret_cast<HMODULE>(&anchor);
  const RenModuleResource table[] = {{u"PSPROC", nullptr, 0, static_cast<WORD>(booklet::kBookletProcsetId),
                                      bytes.data(), static_cast<DWORD>(bytes.size())}};
  RenRegisterModuleResources(module, table, 1);
  return module;
}

void Report(int result, std::chrono::steady_clock::time_point start) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("result %d seconds %.3f peak_kib %ld\n", result, seconds, usage.ru_maxrss);
}

int Scan(const char* input) {
  booklet::BookletJob job;
  job.inputPath = CXString(platform::FromUtf8(input));
  job.capacity = 100;
  job.pagePositions.assign(job.capacity + 1, 0);
  job.pageSizes.assign(job.capacity + 1, 0);
  const auto start = std::chrono::steady_clock::now();
  const int result = booklet::ScanDocument(job);
  Report(result, start);
  return result > 0 ? 0 : 1;
}

int Impose(const char* input, const char* output, bool reversed) {
  std::string procset;
  booklet::BookletJob job;
  job.module = ProcsetModule(procset);
  job.inputPath = CXString(platform::FromUtf8(input));
  job.outputPath = CXString(platform::FromUtf8(output));
  job.settings.sheetWidth = 612;
  job.settings.sheetHeight = 792;
  if (reversed) job.settings.order = booklet::SideOrder::kReversed;
  const auto start = std::chrono::steady_clock::now();
  const int result = booklet::RunBooklet(job);
  Report(result, start);
  return result > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "generate" && argc == 5) return Generate(std::atoi(argv[2]), std::atol(argv[3]), argv[4]);
  if (command == "scan" && argc == 3) return Scan(argv[2]);
  if (command == "impose" && (argc == 4 || argc == 5))
    return Impose(argv[2], argv[3], argc == 5 && std::string(argv[4]) == "reversed");
  std::fprintf(stderr,
               "usage: booklet_impose generate PAGES BYTES_PER_PAGE OUT\n"
               "       booklet_impose impose IN OUT [reversed]\n"
               "       booklet_impose scan IN\n");
  return 2;
}
