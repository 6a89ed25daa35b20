// The spooler's side of a run: the printer of the job file with its printer
// data (what the driver's installer would have stored), the user's and the
// machine's facts, the fixed clock, the job record, and the sink that takes
// what WritePrinter hands to the printer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// Where the printer's bytes go. A regular file (a new one, or the one a
// chain of symbolic links ends in) is written as a temporary file beside it
// that replaces it only when the run succeeds, so a failed run leaves nothing
// behind; standard output likewise gets the bytes only at the end. FIFOs and
// devices cannot be replaced: they are written into as the bytes come.
class OutputFile {
 public:
  // `path` empty or "-": standard output. Throws InputError when the output
  // cannot be opened or no temporary file can be made beside it.
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False once a write has failed.
  bool Write(const void* data, std::size_t size);
  // Where the bytes written so far can be read back (for the preview);
  // writes them there first.
  std::string TemporaryPath();
  // The temporary file, if the output has one (empty for a FIFO or device).
  const std::string& TemporaryName() const { return temporary_; }
  // Moves the bytes to the output. Throws PluginFailure when that fails.
  void Commit();
  // Throws PluginFailure naming the output and the system's reason when a
  // write has failed.
  void ThrowIfFailed() const;

 private:
  bool Drain();
  std::string name_;    // the output in messages
  std::string target_;  // the file the temporary file replaces
  std::string temporary_;
  int fd_ = -1;
  bool direct_ = false;    // fd_ is the output itself
  bool toStdout_ = false;  // the temporary file is copied to standard output
  unsigned mode_ = 0666;   // the permissions the output gets
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;  // bytes the file has taken
  int error_ = 0;              // errno of the first failed write
};

}  // namespace renps
