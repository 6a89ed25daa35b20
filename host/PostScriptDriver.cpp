#include "PostScriptDriver.h"

#include <cmath>
#include <cstring>
#include <filesystem>

#include "DscReader.h"
#include "OemSection.h"
#include "Settings.h"
#include "platform/posixhost.h"
#include "platform/text.h"

namespace renps {

namespace {

constexpr ULONG kEscapeStoreState = 0xF43574AA;
constexpr ULONG kEscapeSnippets = 0xF4357504;
constexpr ULONG kEscapeFaxDestinations = 0xF43575CC;
constexpr ULONG kEscapeFaxCover = 0xF43575CD;
constexpr std::size_t kFaxRecordSize = 104;
constexpr std::size_t kFaxMailboxOffset = 94;
// Parts of a page or document the driver must hold back before it can write
// them (the lines after a page's last showpage, the trailer) are bounded.
constexpr std::size_t kHeldLimit = 1 << 20;

// The driver's own procedures. A feature block runs inside `stopped`, so a
// feature the printer does not have cannot end the job; the operand and
// dictionary stacks are put back as they were.
constexpr char kDriverProcset[] =
    "%%BeginResource: procset renps_driver 1.0 0\n"
    "userdict /renps$feature 2 dict put\n"
    "/featurebegin { count countdictstack userdict /renps$feature get begin /d exch def /n exch def end } bind def\n"
    "/featurecleanup {\n"
    "  stopped { $error /newerror false put } if\n"
    "  count userdict /renps$feature get /n get sub dup 0 gt { { pop } repeat } { pop } ifelse\n"
    "  countdictstack userdict /renps$feature get /d get sub dup 0 gt { { end } repeat } { pop } ifelse\n"
    "} bind def\n"
    "%%EndResource\n";

std::string Utf8(std::u16string_view text) {
  return platform::ToUtf8(text);
}

std::string Trimmed(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
  return text.substr(0, end);
}

bool Is(const std::string& text, const char* keyword) {
  return text.rfind(keyword, 0) == 0;
}

std::string WithNewline(std::string text) {
  if (text.empty() || (text.back() != '\n' && text.back() != '\r')) text += '\n';
  return text;
}

// Where a page's showpage stands in a line of code: the last "showpage" that
// is a whole name (not "/showpage", not inside a comment), or npos.
std::size_t FindShowpage(const std::string& line) {
  static constexpr char kDelimiters[] = " \t\r\n{}[]()<>";
  const std::size_t comment = line.find('%');
  for (std::size_t at = line.rfind("showpage"); at != std::string::npos;
       at = at == 0 ? std::string::npos : line.rfind("showpage", at - 1)) {
    const bool startOk = at == 0 || std::strchr(kDelimiters, line[at - 1]) != nullptr;
    const std::size_t end = at + 8;
    const bool endOk = end >= line.size() || std::strchr(kDelimiters, line[end]) != nullptr || line[end] == '%';
    if (startOk && endOk && (comment == std::string::npos || comment > at)) return at;
  }
  return std::string::npos;
}

template <typename T>
void Append(std::vector<std::uint8_t>& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

const char* InjectionName(DWORD index) {
  const InjectionPoint* point = FindInjectionPoint(index);
  return point != nullptr ? point->name : "PSINJECT_?";
}

// ---------------------------------------------------------------------------
// The plug-in module.

PluginModule::PluginModule(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw InputError(path + ": no plug-in module there");
  const std::u16string widePath = platform::FromUtf8(std::filesystem::absolute(path, ec).string());
  module_ = LoadLibraryExW(platform::W(widePath.c_str()), nullptr, 0);
  if (module_ == nullptr)
    throw PluginFailure(path + ": the plug-in module does not load (error " + std::to_string(GetLastError()) + ")");
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
  auto getClassObject = ::FunctionCast<GetClassObject>(GetProcAddress(module_, "DllGetClassObject"));
  if (getClassObject == nullptr) throw PluginFailure(path + ": the plug-in module exports no DllGetClassObject");
  IClassFactory* factory = nullptr;
  HRESULT hr = getClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr) || factory == nullptr) throw PluginFailure("DllGetClassObject returned " + Hex32(hr));
  IUnknown* unknown = nullptr;
  hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown));
  factory->Release();
  if (FAILED(hr) || unknown == nullptr) throw PluginFailure("IClassFactory::CreateInstance returned " + Hex32(hr));
  hr = unknown->QueryInterface(IID_IPrintOemPS2, reinterpret_cast<void**>(&object_));
  unknown->Release();
  if (FAILED(hr) || object_ == nullptr) throw PluginFailure("QueryInterface(IID_IPrintOemPS2) returned " + Hex32(hr));
}

PluginModule::~PluginModule() {
  Release();
}

