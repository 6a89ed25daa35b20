#include "Ghostscript.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace gs {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TempDirectory::TempDirectory() {
  char pattern[] = "/tmp/renps-gs-XXXXXX";
  if (::mkdtemp(pattern) != nullptr) path_ = pattern;
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDirectory::Write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path file = path_ / name;
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

std::filesystem::path StandIn() {
  return std::filesystem::path(RENPS_SOURCE_DIR) / "tests" / "printer" / "rrcustomprocs.ps";
}

Result Run(const std::vector<std::filesystem::path>& files, const std::string& device) {
  Result result;
  TempDirectory scratch;
  if (scratch.path().empty()) {
    result.error = "no temporary directory";
    return result;
  }
  const char* configured = std::getenv("RENPS_GS");
  const std::string program = configured != nullptr && *configured != 0 ? configured : "gs";
  std::vector<std::string> arguments = {program, "-q", "-dNOSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=" + device};
  for (const auto& file : files) arguments.push_back(file.string());
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const std::filesystem::path outPath = scratch.path() / "stdout";
  const std::filesystem::path errPath = scratch.path() / "stderr";
  const pid_t child = ::fork();
  if (child < 0) {
    result.error = "fork failed";
    return result;
  }
  if (child == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      result.error = "waitpid failed";
      return result;
    }
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.output = ReadFile(outPath);
  result.errors = ReadFile(errPath);
  if (result.exitCode == 127 || result.exitCode == 126) {
    result.error = "cannot run " + program;
    return result;
  }
  result.started = true;
  return result;
}

::testing::AssertionResult NoPostScriptError(const Result& result) {
  if (!result.started) return ::testing::AssertionFailure() << "interpreter not run: " << result.error;
  const bool reported = result.output.find("Error: /") != std::string::npos ||
                        result.errors.find("Error: /") != std::string::npos ||
                        !LinesStartingWith(result.output, "RRCP featureerror").empty();
  if (result.exitCode == 0 && !reported) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "gs exit " << result.exitCode << "\n--- stdout\n"
                                       << result.output << "--- stderr\n"
                                       << result.errors;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
  }
  return lines;
}

}  // namespace gs
