// What renps needs of the operating system beyond the Win32 calls: files by
// descriptor, mapped views of a document, the output's temporary file, the
// program's own directory, running Ghostscript. One implementation per
// platform (posix/System.cpp, win32/System.cpp) below the loops both share
// (System.cpp); the rest of the host is the same source on both.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace renps::sys {

// The plug-in module's file name beside renps.
extern const char* const kPluginFileName;

// Standard input and output carry bytes, untranslated.
void UseBinaryStandardStreams();
// The directory renps was started from ("" when unknown).
std::string ExecutableDirectory();
// Where a temporary file goes when the output has no directory of its own.
std::string TemporaryDirectory();

// ---- Files by descriptor ----------------------------------------------------

bool IsDirectory(int fd);
// True, with the size, for a regular file that can be mapped.
bool RegularFileSize(int fd, long long& size);
// The file's size now (-1 when it cannot be told).
long long CurrentSize(int fd);
// Offsets of mapped views are multiples of this.
std::size_t MapAlignment();
// A read-only view of `length` bytes at `offset`; null with the reason.
const void* MapView(int fd, long long offset, std::size_t length, std::string& error);
void UnmapView(const void* view, std::size_t length);

// A document cut short while it is mapped faults at the next read of the
// lost bytes: while a guard lives, that ends the program with a message and
// status 1, removing `temporary` (the unfinished output) first.
class ReadFaultGuard {
 public:
  explicit ReadFaultGuard(const std::string& temporary);
  ~ReadFaultGuard();
  ReadFaultGuard(const ReadFaultGuard&) = delete;
  ReadFaultGuard& operator=(const ReadFaultGuard&) = delete;
};

// ---- The output -------------------------------------------------------------

enum class PathKind { Missing, Regular, Directory, Other };
// What is at `path`; `mode` gets a regular file's permissions.
PathKind Probe(const std::string& path, unsigned& mode);
// The permissions a new file gets.
unsigned NewFileMode();
// A FIFO or device opened for writing; -1 with errno set.
int OpenForWriting(const std::string& path);
// A new, empty file in `directory` whose name starts with `prefix`, opened
// for reading and writing; -1 with errno set.
int CreateTemporary(const std::string& directory, const std::string& prefix, std::string& path);
// Writes everything; false with the errno value (ENOSPC when nothing more
// could be written). The same loop on both platforms (System.cpp).
bool WriteAll(int fd, const char* data, std::size_t size, int& error);
// The same for `head` followed by `tail`, in as few writes as the platform
// allows (one gathering write on POSIX).
bool WriteAll(int fd, const char* head, std::size_t headSize, const char* tail, std::size_t tailSize, int& error);
// One write of at most `size` bytes: the count written, -1 with errno set.
long WriteSome(int fd, const char* data, std::size_t size);
// One write of at most `headSize` + `tailSize` bytes, taken from `head` and
// then `tail` (only from `head` where the platform cannot gather).
long WriteSome(int fd, const char* head, std::size_t headSize, const char* tail, std::size_t tailSize);
// Bytes read (0 at the end, -1 with errno set).
long Read(int fd, char* data, std::size_t size);
bool Rewind(int fd);
bool SetMode(int fd, unsigned mode);
bool Close(int fd);
// Moves `from` over `to`, replacing it; false with errno set.
bool Replace(const std::string& from, const std::string& to);
extern const int kStandardOutput;

// Runs a program found on the PATH and waits for it: its exit status, or -1
// when it could not be started.
int RunProgram(const std::vector<std::string>& arguments);

}  // namespace renps::sys