void PluginModule::Release() {
  if (object_ != nullptr) {
    object_->Release();
    object_ = nullptr;
  }
  if (module_ != nullptr) {
    FreeLibrary(module_);
    module_ = nullptr;
  }
}

// ---------------------------------------------------------------------------
// Driver state.

// The DEVOBJ the plug-in sees, with a way back to the driver from a hook's
// SURFOBJ (whose dhpdev is the DEVOBJ).
struct DevobjWithDriver {
  DEVOBJ devobj;
  PostScriptDriver* driver;
};

struct PostScriptDriver::Pdev {
  DevobjWithDriver owned{};
  std::vector<std::uint8_t> devmode;
  DEVINFO devinfo{};
  SURFOBJ surface{};
};

struct PostScriptDriver::Page {
  enum class Part { Comments, Setup, Body } part = Part::Comments;
  // From the last showpage on: the text before it on its line, the line from
  // the token on, and the lines that followed.
  bool showpageSeen = false;
  std::string beforeShowpage, showpageLine, afterShowpage;
  std::vector<std::string> trailer;
  std::size_t trailerBytes = 0;
};

PostScriptDriver::PostScriptDriver(IPrintOemPS2* plugin, HANDLE hPrinter, const JobFile& job,
                                   DriverOptionsForRun options)
    : plugin_(plugin), hPrinter_(hPrinter), job_(job), options_(options) {
  driverHelper_ = new driversim::DriverHelper([this](const void* data, std::size_t size) {
    if (tracing_ && !recordStack_.empty())
      trace_[recordStack_.back()].bytes.append(static_cast<const char*>(data), size);
    WriteBytes(data, size);
  });
  driverHelper_->SetRecording(false);
  coreHelper_ = new driversim::CoreHelper();
  tracing_ = options_.trace;
  driverFunctions_[0] = {INDEX_DrvStartDoc, ::FunctionCast<PFN>(&PostScriptDriver::DrvStartDoc)};
  driverFunctions_[1] = {INDEX_DrvEndDoc, ::FunctionCast<PFN>(&PostScriptDriver::DrvEndDoc)};
  driverFunctions_[2] = {INDEX_DrvStartPage, ::FunctionCast<PFN>(&PostScriptDriver::DrvStartPage)};
  driverFunctions_[3] = {INDEX_DrvSendPage, ::FunctionCast<PFN>(&PostScriptDriver::DrvSendPage)};
  driverFunctions_[4] = {INDEX_DrvEscape, ::FunctionCast<PFN>(&PostScriptDriver::DrvEscape)};
  driverEnableData_ = {DDI_DRIVER_VERSION_NT5_01, 5, driverFunctions_};
}

PostScriptDriver::~PostScriptDriver() {
  if (pdev_) plugin_->DisablePDEV(&pdev_->owned.devobj);
  pdev_.reset();
  if (driverEnabled_) plugin_->DisableDriver();
  driverHelper_->Release();
  coreHelper_->Release();
}

void PostScriptDriver::EnableDriver() {
  DWORD needed = 0, value = 0;
  HRESULT hr = plugin_->GetInfo(OEMGI_GETSIGNATURE, &value, sizeof value, &needed);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::GetInfo(OEMGI_GETSIGNATURE) returned " + Hex32(hr));
  hr = plugin_->GetInfo(OEMGI_GETVERSION, &value, sizeof value, &needed);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::GetInfo(OEMGI_GETVERSION) returned " + Hex32(hr));
  DWORD requested = 0;
  const bool wantsCoreHelper =
      SUCCEEDED(plugin_->GetInfo(OEMGI_GETREQUESTEDHELPERINTERFACES, &requested, sizeof requested, &needed)) &&
      (requested & OEMPUBLISH_IPRINTCOREHELPER) != 0;

  hr = plugin_->PublishDriverInterface(static_cast<IUnknown*>(driverHelper_));
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::PublishDriverInterface(IPrintOemDriverPS) returned " + Hex32(hr));
  if (wantsCoreHelper) {
    hr = plugin_->PublishDriverInterface(static_cast<IUnknown*>(coreHelper_));
    if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::PublishDriverInterface(IPrintCoreHelper) returned " + Hex32(hr));
    corePublished_ = true;
  }

  DRVENABLEDATA ded{};
  hr = plugin_->EnableDriver(PRINTER_OEMINTF_VERSION, sizeof ded, &ded);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::EnableDriver returned " + Hex32(hr));
  driverEnabled_ = true;
  if (ded.c > 64 || (ded.c > 0 && ded.pdrvfn == nullptr))
    throw PluginFailure("IPrintOemPS2::EnableDriver returned a hook table of " + std::to_string(ded.c) + " entries");
  for (ULONG i = 0; i < ded.c; ++i) hooks_.emplace_back(ded.pdrvfn[i].iFunc, ded.pdrvfn[i].pfn);
}

