// What the host program sets up for the plug-in: printers and their sinks,
// job records, the clock, machine facts and where debug output goes.
#include <cstdlib>
#include <mutex>

#include "internal.h"
#include "platform/text.h"
#include "store.h"

#ifndef RENPS_STATE_DIR_DEFAULT
#define RENPS_STATE_DIR_DEFAULT ""
#endif

namespace platform::posix {
namespace {

struct HostState {
  common::PrinterTable printers;
  std::optional<SYSTEMTIME> fixedTime;
  std::u16string userName;
  std::u16string computerName;
  std::u16string processImage;
  std::function<void(std::u16string_view)> debugSink;
  std::string stateDirectory;
};

std::mutex g_mutex;
HostState& State() {
  // Never destroyed: the plug-in may still call in from static destructors.
  static auto* state = new HostState();
  return *state;
}

}  // namespace

std::optional<PrinterRecord> FindPrinter(std::u16string_view name) {
  std::lock_guard lock(g_mutex);
  if (auto* printer = State().printers.Find(name)) return *printer;
  return std::nullopt;
}

std::optional<host::SpoolSink> FindSink(std::u16string_view name) {
  std::lock_guard lock(g_mutex);
  if (auto* printer = State().printers.Find(name)) return printer->sink;
  return std::nullopt;
}

std::u16string DriverDirectory() {
  {
    std::lock_guard lock(g_mutex);
    if (auto directory = State().printers.LatestDriverDirectory(); !directory.empty()) return directory;
  }
  return FromUtf8(StateDirectory() + "/drivers");
}

std::optional<SYSTEMTIME> FixedLocalTime() {
  std::lock_guard lock(g_mutex);
  return State().fixedTime;
}

std::u16string UserNameFact() {
  std::lock_guard lock(g_mutex);
  return State().userName;
}

std::u16string ComputerNameFact() {
  std::lock_guard lock(g_mutex);
  return State().computerName;
}

std::u16string ProcessImageName() {
  std::lock_guard lock(g_mutex);
  return State().processImage;
}

std::function<void(std::u16string_view)> DebugSink() {
  std::lock_guard lock(g_mutex);
  return State().debugSink;
}

void StateDirectoryInto(std::string& directory) {
  {
    std::lock_guard lock(g_mutex);
    if (!State().stateDirectory.empty()) {
      directory.assign(State().stateDirectory);
      return;
    }
  }
  if (const char* env = std::getenv("RENPS_STATE_DIR"); env != nullptr && *env != 0) {
    directory.assign(env);
  } else if (*RENPS_STATE_DIR_DEFAULT != 0) {
    directory.assign(RENPS_STATE_DIR_DEFAULT);
  } else if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/') {
    directory.assign(xdg).append("/renps");
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
    directory.assign(home).append("/.local/state/renps");
  } else {
    directory.assign("/tmp/renps-state");
  }
}

std::string StateDirectory() {
  std::string directory;
  StateDirectoryInto(directory);
  return directory;
}

}  // namespace platform::posix

namespace platform::host {

using namespace platform::posix;

void RegisterPrinter(const PrinterDescription& printer, SpoolSink sink) {
  std::lock_guard lock(g_mutex);
  State().printers.Register(printer, std::move(sink));
}

void UnregisterPrinter(std::u16string_view name) {
  std::lock_guard lock(g_mutex);
  State().printers.Unregister(name);
}

void SetJob(std::u16string_view printerName, const JobRecord& job) {
  std::lock_guard lock(g_mutex);
  if (auto* printer = State().printers.Find(printerName)) printer->job = job;
}

void SetStateDirectory(const std::string& directory) {
  {
    std::lock_guard lock(g_mutex);
    State().stateDirectory = directory;
  }
  store::ForgetCache();
}

std::string GetStateDirectory() {
  return StateDirectory();
}

void SetFixedLocalTime(std::optional<SYSTEMTIME> time) {
  std::lock_guard lock(g_mutex);
  State().fixedTime = time;
}

void SetMachineFacts(std::u16string_view userName, std::u16string_view computerName) {
  std::lock_guard lock(g_mutex);
  State().userName = userName;
  State().computerName = computerName;
}

void SetProcessImageName(std::u16string_view path) {
  std::lock_guard lock(g_mutex);
  State().processImage = path;
}

void SetDebugLogSink(std::function<void(std::u16string_view)> sink) {
  std::lock_guard lock(g_mutex);
  State().debugSink = std::move(sink);
}

std::string GetLastStoreError() {
  return store::LastError();
}

void BeginStoreSnapshot() {
  store::BeginSnapshot();
}

void EndStoreSnapshot() {
  store::EndSnapshot();
}

void Reset() {
  {
    std::lock_guard lock(g_mutex);
    std::string directory = std::move(State().stateDirectory);
    State() = HostState();
    State().stateDirectory = std::move(directory);
  }
  store::ForgetCache();
  store::ClearLastError();
  ClearFaults();
}

}  // namespace platform::host
