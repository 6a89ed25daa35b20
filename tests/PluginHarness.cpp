#include "PluginHarness.h"

#include <cstring>
#include <stdexcept>

#include "OemSection.h"
#include "pdev/XOemPdev.h"
#include "platform/text.h"
#include "zqutil/PersistentAttributes.h"

namespace harness {

namespace {
DriverHookLog g_log;

BOOL APIENTRY DrvStartDoc(SURFOBJ*, LPWSTR, DWORD) {
  ++g_log.startDoc;
  return TRUE;
}
BOOL APIENTRY DrvEndDoc(SURFOBJ*, FLONG) {
  ++g_log.endDoc;
  return TRUE;
}
BOOL APIENTRY DrvStartPage(SURFOBJ*) {
  ++g_log.startPage;
  return TRUE;
}
BOOL APIENTRY DrvSendPage(SURFOBJ*) {
  ++g_log.sendPage;
  return TRUE;
}
ULONG APIENTRY DrvEscape(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID) {
  ++g_log.escape;
  return g_log.escapeAnswer;
}
}  // namespace

DriverHookLog& HookLog() {
  return g_log;
}

std::vector<DRVFN> DriverHooks(bool withEscape) {
  std::vector<DRVFN> hooks = {
      {INDEX_DrvStartDoc, FunctionCast<PFN>(&DrvStartDoc)},
      {INDEX_DrvEndDoc, FunctionCast<PFN>(&DrvEndDoc)},
      {INDEX_DrvStartPage, FunctionCast<PFN>(&DrvStartPage)},
      {INDEX_DrvSendPage, FunctionCast<PFN>(&DrvSendPage)},
  };
  if (withEscape) hooks.push_back({INDEX_DrvEscape, FunctionCast<PFN>(&DrvEscape)});
  return hooks;
}

std::vector<std::uint8_t> SectionWithSettings(const AttributeBytesList& settings) {
  std::vector<std::uint8_t> section(driversim::kOemSectionSize, 0);
  auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(section.data() + at, &v, 4); };
  put(0, driversim::kOemSectionSize);
  put(4, driversim::kOemSectionSignature);
  put(8, driversim::kOemSectionVersion);
  put(12, driversim::kOemSectionPayloadSize);
  PersistentAttributes image;
  image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace, settings);
  const ByteBuffer bytes = image.GetBytes();
  std::string error;
  if (!driversim::WriteOemSectionEntry(section, 1, std::span(bytes.getLpbyte(), bytes.size()), &error))
    throw std::runtime_error("settings do not fit the section: " + error);
  return section;
}

PluginHarness::PluginHarness(GetClassObject getClassObject) {
  g_log = DriverHookLog{};
  IClassFactory* factory = nullptr;
  if (FAILED(getClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
    throw std::runtime_error("no class factory");
  IUnknown* unknown = nullptr;
  const HRESULT hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown));
  factory->Release();
  if (FAILED(hr)) throw std::runtime_error("CreateInstance failed");
  unknown->QueryInterface(IID_IPrintOemPS2, reinterpret_cast<void**>(&plugin));
  unknown->Release();

  driver = new driversim::DriverHelper(
      [this](const void* data, std::size_t size) { output.append(static_cast<const char*>(data), size); });
  SetDevmode(driversim::PublicFields{}, driversim::DriverOptions{}, std::nullopt);
  core = new driversim::CoreHelper(Devmode(), static_cast<DWORD>(devmode.size()));
  plugin->PublishDriverInterface(driver);
  plugin->PublishDriverInterface(core);
  plugin->EnableDriver(DDI_DRIVER_VERSION_NT5_01, sizeof pluginHooks, &pluginHooks);
}

PluginHarness::~PluginHarness() {
  if (devobj.pdevOEM != nullptr) DisablePdev();
  plugin->DisableDriver();
  plugin->Release();
  driver->Release();
  core->Release();
}