void PostScriptDriver::DisableDriver() {
  if (!driverEnabled_) return;
  driverEnabled_ = false;
  const HRESULT hr = plugin_->DisableDriver();
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::DisableDriver returned " + Hex32(hr));
}

std::vector<std::uint8_t> PostScriptDriver::BuildDevmode(const DevmodeSettings& wanted) {
  driversim::PublicFields fields = wanted.fields;
  fields.deviceName = job_.printer.name.substr(0, CCHDEVICENAME - 1);
  if (job_.noPrivateSection) return driversim::BuildDevmode(fields, wanted.driver);

  // The devmode is made by the driver's user interface, in the application.
  platform::host::SetProcessImageName(u"C:\\Program Files\\renps\\application.exe");
  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  param.hPrinter = hPrinter_;
  HRESULT hr = plugin_->DevMode(OEMDM_SIZE, &param);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::DevMode(OEMDM_SIZE) returned " + Hex32(hr));
  const DWORD size = param.cbBufSize;
  if (size < sizeof(OEM_DMEXTRAHEADER) || size > 0xFFFF - driversim::kDriverPrivateSize)
    throw PluginFailure("IPrintOemPS2::DevMode(OEMDM_SIZE) answered a section of " + std::to_string(size) + " bytes");

  auto devmode = driversim::BuildDevmode(fields, wanted.driver, std::vector<std::uint8_t>(size, 0));
  auto* dm = reinterpret_cast<DEVMODEW*>(devmode.data());
  std::uint8_t* section = devmode.data() + driversim::kPublicDevmodeSize + driversim::kDriverPrivateSize;

  param.pPublicDMIn = dm;
  param.pOEMDMOut = section;
  param.cbBufSize = size;
  hr = plugin_->DevMode(OEMDM_DEFAULT, &param);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::DevMode(OEMDM_DEFAULT) returned " + Hex32(hr));

  // The user interface stores the document settings as entry 1.
  std::string why;
  if (!driversim::ReadOemSectionEntries({section, size}, &why))
    throw PluginFailure("IPrintOemPS2::DevMode(OEMDM_DEFAULT) left no valid private section: " + why);
  const ByteBuffer image = BuildSettingsImage(job_.settings);
  if (!driversim::WriteOemSectionEntry({section, size}, 1, {image.getLpbyte(), image.size()}, &why))
    throw InputError(job_.path + ": /settings: the settings do not fit the private devmode section (" + why + ")");

  std::vector<std::uint8_t> input(section, section + size);
  param.pPublicDMIn = dm;
  param.pPublicDMOut = dm;
  param.pOEMDMIn = input.data();
  param.pOEMDMOut = section;
  param.cbBufSize = size;
  hr = plugin_->DevMode(OEMDM_MERGE, &param);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::DevMode(OEMDM_MERGE) returned " + Hex32(hr));
  return devmode;
}

std::unique_ptr<PostScriptDriver::Pdev> PostScriptDriver::EnablePdev(const DevmodeSettings& wanted) {
  auto pdev = std::make_unique<Pdev>();
  pdev->devmode = BuildDevmode(wanted);
  // Rendering happens in the spooler.
  platform::host::SetProcessImageName(u"C:\\Windows\\System32\\spoolsv.exe");
  DEVOBJ& devobj = pdev->owned.devobj;
  pdev->owned.driver = this;
  devobj.dwSize = sizeof(DEVOBJ);
  devobj.hEngine = reinterpret_cast<HANDLE>(this);
  devobj.hPrinter = hPrinter_;
  devobj.pPublicDM = reinterpret_cast<DEVMODEW*>(pdev->devmode.data());
  if (auto at = driversim::FindOemSection(pdev->devmode)) devobj.pOEMDM = pdev->devmode.data() + *at;
  pdev->surface.dhpdev = &pdev->owned.devobj;
  coreHelper_->SetCurrentDevmode(devobj.pPublicDM, static_cast<DWORD>(pdev->devmode.size()));

  std::u16string name = job_.printer.name;
  PDEVOEM pdevOem = nullptr;
  BeginTrace("IPrintOemPS2::EnablePDEV", 0);
  const HRESULT hr = plugin_->EnablePDEV(&devobj, platform::W(name.data()), 0, nullptr, 0, nullptr, sizeof(DEVINFO),
                                         &pdev->devinfo, &driverEnableData_, &pdevOem);
  EndTrace(hr, 0, false);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::EnablePDEV returned " + Hex32(hr));
  if (pdevOem == nullptr) throw PluginFailure("IPrintOemPS2::EnablePDEV returned no PDEV");
  devobj.pdevOEM = pdevOem;
  return pdev;
}

void PostScriptDriver::DisablePdev(std::unique_ptr<Pdev> pdev) {
  if (!pdev) return;
  BeginTrace("IPrintOemPS2::DisablePDEV", 0);
  const HRESULT hr = plugin_->DisablePDEV(&pdev->owned.devobj);
  EndTrace(hr, 0, false);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::DisablePDEV returned " + Hex32(hr));
}

