#include "PostScriptDriver.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <utility>

#include "DscReader.h"
#include "OemSection.h"
#include "Settings.h"
#include "platform/posixhost.h"
#include "platform/text.h"
#include "zqutil/LineScan.h"

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

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return std::string(text);
}

bool Is(std::string_view text, std::string_view keyword) {
  return text.substr(0, keyword.size()) == keyword;
}

std::string WithNewline(std::string_view text) {
  std::string line(text);
  if (line.empty() || (line.back() != '\n' && line.back() != '\r')) line += '\n';
  return line;
}

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

// Whether `at` in `line` is code: not inside a string, not after a comment's
// '%' (the line-local view: strings rarely run over lines).
bool IsCodeAt(std::string_view line, std::size_t at) {
  int depth = 0;
  for (std::size_t i = 0; i < at; ++i) {
    const char c = line[i];
    if (depth > 0) {
      if (c == '\\')
        ++i;
      else if (c == '(')
        ++depth;
      else if (c == ')')
        --depth;
    } else if (c == '(') {
      depth = 1;
    } else if (c == '%') {
      return false;
    }
  }
  return depth == 0;
}

// Where a page's last showpage stands in a run of code: the last "showpage"
// that is a whole name (not "/showpage", not in a string or a comment), or
// npos. The search runs backwards, so a page's closing showpage is found
// without reading the page twice. In a run that continues a cut line (not
// `whole`) the first line's start is unknown: a showpage there does not count.
std::size_t FindLastShowpage(std::string_view run, bool whole) {
  static constexpr char kDelimiters[] = " \t\r\n{}[]()<>";
  constexpr std::string_view kToken = "showpage";
  const char* s = run.data();
  std::size_t limit = run.size();
  while (limit >= kToken.size()) {
    const char* found = LineScan::FindLast(s, s + limit, kToken);
    if (found == s + limit) break;
    const auto at = static_cast<std::size_t>(found - s);
    // A token further back must start before this one.
    limit = at + kToken.size() - 1;
    const bool startOk = at == 0 || std::strchr(kDelimiters, s[at - 1]) != nullptr;
    const std::size_t end = at + kToken.size();
    const bool endOk = end >= run.size() || std::strchr(kDelimiters, s[end]) != nullptr || s[end] == '%';
    if (!startOk || !endOk) continue;
    std::size_t lineStart = at;
    while (lineStart > 0 && !IsLineEnd(s[lineStart - 1])) --lineStart;
    if (lineStart == 0 && !whole) continue;
    if (!IsCodeAt(run.substr(lineStart), at - lineStart)) continue;
    return at;
  }
  return std::string_view::npos;
}

// A text at least this long goes to the plug-in from where it lies.
constexpr std::size_t kDirectText = 16 * 1024;

// An EPS is printed as a page the way documents include one: its own
// showpage does nothing, whatever it leaves on the stacks is cleared, and the
// driver ends the page.
constexpr char kEpsBegin[] =
    "userdict /renps$eps save put count userdict /renps$epsn 3 -1 roll put "
    "countdictstack userdict /renps$epsd 3 -1 roll put userdict begin /showpage {} def\n";
constexpr char kEpsEnd[] =
    "count userdict /renps$epsn get sub { pop } repeat "
    "countdictstack userdict /renps$epsd get sub { end } repeat userdict /renps$eps get restore\n";

// The device features the driver sets from the devmode and the job's
// settings: a document's own blocks for them are dropped, as the Windows
// driver never passes an application's device setup on.
constexpr std::string_view kDriverFeatures[] = {
    "*PageSize",  "*PageRegion", "*CustomPageSize", "*LeadingEdge", "*InputSlot", "*ManualFeed", "*Duplex",
    "*MediaType", "*MediaColor", "*MediaWeight",    "*OutputBin",   "*Collate",   "*Resolution"};

