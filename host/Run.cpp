#include "Run.h"

#include <algorithm>

#include <cstring>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <ostream>
#include <string_view>
#include <vector>

#include "OemSection.h"
#include "System.h"
#include "platform/text.h"

namespace renps {

namespace {

// The entry points of the plug-in report a fault they caught as a debug line
// "<entry>: <exception>..." before returning their failure value.
constexpr const char* kEntryPoints[] = {
    "RenPs::", "IOemCF::", "OEMStartDoc:", "OEMEndDoc:", "OEMEscape:", "OEMStartPage:", "OEMSendPage:"};

class DebugLog {
 public:
  explicit DebugLog(bool echo) : echo_(echo) {
    if (const char* path = std::getenv("RENPS_DEBUG_LOG"); path != nullptr && *path != 0)
      file_.reset(std::fopen(path, "ab"));
    platform::host::SetDebugLogSink([this](std::u16string_view line) { Take(line); });
  }
  ~DebugLog() { platform::host::SetDebugLogSink({}); }

  // The first report of a fault caught at an entry point, or empty.
  const std::string& Fault() const { return fault_; }

 private:
  void Take(std::u16string_view line16) {
    std::string line = platform::ToUtf8(line16);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (echo_) std::fprintf(stderr, "renps: plug-in: %s\n", line.c_str());
    if (file_) std::fprintf(file_.get(), "%s\n", line.c_str());
    if (fault_.empty())
      for (const char* entry : kEntryPoints)
        if (line.rfind(entry, 0) == 0) fault_ = line;
  }
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  bool echo_;
  std::unique_ptr<std::FILE, Closer> file_;
  std::string fault_;
};

struct Documents {
  std::vector<std::FILE*> files;
  std::vector<std::string> names;
  ~Documents() {
    for (std::FILE* f : files)
      if (f != stdin) std::fclose(f);
  }
};

void OpenDocuments(const RunRequest& request, Documents& docs) {
  std::vector<std::string> paths = request.documents;
  if (paths.empty()) paths.push_back("-");
  bool stdinUsed = false;
  for (const auto& path : paths) {
    if (path == "-") {
      if (stdinUsed) throw InputError("-: standard input can be read only once");
      stdinUsed = true;
      docs.files.push_back(stdin);
      docs.names.push_back("<stdin>");
      continue;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) throw InputError(path + ": cannot open the document: " + std::strerror(errno));
    if (sys::IsDirectory(fileno(f))) {
      std::fclose(f);
      throw InputError(path + ": is a directory, not a document");
    }
    docs.files.push_back(f);
    docs.names.push_back(path);
  }
}

void CheckFault(const DebugLog& log) {
  if (!log.Fault().empty()) throw PluginFailure("the plug-in failed in " + log.Fault());
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\n') {
      out += "\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t' || (c >= 0x20 && c < 0x7F) || c >= 0x80) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Read16(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

std::string DefaultPluginPath() {
  const std::string directory = sys::ExecutableDirectory();
  if (directory.empty()) return sys::kPluginFileName;
  return (std::filesystem::path(directory) / sys::kPluginFileName).string();
}

std::vector<TraceRecord> RunPrint(const RunRequest& request, OutputFile& output) {
  const JobFile job = LoadJobFile(request.jobPath);
  Documents docs;
  OpenDocuments(request, docs);
  // The reader maps regular files: one cut short by another process while
  // it is printed ends the run with a message and status 1, as any failed
  // read does, and leaves no temporary output behind.
  sys::ReadFaultGuard guard(output.TemporaryName());
  DebugLog log(request.echoDebugLog);
  Spooler spooler(job, request.stateDirectory,
                  [&output](const void* data, std::size_t size) { return output.Write(data, size); });
  PluginModule module(request.pluginPath.empty() ? DefaultPluginPath() : request.pluginPath);
  std::vector<TraceRecord> trace;
  {
    DriverOptionsForRun options;
    options.trace = request.trace;
    options.keepDocumentFeatures = request.keepDocumentFeatures;
    options.warn = [](const std::string& text) { std::fprintf(stderr, "renps: %s\n", text.c_str()); };
    PostScriptDriver driver(module.Object(), spooler.Printer(), job, options);
    driver.EnableDriver();
    for (std::size_t i = 0; i < docs.files.size(); ++i) {
      const auto jobId = static_cast<std::uint32_t>(job.job.id + i);
      spooler.StartJob(jobId);
      driver.PrintDocument(docs.files[i], docs.names[i], jobId, static_cast<int>(i + 1));
      CheckFault(log);
    }
    driver.DisableDriver();
    trace = driver.Trace();
  }
  module.Release();
  CheckFault(log);
  return trace;
}

std::vector<std::uint8_t> RunDevmode(const RunRequest& request) {
  const JobFile job = LoadJobFile(request.jobPath);
  DebugLog log(request.echoDebugLog);
  Spooler spooler(job, request.stateDirectory, [](const void*, std::size_t) { return true; });
  PluginModule module(request.pluginPath.empty() ? DefaultPluginPath() : request.pluginPath);
  std::vector<std::uint8_t> devmode;
  {
    PostScriptDriver driver(module.Object(), spooler.Printer(), job, {});
    driver.EnableDriver();
    devmode = driver.BuildDevmode(job.devmode);
    driver.DisableDriver();
  }
  module.Release();
  CheckFault(log);
  return devmode;
}

void WriteTrace(std::ostream& out, const std::vector<TraceRecord>& trace, bool all) {
  int document = 0;
  for (const auto& r : trace) {
    if (!all && r.bytes.empty() && SUCCEEDED(r.result)) continue;
    if (r.document != document) {
      document = r.document;
      out << "== document " << document << " ==\n";
    }
    out << r.origin;
    if (r.index != 0) out << " (" << r.index << ")";
    out << "  page " << r.page << "  " << (SUCCEEDED(r.result) ? "S_OK" : Hex32(static_cast<std::uint32_t>(r.result)));
    if (r.index != 0)
      out << "  *pdwResult " << r.commandResult << (r.replaced ? " (replaces the driver's comment)" : "");
    out << "  " << r.bytes.size() << " bytes\n";
    if (r.bytes.empty()) continue;
    std::string text = Printable(r.bytes);
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      const bool newline = end != std::string::npos;
      if (!newline) end = text.size();
      out << "    | " << text.substr(start, end - start) << (newline ? "" : "  (no line end)") << "\n";
      start = end + 1;
    }
  }
}

void WriteDevmodeDump(std::ostream& out, const std::vector<std::uint8_t>& dm) {
  const std::uint16_t dmSize = Read16(dm, 68), extra = Read16(dm, 70);
  std::u16string name;
  for (std::size_t i = 0; i < 32 && Read16(dm, 2 * i) != 0; ++i) name.push_back(Read16(dm, 2 * i));
  out << "devmode: " << dm.size() << " bytes\n";
  out << "public part (DEVMODEW, " << dmSize << " bytes): dmDeviceName \"" << platform::ToUtf8(name)
      << "\"  dmDriverExtra " << extra << "  dmFields " << Hex32(Read32(dm, 72)) << "\n";
  struct Field {
    const char* name;
    std::size_t offset;
  };
  static constexpr Field kShorts[] = {
      {"dmOrientation", 76}, {"dmPaperSize", 78},     {"dmPaperLength", 80},  {"dmPaperWidth", 82}, {"dmScale", 84},
      {"dmCopies", 86},      {"dmDefaultSource", 88}, {"dmPrintQuality", 90}, {"dmColor", 92},      {"dmDuplex", 94},
      {"dmYResolution", 96}, {"dmTTOption", 98},      {"dmCollate", 100}};
  for (const auto& f : kShorts) out << "  " << f.name << " " << static_cast<std::int16_t>(Read16(dm, f.offset)) << "\n";
  std::u16string form;
  for (std::size_t i = 0; i < 32 && Read16(dm, 102 + 2 * i) != 0; ++i) form.push_back(Read16(dm, 102 + 2 * i));
  out << "  dmFormName \"" << platform::ToUtf8(form) << "\"\n";
  if (dm.size() >= static_cast<std::size_t>(dmSize) + driversim::kDriverPrivateSize && dmSize == 220) {
    const auto options = driversim::ReadDriverOptions(dm.data() + dmSize);
    out << "driver's private part (" << driversim::kDriverPrivateSize << " bytes at " << dmSize << "): outputFormat "
        << options.outputFormat << "  pagesPerSheet " << options.pagesPerSheet << "  booklet " << options.booklet
        << "  pageOrder " << options.pageOrder << "  languageLevel " << options.languageLevel << "  section offset "
        << Read16(dm, dmSize + 114) << "\n";
  }
  if (auto at = driversim::FindOemSection(dm)) {
    std::span<const std::uint8_t> section(dm.data() + *at, dm.size() - *at);
    out << "plug-in section (" << Read32(dm, *at) << " bytes at " << *at << "): signature "
        << Hex32(Read32(dm, *at + 4)) << "  version " << Read32(dm, *at + 8) << "  CRC " << Hex32(Read32(dm, *at + 56));
    std::string why;
    if (auto entries = driversim::ReadOemSectionEntries(section, &why)) {
      out << " (valid)\n";
      for (const auto& e : *entries) {
        out << "  entry " << e.id << ": " << e.bytes.size() << " bytes:";
        for (std::size_t i = 0; i < e.bytes.size(); ++i)
          out << (i % 24 == 0 ? "\n    " : " ") << std::hex << std::setw(2) << std::setfill('0') << int{e.bytes[i]}
              << std::dec;
        out << "\n";
      }
    } else {
      out << " (invalid: " << why << ")\n";
    }
  } else {
    out << "plug-in section: none\n";
  }
}

namespace {

// A window on a stream read in large blocks.
class StreamWindow {
 public:
  explicit StreamWindow(std::FILE* in) : in_(in), block_(256 * 1024) {}
  // At least `want` bytes unless the stream ends first; empty at its end.
  std::string_view Peek(std::size_t want) {
    if (end_ - begin_ < want && !atEnd_) {
      std::memmove(block_.data(), block_.data() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
      while (end_ < want && !atEnd_) {
        const std::size_t got = std::fread(block_.data() + end_, 1, block_.size() - end_, in_);
        end_ += got;
        atEnd_ = got == 0;
      }
    }
    return {block_.data() + begin_, end_ - begin_};
  }
  void Skip(std::size_t n) { begin_ += n; }

 private:
  std::FILE* in_;
  std::vector<char> block_;
  std::size_t begin_ = 0, end_ = 0;
  bool atEnd_ = false;
};

}  // namespace

bool StripPjl(std::FILE* in, std::FILE* out) {
  // The stream alternates between PJL (at its start and after a universal
  // exit language sequence: "@PJL" lines and further sequences) and
  // PostScript, which runs to the next sequence or the end. Of the
  // PostScript nothing is removed but a Ctrl-D as its very first or very
  // last byte: binary data holds every byte value.
  static constexpr std::string_view kUel = "\x1b%-12345X";
  enum class Mode { Start, Pjl, PjlLine, PostScript } mode = Mode::Start;
  StreamWindow window(in);
  bool heldCtrlD = false;  // the last byte of the PostScript so far, unless more follows
  bool ok = true;
  auto write = [&](std::string_view bytes) {
    if (bytes.empty()) return;
    if (heldCtrlD) ok = std::fputc('\x04', out) != EOF && ok;
    heldCtrlD = bytes.back() == '\x04';
    if (heldCtrlD) bytes.remove_suffix(1);
    ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && ok;
  };
  for (std::string_view rest; !(rest = window.Peek(kUel.size())).empty();) {
    switch (mode) {
      case Mode::PjlLine: {
        const auto lineEnd = rest.find('\n');
        window.Skip(lineEnd == std::string_view::npos ? rest.size() : lineEnd + 1);
        if (lineEnd != std::string_view::npos) mode = Mode::Pjl;
        break;
      }
      case Mode::Start:
      case Mode::Pjl:
        if (rest.substr(0, kUel.size()) == kUel) {
          window.Skip(kUel.size());
          mode = Mode::Pjl;
        } else if (rest.substr(0, 4) == "@PJL") {
          mode = Mode::PjlLine;
        } else if (mode == Mode::Pjl && (rest[0] == '\r' || rest[0] == '\n')) {
          window.Skip(1);
        } else {
          mode = Mode::PostScript;
          if (rest[0] == '\x04') window.Skip(1);
        }
        break;
      case Mode::PostScript: {
        const auto escape = rest.find('\x1b');
        if (escape != 0) {
          const std::string_view code = rest.substr(0, escape);
          write(code);
          window.Skip(code.size());
        } else if (rest.substr(0, kUel.size()) == kUel) {
          heldCtrlD = false;
          window.Skip(kUel.size());
          mode = Mode::Pjl;
        } else {
          write(rest.substr(0, 1));
          window.Skip(1);
        }
        break;
      }
    }
  }
  return ok && !std::ferror(in);
}

}  // namespace renps