void PostScriptDriver::ResetPdev(const DevmodeSettings& wanted) {
  Flush(FlushMode::All);
  auto fresh = EnablePdev(wanted);
  BeginTrace("IPrintOemPS2::ResetPDEV", 0);
  const HRESULT hr = plugin_->ResetPDEV(&pdev_->owned.devobj, &fresh->owned.devobj);
  EndTrace(hr, 0, false);
  if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::ResetPDEV returned " + Hex32(hr));
  DisablePdev(std::move(pdev_));
  pdev_ = std::move(fresh);
}

// ---------------------------------------------------------------------------
// Output.

void PostScriptDriver::Write(const std::string& text) {
  WriteBytes(text.data(), text.size());
  // Only the driver's own writes flush: the plug-in is never re-entered from
  // inside one of its own DrvWriteSpoolBuf calls.
  if (buffer_.size() > options_.bufferSize) Flush(FlushMode::IfFull);
}

void PostScriptDriver::WriteBytes(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  buffer_.insert(buffer_.end(), bytes, bytes + size);
}

void PostScriptDriver::Flush(FlushMode mode) {
  std::size_t at = 0;
  auto send = [&](std::size_t n) {
    DWORD written = 0;
    if (writePrinterHooked_) {
      const HRESULT hr =
          plugin_->WritePrinter(&pdev_->owned.devobj, buffer_.data() + at, static_cast<DWORD>(n), &written);
      if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::WritePrinter returned " + Hex32(hr));
    } else if (!::WritePrinter(hPrinter_, buffer_.data() + at, static_cast<DWORD>(n), &written)) {
      throw PluginFailure("WritePrinter failed with error " + std::to_string(GetLastError()));
    }
    at += n;
  };
  switch (mode) {
    case FlushMode::IfFull:
      while (buffer_.size() - at > options_.bufferSize) send(options_.bufferSize);
      break;
    case FlushMode::All:
      while (at < buffer_.size()) send(std::min(options_.bufferSize, buffer_.size() - at));
      break;
    case FlushMode::Final:
      // Everything that is left goes in one piece: the plug-in takes the
      // first write after the end of the stream as the job's last.
      if (!buffer_.empty()) send(buffer_.size());
      break;
  }
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(at));
}

void PostScriptDriver::BeginTrace(std::string origin, DWORD index) {
  if (!tracing_) return;
  TraceRecord record;
  record.origin = std::move(origin);
  record.index = index;
  record.page = pageCount_;
  record.document = documentOrdinal_;
  trace_.push_back(std::move(record));
  recordStack_.push_back(trace_.size() - 1);
}

void PostScriptDriver::EndTrace(HRESULT result, DWORD commandResult, bool replaced) {
  if (!tracing_ || recordStack_.empty()) return;
  TraceRecord& record = trace_[recordStack_.back()];
  record.result = result;
  record.commandResult = commandResult;
  record.replaced = replaced;
  recordStack_.pop_back();
}

bool PostScriptDriver::Command(DWORD index) {
  BeginTrace(InjectionName(index), index);
  const DWORD previous = driverHelper_->CurrentIndex();
  driverHelper_->SetCurrentIndex(index);
  DWORD result = ERROR_NOT_SUPPORTED;
  const HRESULT hr = plugin_->Command(&pdev_->owned.devobj, index, nullptr, 0, &result);
  driverHelper_->SetCurrentIndex(previous);
  // A failing Command does not stop the driver: it keeps its own comment and
  // goes on (the plug-in reports its own faults through the debug log).
  // Only at the replace points does the plug-in's answer stand for the
  // driver's own comment; elsewhere it merely says that something was written.
  static constexpr DWORD kReplacePoints[] = {3, 4, 7, 8, 9, 10, 21, 100, 104, 106};
  bool replacePoint = false;
  for (DWORD point : kReplacePoints) replacePoint = replacePoint || point == index;
  const bool replaced = replacePoint && SUCCEEDED(hr) && result == ERROR_SUCCESS;
  EndTrace(hr, result, replaced);
  return replaced;
}

// ---------------------------------------------------------------------------
// Hooks and the driver's own functions behind them.

PostScriptDriver* PostScriptDriver::FromSurface(SURFOBJ* pso) {
  if (pso == nullptr || pso->dhpdev == nullptr) return nullptr;
  return reinterpret_cast<DevobjWithDriver*>(pso->dhpdev)->driver;
}

BOOL APIENTRY PostScriptDriver::DrvStartDoc(SURFOBJ* pso, LPWSTR, DWORD) {
  return FromSurface(pso) ? TRUE : FALSE;
}
BOOL APIENTRY PostScriptDriver::DrvStartPage(SURFOBJ* pso) {
  return FromSurface(pso) ? TRUE : FALSE;
}

