// Feeds arbitrary bytes to the booklet imposition as a captured spool file.
// Whatever they are, the run ends with a result, the spool file is left as
// it was, and an imposed file exists exactly when the run succeeded and
// then carries the booklet procset.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "output/booklet/BookletJob.h"
#include "output/booklet/BookletProcset.h"
#include "platform/text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

const std::string& ProcsetText() {
  static const std::string text = Read(RENPS_BOOKLET_PROCSET);
  return text;
}

HMODULE ProcsetModule() {
  static const std::string bytes = ProcsetText() + std::string(1, '\0');
  static char anchor;
  auto* module = reinterpret_cast<HMODULE>(&anchor);
  const RenModuleResource table[] = {{u"PSPROC", nullptr, 0, static_cast<WORD>(booklet::kBookletProcsetId),
                                      bytes.data(), static_cast<DWORD>(bytes.size())}};
  RenRegisterModuleResources(module, table, 1);
  return module;
}

const std::string& Directory() {
  static const std::string directory = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-booklet-XXXXXX").string();
    Check(mkdtemp(pattern.data()) != nullptr);
    return pattern;
  }();
  return directory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const HMODULE module = ProcsetModule();
  const std::string input = Directory() + "/in.ps";
  const std::string output = Directory() + "/out.ps";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::ofstream(input, std::ios::binary | std::ios::trunc) << bytes;
  std::filesystem::remove(output);

  booklet::BookletJob job;
  job.module = module;
  job.inputPath = CXString(platform::FromUtf8(input));
  job.outputPath = CXString(platform::FromUtf8(output));
  job.settings.sheetWidth = 612;
  job.settings.sheetHeight = 792;
  const int result = booklet::RunBooklet(job);

  Check(Read(input) == bytes);
  Check(std::filesystem::exists(output) == (result > 0));
  if (result > 0) {
    // The procset goes in once; any other copy of its marker came from the input.
    const std::string imposed = Read(output);
    Check(imposed.find(ProcsetText()) != std::string::npos);
    Check(Count(imposed, "%%TMR X3DBMIncluded") <= Count(bytes, "%%TMR X3DBMIncluded") + 1);
  }
  return 0;
}