// The feature a comment names: "%%BeginFeature: *PageSize A4" -> "*PageSize".
std::string_view FeatureKeyword(std::string_view comment) {
  const auto colon = comment.find(':');
  if (colon == std::string_view::npos) return {};
  const auto start = comment.find_first_not_of(" \t", colon + 1);
  if (start == std::string_view::npos) return {};
  const auto end = comment.find_first_of(" \t\r\n", start);
  return comment.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

bool IsDriverFeature(std::string_view comment) {
  const std::string_view keyword = FeatureKeyword(comment);
  for (std::string_view feature : kDriverFeatures)
    if (keyword == feature) return true;
  return false;
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
  // The page's code from the line of its last showpage so far on, held
  // until the page ends or another showpage shows this one was not the last.
  bool showpageSeen = false;
  std::string fromShowpageLine;
  std::size_t showpageAt = 0;  // where the token stands in it
  // A page of an EPS: wrapped so that it prints whether or not it shows itself.
  bool eps = false;
  bool epsBegun = false;
  std::vector<std::string> trailer;
  std::size_t trailerBytes = 0;
};

PostScriptDriver::PostScriptDriver(IPrintOemPS2* plugin, HANDLE hPrinter, const JobFile& job,
                                   DriverOptionsForRun options)
    : plugin_(plugin), hPrinter_(hPrinter), job_(job), options_(std::move(options)) {
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

void PostScriptDriver::Write(std::string_view text) {
  if (text.empty()) return;
  // A DSC comment always starts a line, whatever the document's last line lacked.
  if (!streamAtLineStart_ && text.size() >= 2 && text[0] == '%' && (text[1] == '%' || text[1] == '!'))
    WriteBytes("\n", 1);
  // Only the driver's own writes flush: the plug-in is never re-entered from
  // inside one of its own DrvWriteSpoolBuf calls. The stream goes out in
  // pieces of the buffer's size while more than a piece is pending; a long
  // text goes out from where it lies (in pieces of at most the buffer's
  // size) once what the buffer holds has gone, so its bytes are not copied.
  const std::size_t size = options_.bufferSize;
  if (text.size() >= std::min(size, kDirectText)) {
    Flush(FlushMode::All);
    streamAtLineStart_ = IsLineEnd(text.back());
    while (!text.empty()) {
      const std::size_t piece = std::min(text.size(), size);
      Send(reinterpret_cast<const std::uint8_t*>(text.data()), piece);
      text.remove_prefix(piece);
    }
    return;
  }
  WriteBytes(text.data(), text.size());
  Flush(FlushMode::IfFull);
}

void PostScriptDriver::WriteBytes(const void* data, std::size_t size) {
  if (size == 0) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  buffer_.insert(buffer_.end(), bytes, bytes + size);
  streamAtLineStart_ = bytes[size - 1] == '\n' || bytes[size - 1] == '\r';
}

void PostScriptDriver::Send(const std::uint8_t* data, std::size_t size) {
  DWORD written = 0;
  const platform::host::StoreSnapshot snapshot;
  if (writePrinterHooked_) {
    const HRESULT hr = plugin_->WritePrinter(&pdev_->owned.devobj, const_cast<std::uint8_t*>(data),
                                             static_cast<DWORD>(size), &written);
    if (FAILED(hr)) throw PluginFailure("IPrintOemPS2::WritePrinter returned " + Hex32(hr));
  } else if (!::WritePrinter(hPrinter_, const_cast<std::uint8_t*>(data), static_cast<DWORD>(size), &written)) {
    throw PluginFailure("WritePrinter failed with error " + std::to_string(GetLastError()));
  }
}

void PostScriptDriver::Flush(FlushMode mode) {
  std::size_t at = 0;
  auto send = [&](std::size_t n) {
    Send(buffer_.data() + at, n);
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
  // Each call into the plug-in looks at the state store's files once.
  const platform::host::StoreSnapshot snapshot;
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
  if (page.eps) {
    if (!page.epsBegun) driver->Write(kEpsBegin);
    if (!driver->streamAtLineStart_) driver->WriteBytes("\n", 1);
    driver->Write(kEpsEnd);
    driver->Command(PSINJECT_SHOWPAGE);
    driver->Write("showpage\n");
  } else if (page.showpageSeen) {
    const std::string_view held = page.fromShowpageLine;
    driver->Write(held.substr(0, page.showpageAt));
    driver->Command(PSINJECT_SHOWPAGE);
    driver->Write(held.substr(page.showpageAt));
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
  const platform::host::StoreSnapshot snapshot;
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
  reader_ = &reader;
  documentFile_ = name;

  documentName_ = job_.job.document;
  jobId_ = jobId;
  documentOrdinal_ = ordinal;
  phase_ = Phase::Header;
  header_.clear();
  headerBytes_ = 0;
  trailer_.clear();
  trailerBytes_ = 0;
  neededResources_.clear();
  suppliedResources_.clear();
  pageCount_ = 0;
  page_.reset();
  feature_.reset();
  implicit_.clear();
  implicitBytes_ = 0;
  implicitPage_ = false;
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

  for (DscLine line = reader.Next(); line.part != DscPart::End; line = reader.Next()) Take(line);
  if (feature_) ReleaseFeature();
  if (!implicit_.empty()) {
    if (pageCount_ == 0)
      StartImplicitPage();
    else
      ReleaseImplicit();
  }
  if (!reader.Finished() && options_.warn) {
    if (reader.EndedInsideData())
      options_.warn(name + ": the document ends inside an embedded document or a data block: it may be cut off");
    else if (page_ && !implicitPage_)
      options_.warn(name + ": the document ends inside page " + std::to_string(pageCount_) +
                    " (no %%Trailer or %%EOF): it may be cut off");
  }
  AdvanceTo(Phase::Trailer);
  Hook(INDEX_DrvEndDoc, "OEMEndDoc");
  DisablePdev(std::move(pdev_));
  reader_ = nullptr;
}

void PostScriptDriver::Take(const DscLine& line) {
  if (!FilterFeature(line)) Dispatch(line);
}

// The document's own blocks for features the driver sets are held from
// their %%BeginFeature to their %%EndFeature and dropped; a block that does
// not end within its part, or grows past the held limit, goes out as it was.
bool PostScriptDriver::FilterFeature(const DscLine& line) {
  if (feature_) {
    if (line.part == feature_->part && line.implicit == feature_->implicit) {
      feature_->text += line.text;
      if (line.comment && Is(line.text, feature_->end)) {
        const std::string text = std::move(feature_->text);
        feature_.reset();
        Dropped(Trimmed(text.substr(0, text.find_first_of("\r\n"))), text);
      } else if (feature_->text.size() > kHeldLimit) {
        ReleaseFeature();
      }
      return true;
    }
    ReleaseFeature();
  }
  if (options_.keepDocumentFeatures || !line.comment) return false;
  switch (line.part) {
    case DscPart::Defaults:
    case DscPart::Prolog:
    case DscPart::Setup:
    case DscPart::PageSetup:
    case DscPart::PageBody:
      break;
    default:
      return false;
  }
  if (Is(line.text, "%%IncludeFeature:") && IsDriverFeature(line.text)) {
    Dropped(Trimmed(line.text), line.text);
    return true;
  }
  const bool feature = Is(line.text, "%%BeginFeature:") && IsDriverFeature(line.text);
  if (!feature && !Is(line.text, "%%BeginPaperSize:")) return false;
  feature_ = HeldFeature{line.part, line.implicit, feature ? "%%EndFeature" : "%%EndPaperSize", std::string(line.text)};
  return true;
}

void PostScriptDriver::ReleaseFeature() {
  HeldFeature held = std::move(*feature_);
  feature_.reset();
  DscLine line;
  line.part = held.part;
  line.implicit = held.implicit;
  line.text = held.text;
  Dispatch(line);
}

void PostScriptDriver::Dropped(std::string_view what, std::string_view bytes) {
  if (!tracing_) return;
  TraceRecord record;
  record.origin = "document's own " + std::string(what) + " (dropped)";
  record.page = pageCount_;
  record.document = documentOrdinal_;
  record.bytes = bytes;
  trace_.push_back(std::move(record));
}

void PostScriptDriver::Dispatch(const DscLine& line) {
  const bool code = line.part == DscPart::Defaults || line.part == DscPart::Prolog || line.part == DscPart::Setup;
  if (line.implicit && code && pageCount_ == 0) {
    HoldImplicit(line);
    return;
  }
  if (!implicit_.empty()) {
    if (line.part == DscPart::Trailer && pageCount_ == 0)
      StartImplicitPage();
    else
      ReleaseImplicit();
  }
  // Past the first page, code of the document's head is part of the page
  // (a document printed as one page whose code went on).
  if (code && phase_ == Phase::Pages && page_) {
    PageLine(DscPart::PageBody, line.text, line.whole);
    return;
  }
  switch (line.part) {
    case DscPart::Header:
      headerBytes_ += line.text.size();
      if (headerBytes_ > kHeldLimit) throw InputError(documentFile_ + ": the header comments exceed 1 MiB");
      header_.emplace_back(line.text);
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
      if (trailerBytes_ > kHeldLimit) throw InputError(documentFile_ + ": the trailer exceeds 1 MiB");
      trailer_.emplace_back(line.text);
      break;
    case DscPart::End:
      break;
  }
}

// Code outside every section before the first page is the document's prolog
// or setup when page comments follow, and its one page when none do. It is
// held (within the held limit) until that shows; a document that announces
// conformance has its page comments trusted beyond the limit.
void PostScriptDriver::HoldImplicit(const DscLine& line) {
  if (implicit_.empty() || implicit_.back().first != line.part) implicit_.emplace_back(line.part, std::string());
  implicit_.back().second += line.text;
  implicitBytes_ += line.text.size();
  if (implicitBytes_ <= kHeldLimit) return;
  if (reader_->ClaimsConformance() && !reader_->IsEps())
    ReleaseImplicit();
  else
    StartImplicitPage();
}

void PostScriptDriver::ReleaseImplicit() {
  auto held = std::move(implicit_);
  implicit_.clear();
  implicitBytes_ = 0;
  for (const auto& [part, text] : held) {
    AdvanceTo(part == DscPart::Defaults ? Phase::Defaults : part == DscPart::Prolog ? Phase::Prolog : Phase::Setup);
    Write(text);
  }
}

void PostScriptDriver::StartImplicitPage() {
  if (!reader_->IsEps() && options_.warn)
    options_.warn(documentFile_ + ": no page structure (no %%Page: comments): printed as one page");
  auto held = std::move(implicit_);
  implicit_.clear();
  implicitBytes_ = 0;
  AdvanceTo(Phase::Pages);
  StartPage("");
  implicitPage_ = true;
  for (const auto& [part, text] : held) PageLine(DscPart::PageBody, text, true);
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

void PostScriptDriver::StartPage(std::string_view label) {
  if (page_) EndPage();
  ++pageCount_;
  if (auto change = job_.pageDevmodes.find(static_cast<int>(pageCount_)); change != job_.pageDevmodes.end()) {
    currentSpec_ = ApplyDevmodeChange(currentSpec_, change->second);
    ResetPdev(currentSpec_);
  }
  driverHelper_->SetCurrentPage(pageCount_);
  Hook(INDEX_DrvStartPage, "OEMStartPage");
  page_ = std::make_unique<Page>();
  page_->eps = reader_->IsEps();
  if (!Command(PSINJECT_PAGENUMBER))
    Write("%%Page: " + (label.empty() ? std::to_string(pageCount_) : std::string(label)) + " " +
          std::to_string(pageCount_) + "\n");
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

void PostScriptDriver::PageLine(DscPart part, std::string_view text, bool whole) {
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
    page.trailer.emplace_back(text);
    return;
  }
  FinishPageSetup();
  if (page.eps) {
    if (!page.epsBegun) Write(kEpsBegin);
    page.epsBegun = true;
    Write(text);
    return;
  }
  const std::size_t at = FindLastShowpage(text, whole);
  if (at != std::string_view::npos) {
    // An earlier showpage was not the page's last: its code goes out as it was.
    if (page.showpageSeen) Write(page.fromShowpageLine);
    std::size_t lineStart = at;
    while (lineStart > 0 && !IsLineEnd(text[lineStart - 1])) --lineStart;
    Write(text.substr(0, lineStart));
    page.showpageSeen = true;
    page.fromShowpageLine.assign(text.substr(lineStart));
    page.showpageAt = at - lineStart;
  } else if (page.showpageSeen) {
    page.fromShowpageLine += text;
    if (page.fromShowpageLine.size() > kHeldLimit) {
      // Too much code after the showpage for it to be the page's end.
      Write(page.fromShowpageLine);
      page.showpageSeen = false;
      page.fromShowpageLine.clear();
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