BOOL APIENTRY PostScriptDriver::DrvSendPage(SURFOBJ* pso) {
  PostScriptDriver* driver = FromSurface(pso);
  if (driver == nullptr || !driver->page_) return FALSE;
  Page& page = *driver->page_;
  if (page.showpageSeen) {
    driver->Write(page.beforeShowpage);
    driver->Command(PSINJECT_SHOWPAGE);
    driver->Write(page.showpageLine);
    driver->Write(page.afterShowpage);
  } else {
    // The page ends in a procedure of the document's own; the point is still
    // served where the page's showpage runs.
    driver->Command(PSINJECT_SHOWPAGE);
  }
  driver->Write("%%PageTrailer\n");
  driver->Command(PSINJECT_PAGETRAILER);
  for (const auto& line : page.trailer) driver->Write(line);
  return TRUE;
}

BOOL APIENTRY PostScriptDriver::DrvEndDoc(SURFOBJ* pso, FLONG) {
  PostScriptDriver* driver = FromSurface(pso);
  if (driver == nullptr) return FALSE;
  driver->WriteTrailer();
  return TRUE;
}

ULONG APIENTRY PostScriptDriver::DrvEscape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) {
  return 0;  // no escape of the driver's own is supported here
}

void PostScriptDriver::Hook(ULONG hookIndex, const char* name) {
  PFN hook = nullptr;
  for (const auto& [index, function] : hooks_)
    if (index == hookIndex) hook = function;
  SURFOBJ* surface = &pdev_->surface;
  BeginTrace(name, 0);
  BOOL ok = FALSE;
  switch (hookIndex) {
    case INDEX_DrvStartDoc: {
      std::u16string name16 = documentName_;
      auto fn = hook ? ::FunctionCast<PFN_DrvStartDoc>(hook) : &PostScriptDriver::DrvStartDoc;
      ok = fn(surface, platform::W(name16.data()), jobId_);
      break;
    }
    case INDEX_DrvEndDoc:
      ok = (hook ? ::FunctionCast<PFN_DrvEndDoc>(hook) : &PostScriptDriver::DrvEndDoc)(surface, 0);
      break;
    case INDEX_DrvStartPage:
      ok = (hook ? ::FunctionCast<PFN_DrvStartPage>(hook) : &PostScriptDriver::DrvStartPage)(surface);
      break;
    case INDEX_DrvSendPage:
      ok = (hook ? ::FunctionCast<PFN_DrvSendPage>(hook) : &PostScriptDriver::DrvSendPage)(surface);
      break;
    default:
      break;
  }
  EndTrace(ok ? S_OK : E_FAIL, 0, false);
  if (!ok) throw PluginFailure(std::string(name) + " returned FALSE");
}

void PostScriptDriver::Escape(ULONG code, std::vector<std::uint8_t> in, bool wantsStatus) {
  PFN hook = nullptr;
  for (const auto& [index, function] : hooks_)
    if (index == INDEX_DrvEscape) hook = function;
  auto fn = hook ? ::FunctionCast<PFN_DrvEscape>(hook) : &PostScriptDriver::DrvEscape;
  DWORD status = 0;
  BeginTrace("OEMEscape " + Hex32(code), 0);
  const ULONG result = fn(&pdev_->surface, code, static_cast<ULONG>(in.size()), in.data(), wantsStatus ? 4 : 0,
                          wantsStatus ? &status : nullptr);
  EndTrace(static_cast<HRESULT>(result), 0, false);
  if (result != 1) throw PluginFailure("OEMEscape(" + Hex32(code) + ") returned " + Hex32(result) + ", not 1");
}

