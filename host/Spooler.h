// The spooler's side of a run: the printer of the job file with its printer
// data (what the driver's installer would have stored), the user's and the
// machine's facts, the fixed clock, the job record, and the sink that takes
// what WritePrinter hands to the printer.
#pragma once

#include <cstdio>
#include <string>

#include "JobFile.h"
#include "platform/posixhost.h"

namespace renps {

class Spooler {
 public:
  // Sets everything up; throws InputError (the state directory) or
  // PluginFailure (the spooler refuses the printer or a value).
  Spooler(const JobFile& job, const std::string& stateDirectory, platform::host::SpoolSink sink);
  ~Spooler();
  Spooler(const Spooler&) = delete;
  Spooler& operator=(const Spooler&) = delete;

  HANDLE Printer() const { return hPrinter_; }
  // The spooler's record of the job with this id (one per document of a run).
  void StartJob(std::uint32_t jobId);

 private:
  void StorePrinterData();
  void StoreMachineAndUser();
  const JobFile& job_;
  HANDLE hPrinter_ = nullptr;
};

// Where the printer's bytes go: a temporary file that becomes the output
// only when the run succeeds, so a failed run leaves nothing behind (for
// standard output too: the bytes are copied out at the end).
class OutputFile {
 public:
  // `path` empty or "-": standard output. Throws InputError when no
  // temporary file can be made beside the output.
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Write(const void* data, std::size_t size);
  // Where the bytes written so far can be read back (for the preview);
  // flushes them there first.
  std::string TemporaryPath();
  // Moves the bytes to the output. Throws PluginFailure when that fails.
  void Commit();

 private:
  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace renps