void PluginHarness::SetDevmode(const driversim::PublicFields& fields, const driversim::DriverOptions& options,
                               const std::optional<std::vector<std::uint8_t>>& section) {
  devmode = driversim::BuildDevmode(fields, options, section);
  devobj.pPublicDM = Devmode();
  if (core != nullptr) core->SetCurrentDevmode(Devmode(), static_cast<DWORD>(devmode.size()));
}

void PluginHarness::SetSettings(const AttributeBytesList& settings, const driversim::PublicFields& fields,
                                const driversim::DriverOptions& options) {
  SetDevmode(fields, options, SectionWithSettings(settings));
}

HRESULT PluginHarness::EnablePdev(bool withEscapeHook) {
  driverHooks_ = DriverHooks(withEscapeHook);
  driverEnable_.iDriverVersion = DDI_DRIVER_VERSION_NT5_01;
  driverEnable_.c = static_cast<ULONG>(driverHooks_.size());
  driverEnable_.pdrvfn = driverHooks_.data();
  devobj.dwSize = sizeof devobj;
  devobj.pPublicDM = Devmode();
  PDEVOEM pdevOem = nullptr;
  const HRESULT hr =
      plugin->EnablePDEV(&devobj, nullptr, 0, nullptr, 0, nullptr, sizeof devInfo, &devInfo, &driverEnable_, &pdevOem);
  devobj.pdevOEM = pdevOem;
  surface.dhpdev = &devobj;
  return hr;
}

HRESULT PluginHarness::DisablePdev() {
  const HRESULT hr = plugin->DisablePDEV(&devobj);
  devobj.pdevOEM = nullptr;
  return hr;
}

HRESULT PluginHarness::Command(DWORD index, DWORD* result) {
  driver->SetCurrentIndex(index);
  const HRESULT hr = plugin->Command(&devobj, index, nullptr, 0, &lastResult);
  driver->SetCurrentIndex(driversim::kNoInjectionIndex);
  if (result != nullptr) *result = lastResult;
  return hr;
}

HRESULT PluginHarness::SendOutput(std::string& sent) {
  sent = std::move(output);
  output.clear();
  DWORD written = 0;
  return plugin->WritePrinter(&devobj, sent.data(), static_cast<DWORD>(sent.size()), &written);
}

std::string PluginHarness::SpoolFilePath() {
  CXString path;
  XOemPdevPs* pdev = PdevFrom(&devobj);
  return pdev != nullptr && pdev->GetString(kPdevSpoolFilePath, path) ? platform::ToUtf8(path.str()) : std::string();
}

PFN PluginHarness::Hook(ULONG index) const {
  for (ULONG i = 0; i < pluginHooks.c; ++i)
    if (pluginHooks.pdrvfn[i].iFunc == index) return pluginHooks.pdrvfn[i].pfn;
  throw std::runtime_error("hook not installed");
}

BOOL PluginHarness::StartDoc(const char16_t* name, DWORD jobId) {
  return FunctionCast<PFN_DrvStartDoc>(Hook(INDEX_DrvStartDoc))(
      &surface, const_cast<LPWSTR>(reinterpret_cast<const WCHAR*>(name)), jobId);
}
BOOL PluginHarness::StartPage() {
  return FunctionCast<PFN_DrvStartPage>(Hook(INDEX_DrvStartPage))(&surface);
}
BOOL PluginHarness::SendPage() {
  return FunctionCast<PFN_DrvSendPage>(Hook(INDEX_DrvSendPage))(&surface);
}
BOOL PluginHarness::EndDoc() {
  return FunctionCast<PFN_DrvEndDoc>(Hook(INDEX_DrvEndDoc))(&surface, 0);
}
ULONG PluginHarness::Escape(ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  return FunctionCast<PFN_DrvEscape>(Hook(INDEX_DrvEscape))(&surface, iEsc, cjIn, const_cast<void*>(pvIn), cjOut,
                                                            pvOut);
}

}  // namespace harness