void PostScriptDriver::SendEscapes() {
  for (const auto& [key, bytes] : job_.pdevState) {
    std::vector<std::uint8_t> in;
    Append<std::uint32_t>(in, key);
    Append<std::uint32_t>(in, static_cast<std::uint32_t>(bytes.size()));
    in.insert(in.end(), bytes.begin(), bytes.end());
    Escape(kEscapeStoreState, std::move(in), true);
  }
  if (job_.snippets) {
    const SnippetSpec& s = *job_.snippets;
    // Head of 32 bytes, then the setup, page and end sections.
    const std::uint32_t setupAt = 32, pageAt = setupAt + static_cast<std::uint32_t>(s.setup.size()),
                        endAt = pageAt + static_cast<std::uint32_t>(s.page.size());
    std::vector<std::uint8_t> in;
    Append<std::uint32_t>(in, endAt + static_cast<std::uint32_t>(s.end.size()));
    Append<std::uint32_t>(in, s.flags);
    Append<std::uint32_t>(in, pageAt);
    Append<std::uint32_t>(in, static_cast<std::uint32_t>(s.page.size()));
    Append<std::uint32_t>(in, endAt);
    Append<std::uint32_t>(in, static_cast<std::uint32_t>(s.end.size()));
    Append<std::uint32_t>(in, setupAt);
    Append<std::uint32_t>(in, static_cast<std::uint32_t>(s.setup.size()));
    in.insert(in.end(), s.setup.begin(), s.setup.end());
    in.insert(in.end(), s.page.begin(), s.page.end());
    in.insert(in.end(), s.end.begin(), s.end.end());
    Escape(kEscapeSnippets, std::move(in), false);
  }
  if (job_.fax && !job_.fax->destinations.empty()) {
    std::vector<std::uint8_t> in;
    Append<std::uint32_t>(in, static_cast<std::uint32_t>(job_.fax->destinations.size()));
    for (const auto& d : job_.fax->destinations) {
      std::vector<std::uint8_t> record(kFaxRecordSize, 0);
      for (std::size_t i = 0; i < d.phone.size(); ++i) {
        record[2 * i] = static_cast<std::uint8_t>(d.phone[i]);
        record[2 * i + 1] = static_cast<std::uint8_t>(d.phone[i] >> 8);
      }
      for (std::size_t i = 0; i < d.mailbox.size(); ++i) {
        record[kFaxMailboxOffset + 2 * i] = static_cast<std::uint8_t>(d.mailbox[i]);
        record[kFaxMailboxOffset + 2 * i + 1] = static_cast<std::uint8_t>(d.mailbox[i] >> 8);
      }
      in.insert(in.end(), record.begin(), record.end());
    }
    Escape(kEscapeFaxDestinations, std::move(in), false);
  }
  if (job_.fax && job_.fax->hasCover)
    Escape(kEscapeFaxCover, std::vector<std::uint8_t>(job_.fax->cover.begin(), job_.fax->cover.end()), false);
}

// ---------------------------------------------------------------------------
// The document.

void PostScriptDriver::PrintDocument(std::FILE* document, const std::string& name, std::uint32_t jobId, int ordinal) {
  DscReader reader(document, name);
  reader.ReadHeaderLine();

  documentName_ = job_.job.document;
  jobId_ = jobId;
  documentOrdinal_ = ordinal;
  phase_ = Phase::Header;
  header_.clear();
  trailer_.clear();
  trailerBytes_ = 0;
  neededResources_.clear();
  suppliedResources_.clear();
  pageCount_ = 0;
  page_.reset();
  currentSpec_ = job_.devmode;

  pdev_ = EnablePdev(currentSpec_);
  DWORD written = 0;
  writePrinterHooked_ = plugin_->WritePrinter(nullptr, nullptr, 0, &written) == S_OK;
  driverHelper_->SetCurrentPage(0);
  Hook(INDEX_DrvStartDoc, "OEMStartDoc");
  SendEscapes();

  Command(PSINJECT_BEGINSTREAM);
  Command(PSINJECT_PSADOBE);
  Write("%!PS-Adobe-3.0\n");

  std::size_t headerBytes = 0;
  for (DscLine line = reader.Next(); line.part != DscPart::End; line = reader.Next()) {
    switch (line.part) {
      case DscPart::Header:
        headerBytes += line.text.size();
        if (headerBytes > kHeldLimit) throw InputError(name + ": the header comments exceed 1 MiB");
        header_.push_back(std::move(line.text));
        break;
      case DscPart::Defaults:
        AdvanceTo(Phase::Defaults);
        Write(line.text);
        break;
      case DscPart::Prolog:
        AdvanceTo(Phase::Prolog);
        Write(line.text);
        break;
      case DscPart::Setup:
        AdvanceTo(Phase::Setup);
        Write(line.text);
        break;
      case DscPart::PageStart:
        AdvanceTo(Phase::Pages);
        StartPage(line.label);
        break;
      case DscPart::PageComment:
      case DscPart::PageSetup:
      case DscPart::PageBody:
      case DscPart::PageTrailer:
        AdvanceTo(Phase::Pages);
        PageLine(line.part, line.text, line.whole);
        break;
      case DscPart::Trailer:
        trailerBytes_ += line.text.size();
        if (trailerBytes_ > kHeldLimit) throw InputError(name + ": the trailer exceeds 1 MiB");
        trailer_.push_back(std::move(line.text));
        break;
      case DscPart::End:
        break;
    }
  }
  AdvanceTo(Phase::Trailer);
  Hook(INDEX_DrvEndDoc, "OEMEndDoc");
  DisablePdev(std::move(pdev_));
}

