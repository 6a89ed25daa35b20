#include "Spooler.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "PostScriptDriver.h"
#include "Settings.h"
#include "System.h"
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
  // The environment's choice is taken once for the run, not at every read of printer data.
  if (stateDirectory.empty()) platform::host::SetStateDirectory(platform::host::GetStateDirectory());

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

namespace {

constexpr std::size_t kOutputBuffer = 256 * 1024;
// The unit the file's writes are aligned to (it divides the buffer).
constexpr std::size_t kAlign = 64 * 1024;

// The file a chain of symbolic links ends in (which need not exist yet).
std::filesystem::path FollowLinks(std::filesystem::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) return path;
    const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
    if (ec) return path;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  throw InputError(path.string() + ": too many levels of symbolic links");
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : buffer_(kOutputBuffer) {
  mode_ = sys::NewFileMode();
  std::filesystem::path directory;
  if (path.empty() || path == "-") {
    name_ = "standard output";
    toStdout_ = true;
    directory = sys::TemporaryDirectory();
  } else {
    name_ = path;
    const std::filesystem::path target = FollowLinks(path);
    switch (sys::Probe(target.string(), mode_)) {
      case sys::PathKind::Directory:
        throw InputError(path + ": is a directory");
      case sys::PathKind::Other:
        // A FIFO or a device: its reader takes the bytes as they come.
        fd_ = sys::OpenForWriting(target.string());
        if (fd_ < 0) throw InputError(path + ": cannot write there: " + std::strerror(errno));
        direct_ = true;
        return;
      case sys::PathKind::Regular:
      case sys::PathKind::Missing:
        break;
    }
    target_ = target.string();
    directory = target.parent_path();
    if (directory.empty()) directory = ".";
  }
  fd_ = sys::CreateTemporary(directory.string(), ".renps-output-", temporary_);
  if (fd_ < 0) throw InputError(name_ + ": cannot write there: " + std::strerror(errno));
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) sys::Close(fd_);
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool OutputFile::Drain() {
  if (error_ != 0) return false;
  if (used_ > 0 && !sys::WriteAll(fd_, buffer_.data(), used_, error_)) return false;
  written_ += used_;
  used_ = 0;
  return true;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (fd_ < 0 || error_ != 0) return false;
  // The file takes writes that end on a boundary of kAlign bytes (all but
  // the last), so the file system never merges a write into a partly written
  // page. Small pieces are gathered in the buffer; a large one, or one the
  // buffer cannot take, goes out from where it lies, behind the gathered
  // bytes in the same write, up to the last boundary it reaches. Only its
  // short rest is copied.
  const auto* bytes = static_cast<const char*>(data);
  while (size >= kAlign || size >= buffer_.size() - used_) {
    const std::size_t total = used_ + size;
    const std::size_t reach = total - (written_ + total) % kAlign;
    // (After an early drain the file is off the grid; all of it goes then.)
    const std::size_t take = reach > used_ ? reach - used_ : size;
    if (!sys::WriteAll(fd_, buffer_.data(), used_, bytes, take, error_)) return false;
    written_ += used_ + take;
    used_ = 0;
    bytes += take;
    size -= take;
  }
  std::memcpy(buffer_.data() + used_, bytes, size);
  used_ += size;
  return true;
}

void OutputFile::ThrowIfFailed() const {
  if (error_ != 0) throw PluginFailure(name_ + ": writing the printer's output failed: " + std::strerror(error_));
}

std::string OutputFile::TemporaryPath() {
  Drain();
  return temporary_;
}

void OutputFile::Commit() {
  Drain();
  ThrowIfFailed();
  const int fd = fd_;
  fd_ = -1;
  if (direct_) {
    if (!sys::Close(fd)) throw PluginFailure(name_ + ": writing the printer's output failed: " + std::strerror(errno));
    return;
  }
  if (toStdout_) {
    int error = 0;
    bool ok = sys::Rewind(fd);
    long n = 0;
    while (ok && (n = sys::Read(fd, buffer_.data(), buffer_.size())) != 0)
      ok = n > 0 && sys::WriteAll(sys::kStandardOutput, buffer_.data(), static_cast<std::size_t>(n), error);
    if (error == 0 && !ok) error = errno;
    sys::Close(fd);
    if (!ok) throw PluginFailure(name_ + ": writing the printer's output failed: " + std::strerror(error));
    return;
  }
  const bool ok = sys::SetMode(fd, mode_) && sys::Close(fd);
  if (!ok || !sys::Replace(temporary_, target_))
    throw PluginFailure(name_ + ": cannot write the output: " + std::strerror(errno));
  temporary_.clear();
}

}  // namespace renps
