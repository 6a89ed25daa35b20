#include "Spooler.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "PostScriptDriver.h"
#include "Settings.h"
#include "platform/text.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/User.h"

namespace renps {

namespace {

constexpr char16_t kPreferencesKey[] = u"UserPreferenceVerticalFeature";

std::string Narrow(std::u16string_view text) {
  return platform::ToUtf8(text);
}

void SetValue(HANDLE hPrinter, const std::u16string& name, DWORD type, const void* data, std::size_t size) {
  std::u16string valueName = name;
  const DWORD error = SetPrinterDataW(hPrinter, platform::W(valueName.data()), type,
                                      static_cast<LPBYTE>(const_cast<void*>(data)), static_cast<DWORD>(size));
  if (error != ERROR_SUCCESS) {
    std::string why = platform::host::GetLastStoreError();
    throw PluginFailure("SetPrinterDataW(\"" + Narrow(name) + "\") failed with error " + std::to_string(error) +
                        (why.empty() ? "" : ": " + why));
  }
}

void SetDword(HANDLE hPrinter, const std::u16string& name, DWORD value) {
  SetValue(hPrinter, name, REG_DWORD, &value, sizeof value);
}

// An empty text means "not set": the value is removed so the library's
// default applies (and a value from an earlier run does not linger).
void SetText(HANDLE hPrinter, const std::u16string& name, const std::u16string& text) {
  if (text.empty()) {
    std::u16string valueName = name;
    DeletePrinterDataW(hPrinter, platform::W(valueName.data()));
    return;
  }
  SetValue(hPrinter, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(char16_t));
}

void SetRegistry(HANDLE hPrinter, const std::u16string& name, const RegistryValue& value) {
  switch (value.type) {
    case RegistryValue::Type::Dword:
      SetDword(hPrinter, name, value.dword);
      break;
    case RegistryValue::Type::String:
      SetValue(hPrinter, name, REG_SZ, value.text.c_str(), (value.text.size() + 1) * sizeof(char16_t));
      break;
    case RegistryValue::Type::Binary:
      SetValue(hPrinter, name, REG_BINARY, value.bytes.data(), value.bytes.size());
      break;
  }
}

void SetMachineValue(const char16_t* keyPath, const char16_t* name, const std::u16string& text) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, platform::W(keyPath), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    throw PluginFailure("the registry refuses HKLM\\" + Narrow(keyPath) + ": " + platform::host::GetLastStoreError());
  LSTATUS status = ERROR_SUCCESS;
  if (text.empty())
    RegDeleteValueW(key, platform::W(name));  // absent already is as good
  else
    status = RegSetValueExW(key, platform::W(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
  RegCloseKey(key);
  if (status != ERROR_SUCCESS)
    throw PluginFailure("the registry refuses HKLM\\" + Narrow(keyPath) + "\\" + Narrow(name));
}

}  // namespace

Spooler::Spooler(const JobFile& job, const std::string& stateDirectory, platform::host::SpoolSink sink) : job_(job) {
  if (!stateDirectory.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(stateDirectory, ec);
    if (ec) throw InputError(stateDirectory + ": cannot use it as the state directory: " + ec.message());
  }
  platform::host::SetStateDirectory(stateDirectory);

  const PrinterSpec& p = job.printer;
  platform::host::PrinterDescription description;
  description.name = p.name;
  description.port = p.port;
  description.driverName = p.driverName;
  description.dependentFiles = p.driverFiles;
  description.color = p.color;
  description.resolutions = p.resolutions;
  description.driverPrivateFFFA = p.driverPrivateFFFA;
  platform::host::RegisterPrinter(description, std::move(sink));

  const JobSpec& j = job.job;
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(j.year);
  time.wMonth = static_cast<WORD>(j.month);
  time.wDay = static_cast<WORD>(j.day);
  time.wHour = static_cast<WORD>(j.hour);
  time.wMinute = static_cast<WORD>(j.minute);
  time.wSecond = static_cast<WORD>(j.second);
  // Day of the week by Sakamoto's method, as GetLocalTime reports it.
  static constexpr int kMonthOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  const int y = j.month < 3 ? j.year - 1 : j.year;
  time.wDayOfWeek = static_cast<WORD>((y + y / 4 - y / 100 + y / 400 + kMonthOffsets[j.month - 1] + j.day) % 7);
  platform::host::SetFixedLocalTime(time);
  platform::host::SetMachineFacts(job.user.name, job.user.computer);

  std::u16string name = p.name;
  if (!OpenPrinterW(platform::W(name.data()), &hPrinter_, nullptr))
    throw PluginFailure("OpenPrinterW(\"" + Narrow(p.name) + "\") failed with error " + std::to_string(GetLastError()));
  StorePrinterData();
  StoreMachineAndUser();
}

Spooler::~Spooler() {
  if (hPrinter_ != nullptr) ClosePrinter(hPrinter_);
  platform::host::UnregisterPrinter(job_.printer.name);
  platform::host::SetFixedLocalTime(std::nullopt);
}

void Spooler::StartJob(std::uint32_t jobId) {
  platform::host::JobRecord record;
  record.jobId = jobId;
  record.owner = job_.job.owner;
  record.document = job_.job.document;
  record.machine = job_.user.computer;
  platform::host::SetJob(job_.printer.name, record);
}

void Spooler::StorePrinterData() {
  using namespace PrinterDataNames;
  const PrinterSpec& p = job_.printer;
  SetDword(hPrinter_, kControllerFamily, p.controllerFamily);
  SetDword(hPrinter_, kPdlType, p.pdlType);
  SetDword(hPrinter_, kColorMode, p.colorMode);
  SetText(hPrinter_, kProductId, p.productId);
  SetText(hPrinter_, kModelId, p.modelId);
  SetText(hPrinter_, kDriverVersion, p.driverVersion);
  SetText(hPrinter_, kDriverLanguage, p.driverLanguage);
  SetDword(hPrinter_, kInstallationState, p.installationState);
  const ByteBuffer deviceSettings = BuildSettingsImage(p.deviceSettings);
  SetValue(hPrinter_, kDeviceSettings, REG_BINARY, deviceSettings.getLpbyte(), deviceSettings.size());
  // No workflow extension unless the job file names one.
  bool workflowGiven = false;
  for (const auto& [valueName, value] : p.printerData) {
    SetRegistry(hPrinter_, valueName, value);
    workflowGiven = workflowGiven || valueName == kWorkflowDll;
  }
  if (!workflowGiven) SetDword(hPrinter_, kWorkflowDll, 0);
}

void Spooler::StoreMachineAndUser() {
  SetMachineValue(u"SOFTWARE\\RenPS", u"ComputerAddress", job_.user.address);
  SetMachineValue(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"ProductName", job_.user.os);
  const User user(CXString(job_.printer.name));
  try {
    for (const auto& [valueName, value] : job_.user.preferences) {
      switch (value.type) {
        case RegistryValue::Type::Dword:
          user.StoreUserDataLongInRegistry(kPreferencesKey, CXString(valueName), value.dword);
          break;
        case RegistryValue::Type::String:
          user.StoreUserDataStringInRegistry(kPreferencesKey, CXString(valueName), CXString(value.text));
          break;
        case RegistryValue::Type::Binary:
          user.StoreUserDataBytesInRegistry(kPreferencesKey, CXString(valueName),
                                            ByteBuffer(value.bytes.data(), value.bytes.size()));
          break;
      }
    }
  } catch (const std::exception& e) {
    throw PluginFailure(std::string("storing the user's preferences failed: ") + e.what());
  }
}

// ---------------------------------------------------------------------------

OutputFile::OutputFile(const std::string& path) : path_(path == "-" ? "" : path) {
  std::filesystem::path directory;
  if (path_.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    directory = tmp != nullptr && *tmp != 0 ? std::filesystem::path(tmp) : std::filesystem::path("/tmp");
  } else {
    directory = std::filesystem::path(path_).parent_path();
    if (directory.empty()) directory = std::filesystem::path(".");
  }
  std::string pattern = (directory / ".renps-output-XXXXXX").string();
  const int fd = mkstemp(pattern.data());
  if (fd < 0)
    throw InputError((path_.empty() ? directory.string() : path_) + ": cannot write there: " + std::strerror(errno));
  temporary_ = pattern;
  // mkstemp makes the file private; the output gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  file_ = fdopen(fd, "w+b");
  if (file_ == nullptr) {
    close(fd);
    std::remove(temporary_.c_str());
    throw InputError(temporary_ + ": cannot open: " + std::strerror(errno));
  }
}

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (file_ == nullptr || failed_) return false;
  failed_ = std::fwrite(data, 1, size, file_) != size;
  return !failed_;
}

std::string OutputFile::TemporaryPath() {
  if (file_ != nullptr) std::fflush(file_);
  return temporary_;
}

void OutputFile::Commit() {
  if (failed_ || std::fflush(file_) != 0) throw PluginFailure("writing the printer's output failed");
  if (path_.empty()) {
    std::rewind(file_);
    char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file_)) > 0)
      if (std::fwrite(chunk, 1, n, stdout) != n) throw PluginFailure("writing to standard output failed");
    std::fflush(stdout);
    return;
  }
  std::fclose(file_);
  file_ = nullptr;
  if (std::rename(temporary_.c_str(), path_.c_str()) != 0)
    throw PluginFailure(path_ + ": cannot write the output: " + std::strerror(errno));
  temporary_.clear();
}

}  // namespace renps