void PostScriptDriver::AdvanceTo(Phase target) {
  while (phase_ < target) {
    switch (phase_) {
      case Phase::Header:
        WriteHeader();
        Write("%%BeginDefaults\n");
        Command(PSINJECT_BEGINDEFAULTS);
        phase_ = Phase::Defaults;
        break;
      case Phase::Defaults:
        Command(PSINJECT_ENDDEFAULTS);
        Write("%%EndDefaults\n%%BeginProlog\n");
        Command(PSINJECT_BEGINPROLOG);
        Write(kDriverProcset);
        phase_ = Phase::Prolog;
        break;
      case Phase::Prolog:
        Command(PSINJECT_ENDPROLOG);
        Write("%%EndProlog\n%%BeginSetup\n");
        Command(PSINJECT_BEGINSETUP);
        phase_ = Phase::Setup;
        break;
      case Phase::Setup:
        Command(PSINJECT_ENDSETUP);
        Write("%%EndSetup\n");
        // The document's head goes to the spooler before the first page, and
        // each page when it is done, as a driver hands out its output.
        Flush(FlushMode::All);
        phase_ = Phase::Pages;
        break;
      case Phase::Pages:
        if (page_) EndPage();
        phase_ = Phase::Trailer;
        break;
      default:
        phase_ = target;
        break;
    }
  }
}

void PostScriptDriver::WriteHeader() {
  std::string creator = "renps";
  std::string boundingBox, processColors;
  std::vector<std::string> others;
  std::vector<std::string>* continuation = nullptr;  // where "%%+" lines of the last comment go
  for (const std::string& raw : header_) {
    const std::string line = Trimmed(raw);
    if (Is(line, "%%+")) {
      if (continuation != nullptr) continuation->push_back(line);
      continue;
    }
    continuation = nullptr;
    if (Is(line, "%%Creator:")) {
      creator = line.substr(10);
      creator.erase(0, creator.find_first_not_of(" \t"));
    } else if (Is(line, "%%BoundingBox:")) {
      boundingBox = line;
    } else if (Is(line, "%%DocumentProcessColors:")) {
      processColors = line;
    } else if (Is(line, "%%DocumentNeededResources:")) {
      if (line.find("(atend)") == std::string::npos) neededResources_.push_back(line);
      continuation = &neededResources_;
    } else if (Is(line, "%%DocumentSuppliedResources:")) {
      if (line.find("(atend)") == std::string::npos) suppliedResources_.push_back(line);
      continuation = &suppliedResources_;
    } else if (Is(line, "%%Title:") || Is(line, "%%CreationDate:") || Is(line, "%%For:") || Is(line, "%%Pages:") ||
               Is(line, "%%Orientation:") || Is(line, "%%PageOrder:") || Is(line, "%!")) {
      // The driver writes these itself.
    } else {
      others.push_back(line);
      continuation = &others;
    }
  }

  const JobSpec& j = job_.job;
  char date[64];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d:%02d", j.year, j.month, j.day, j.hour, j.minute, j.second);
  Write("%%Title: " + Utf8(documentName_) + "\n");
  Write("%%Creator: " + creator + "\n");
  Write(std::string("%%CreationDate: ") + date + "\n");
  Write("%%For: " + Utf8(j.owner.empty() ? job_.user.name : j.owner) + "\n");
  if (boundingBox.empty()) {
    // The sheet in points, from the devmode's paper in tenths of a millimetre.
    const auto points = [](int tenths) { return static_cast<int>(std::lround(tenths * 72.0 / 254.0)); };
    boundingBox = "%%BoundingBox: 0 0 " + std::to_string(points(currentSpec_.fields.paperWidth)) + " " +
                  std::to_string(points(currentSpec_.fields.paperLength));
  }
  if (!Command(PSINJECT_BOUNDINGBOX)) Write(boundingBox + "\n");
  if (!Command(PSINJECT_PAGESATEND)) Write("%%Pages: (atend)\n");
  if (!Command(PSINJECT_ORIENTATION))
    Write(std::string("%%Orientation: ") + (currentSpec_.fields.orientation == 2 ? "Landscape" : "Portrait") + "\n");
  if (!Command(PSINJECT_PAGEORDER)) Write("%%PageOrder: Ascend\n");
  if (!processColors.empty()) {
    const bool atEnd = processColors.find("(atend)") != std::string::npos;
    if (!Command(atEnd ? PSINJECT_DOCUMENTPROCESSCOLORSATEND : PSINJECT_DOCUMENTPROCESSCOLORS))
      Write(processColors + "\n");
  }
  if (!neededResources_.empty()) Write("%%DocumentNeededResources: (atend)\n");
  if (!suppliedResources_.empty()) Write("%%DocumentSuppliedResources: (atend)\n");
  for (const auto& line : others) Write(line + "\n");
  Command(PSINJECT_COMMENTS);
  Write("%%EndComments\n");
}

