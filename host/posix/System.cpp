#include "System.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace renps::sys {

const char* const kPluginFileName = "renpsoem.so";
const int kStandardOutput = STDOUT_FILENO;

void UseBinaryStandardStreams() {}

std::string ExecutableDirectory() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

std::string TemporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != 0 ? tmp : "/tmp";
}

bool IsDirectory(int fd) {
  struct stat info {};
  return fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

bool RegularFileSize(int fd, long long& size) {
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  size = info.st_size;
  return true;
}

long long CurrentSize(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

std::size_t MapAlignment() {
  static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return page;
}

const void* MapView(int fd, long long offset, std::size_t length, std::string& error) {
  void* view = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, static_cast<off_t>(offset));
  if (view != MAP_FAILED) return view;
  error = std::strerror(errno);
  return nullptr;
}

void UnmapView(const void* view, std::size_t length) {
  if (view != nullptr) ::munmap(const_cast<void*>(view), length);
}

namespace {
char g_temporary[4096] = {};
struct sigaction g_previous {};

void OnBusError(int) {
  static constexpr char kMessage[] = "renps: a document was cut short while it was read\n";
  if (::write(STDERR_FILENO, kMessage, sizeof kMessage - 1) < 0) {
    // Nothing more can be said.
  }
  if (g_temporary[0] != 0) ::unlink(g_temporary);
  ::_exit(1);
}
}  // namespace

ReadFaultGuard::ReadFaultGuard(const std::string& temporary) {
  const std::size_t size = std::min(temporary.size(), sizeof g_temporary - 1);
  temporary.copy(g_temporary, size);
  g_temporary[size] = 0;
  struct sigaction action {};
  action.sa_handler = &OnBusError;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, &g_previous);
}

ReadFaultGuard::~ReadFaultGuard() {
  sigaction(SIGBUS, &g_previous, nullptr);
  g_temporary[0] = 0;
}

PathKind Probe(const std::string& path, unsigned& mode) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return PathKind::Missing;
  if (S_ISDIR(info.st_mode)) return PathKind::Directory;
  if (!S_ISREG(info.st_mode)) return PathKind::Other;
  mode = info.st_mode & 07777;
  return PathKind::Regular;
}

unsigned NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

int OpenForWriting(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
}

int CreateTemporary(const std::string& directory, const std::string& prefix, std::string& path) {
  std::string pattern = (std::filesystem::path(directory) / (prefix + "XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd >= 0) path = pattern;
  return fd;
}

long WriteSome(int fd, const char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

long WriteSome(int fd, const char* head, std::size_t headSize, const char* tail, std::size_t tailSize) {
  const iovec parts[2] = {{const_cast<char*>(head), headSize}, {const_cast<char*>(tail), tailSize}};
  for (;;) {
    const ssize_t n = ::writev(fd, parts, 2);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

long Read(int fd, char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

bool Rewind(int fd) {
  return ::lseek(fd, 0, SEEK_SET) == 0;
}

bool SetMode(int fd, unsigned mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
}

bool Close(int fd) {
  return ::close(fd) == 0;
}

bool Replace(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

int RunProgram(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "renps: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  if (child < 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace renps::sys