void PostScriptDriver::StartPage(const std::string& label) {
  if (page_) EndPage();
  ++pageCount_;
  if (auto change = job_.pageDevmodes.find(static_cast<int>(pageCount_)); change != job_.pageDevmodes.end()) {
    currentSpec_ = ApplyDevmodeChange(currentSpec_, change->second);
    ResetPdev(currentSpec_);
  }
  driverHelper_->SetCurrentPage(pageCount_);
  Hook(INDEX_DrvStartPage, "OEMStartPage");
  page_ = std::make_unique<Page>();
  if (!Command(PSINJECT_PAGENUMBER))
    Write("%%Page: " + (label.empty() ? std::to_string(pageCount_) : label) + " " + std::to_string(pageCount_) + "\n");
}

void PostScriptDriver::FinishPageSetup() {
  Page& page = *page_;
  if (page.part == Page::Part::Comments) {
    Write("%%BeginPageSetup\n");
    Command(PSINJECT_BEGINPAGESETUP);
    page.part = Page::Part::Setup;
  }
  if (page.part == Page::Part::Setup) {
    Command(PSINJECT_ENDPAGESETUP);
    Write("%%EndPageSetup\n");
    page.part = Page::Part::Body;
  }
}

void PostScriptDriver::PageLine(DscPart part, const std::string& text, bool whole) {
  Page& page = *page_;
  if (part == DscPart::PageComment && page.part == Page::Part::Comments) {
    const std::string line = Trimmed(text);
    if (Is(line, "%%PageBoundingBox:")) {
      if (!Command(PSINJECT_PAGEBBOX)) Write(text);
    } else if (Is(line, "%%PlateColor:")) {
      if (!Command(PSINJECT_PLATECOLOR)) Write(text);
    } else if (Is(line, "%%EndPageComments")) {
      Command(PSINJECT_ENDPAGECOMMENTS);
      Write(text);
    } else {
      Write(text);
    }
    return;
  }
  if (part == DscPart::PageSetup && page.part != Page::Part::Body) {
    if (page.part == Page::Part::Comments) {
      Write("%%BeginPageSetup\n");
      Command(PSINJECT_BEGINPAGESETUP);
      page.part = Page::Part::Setup;
    }
    Write(text);
    return;
  }
  if (part == DscPart::PageTrailer) {
    page.trailerBytes += text.size();
    if (page.trailerBytes > kHeldLimit) throw InputError("a page trailer exceeds 1 MiB");
    page.trailer.push_back(text);
    return;
  }
  FinishPageSetup();
  const std::size_t at = whole ? FindShowpage(text) : std::string::npos;
  if (at != std::string::npos) {
    // An earlier showpage was not the page's last: its lines go out as they were.
    if (page.showpageSeen) Write(page.beforeShowpage + page.showpageLine + page.afterShowpage);
    page.showpageSeen = true;
    page.beforeShowpage = text.substr(0, at);
    page.showpageLine = WithNewline(text.substr(at));
    page.afterShowpage.clear();
  } else if (page.showpageSeen) {
    page.afterShowpage += text;
    if (page.afterShowpage.size() > kHeldLimit) {
      // Too much code after the showpage for it to be the page's end.
      Write(page.beforeShowpage + page.showpageLine + page.afterShowpage);
      page.showpageSeen = false;
      page.beforeShowpage.clear();
      page.showpageLine.clear();
      page.afterShowpage.clear();
    }
  } else {
    Write(text);
  }
}

void PostScriptDriver::EndPage() {
  FinishPageSetup();
  Hook(INDEX_DrvSendPage, "OEMSendPage");
  page_.reset();
  Flush(FlushMode::All);
}

void PostScriptDriver::WriteTrailer() {
  std::vector<std::string>* continuation = nullptr;
  std::vector<std::string> lines;
  for (const std::string& raw : trailer_) {
    const std::string line = Trimmed(raw);
    if (Is(line, "%%+") && continuation != nullptr) {
      continuation->push_back(line);
      continue;
    }
    continuation = nullptr;
    if (Is(line, "%%Pages:")) continue;
    if (Is(line, "%%DocumentNeededResources:")) {
      neededResources_.push_back(line);
      continuation = &neededResources_;
    } else if (Is(line, "%%DocumentSuppliedResources:")) {
      suppliedResources_.push_back(line);
      continuation = &suppliedResources_;
    } else {
      lines.push_back(WithNewline(raw));
    }
  }
  Write("%%Trailer\n");
  Command(PSINJECT_TRAILER);
  for (const auto& line : lines) Write(line);
  if (!neededResources_.empty()) {
    for (const auto& line : neededResources_) Write(line + "\n");
    Command(PSINJECT_DOCNEEDEDRES);
  }
  if (!suppliedResources_.empty()) {
    for (const auto& line : suppliedResources_) Write(line + "\n");
    Command(PSINJECT_DOCSUPPLIEDRES);
  }
  if (!Command(PSINJECT_PAGES)) Write("%%Pages: " + std::to_string(pageCount_) + "\n");
  Write("%%EOF\n");
  Command(PSINJECT_EOF);
  Command(PSINJECT_ENDSTREAM);
  Flush(FlushMode::Final);
}

}  // namespace renps
