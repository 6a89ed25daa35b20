#include "DemoWorkflowObject.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string>

#include "platform/moduleentry.h"
#include "zqutil/Printer.h"

namespace workflowext {

namespace {

std::size_t DevmodeSize(const DEVMODEW* devmode) {
  return static_cast<std::size_t>(devmode->dmSize) + devmode->dmDriverExtra;
}

}  // namespace

DemoWorkflowObject::DemoWorkflowObject(DataSourceProvider* provider) {
  // An extension that uses the plug-in's settings cache keeps `provider`; this one only says it got one.
  Log(provider != nullptr ? "GetWorkflowObject provider" : "GetWorkflowObject");
}

DemoWorkflowObject::~DemoWorkflowObject() {
  Log("ReleaseWorkflowObject");
}

void DemoWorkflowObject::OnCommand() {
  Enter("OnCommand", kThrowOnCommandNotification);
}

HRESULT DemoWorkflowObject::EnablePdev(PDEVOBJ /*pdevobj*/, XOemPdev* /*pdev*/, PWSTR /*pPrinterName*/,
                                       ULONG /*cPatterns*/, HSURF* /*phsurfPatterns*/, ULONG /*cjGdiInfo*/,
                                       GDIINFO* /*pGdiInfo*/, ULONG /*cjDevInfo*/, DEVINFO* /*pDevInfo*/,
                                       DRVENABLEDATA* /*pded*/) {
  Enter("EnablePdev", kThrowOnEnablePdev);
  return S_OK;
}

HRESULT DemoWorkflowObject::Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID /*pData*/, DWORD /*cbSize*/,
                                    XOemPdev* /*pdev*/, IPrintOemDriverPS* /*driverHelper*/, DWORD* pdwResult) {
  Enter("Command " + std::to_string(dwIndex), kThrowOnCommand);
  lastDevmode_.clear();
  if (pdevobj != nullptr && pdevobj->pPublicDM != nullptr && pdevobj->pPublicDM->dmSize >= sizeof(DEVMODEW)) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pdevobj->pPublicDM);
    lastDevmode_.assign(bytes, bytes + DevmodeSize(pdevobj->pPublicDM));
  }
  if (answerIndex_ != 0 && dwIndex == answerIndex_) {
    // Answered here: the plug-in returns this result and writes nothing.
    if (pdwResult != nullptr) *pdwResult = ERROR_SUCCESS;
    return S_FALSE;
  }
  return E_NOTIMPL;
}

HRESULT DemoWorkflowObject::Initialize(HANDLE hPrinter) {
  Printer printer(hPrinter);
  printer.GetPrinterDataDword(kAnswerValue, answerIndex_);
  printer.GetPrinterDataDword(kCopiesValue, copies_);
  printer.GetPrinterDataDword(kTicketValue, ticketValue_);
  CXString text;
  if (printer.GetPrinterDataString(kSpoolToValue, text)) spoolTo_ = text.str();
  if (printer.GetPrinterDataString(kLogValue, text)) logPath_ = text.str();
  printer.GetPrinterDataDword(kThrowValue, throwing_);
  initialized_ = true;
  Enter("Initialize", kThrowOnInitialize);
  return S_OK;
}

HRESULT DemoWorkflowObject::Start() {
  Enter("Start", kThrowOnStart);
  return S_OK;
}

HRESULT DemoWorkflowObject::SpoolFile(XOemPdev* /*pdev*/, CXString path) {
  // A throwing extension fails before it has touched the file.
  if (Throws(kThrowOnSpoolFile)) Enter("SpoolFile", kThrowOnSpoolFile);
  if (spoolTo_.empty()) {
    Log("SpoolFile left");
    return E_NOTIMPL;
  }
  std::error_code error;
  const std::filesystem::path from(path.str());
  const std::filesystem::path to(spoolTo_);
  std::filesystem::rename(from, to, error);
  if (error) {
    // Another file system: copy, then remove what was taken.
    error.clear();
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    if (!error) std::filesystem::remove(from, error);
  }
  Log(error ? "SpoolFile failed" : "SpoolFile taken");
  // Either way the file is the extension's now: the plug-in must not send it.
  return S_OK;
}

DWORD DemoWorkflowObject::ReplacementDevmode(XOemPdev* /*pdev*/, ByteBuffer& devmode) {
  if (Throws(kThrowOnReplacementDevmode)) Enter("ReplacementDevmode", kThrowOnReplacementDevmode);
  if (copies_ == 0 || lastDevmode_.empty()) return 1;
  DEVMODEW header;
  std::memcpy(&header, lastDevmode_.data(), sizeof header);
  header.dmCopies = static_cast<short>(copies_);
  header.dmFields |= DM_COPIES;
  std::memcpy(lastDevmode_.data(), &header, sizeof header);
  devmode.setWithLpbyte(lastDevmode_.data(), lastDevmode_.size());
  Log("ReplacementDevmode " + std::to_string(copies_));
  return 0;
}

DWORD DemoWorkflowObject::JobTicketValue() {
  Enter("JobTicketValue " + std::to_string(ticketValue_), kThrowOnJobTicketValue);
  return ticketValue_;
}

void DemoWorkflowObject::Enter(const std::string& line, DWORD bit) {
  Log(line);
  if (Throws(bit)) throw std::runtime_error("workflow extension: " + line + " fails on purpose");
}

void DemoWorkflowObject::Log(const std::string& line) {
  if (!initialized_) {
    pending_.push_back(line);
    return;
  }
  if (logPath_.empty()) return;
  std::ofstream log(std::filesystem::path(logPath_), std::ios::app | std::ios::binary);
  for (const std::string& earlier : pending_) log << earlier << '\n';
  pending_.clear();
  log << line << '\n';
}

}  // namespace workflowext

extern "C" RENPS_MODULE_EXPORT WorkflowObject* GetWorkflowObject(DataSourceProvider* provider) {
  const char* mask = std::getenv(workflowext::kThrowEnvironment);
  if (mask != nullptr && (std::strtoul(mask, nullptr, 0) & workflowext::kThrowOnCreate) != 0)
    throw std::runtime_error("workflow extension: GetWorkflowObject fails on purpose");
  return new (std::nothrow) workflowext::DemoWorkflowObject(provider);
}

extern "C" RENPS_MODULE_EXPORT void ReleaseWorkflowObject(WorkflowObject* object) {
  auto* demo = static_cast<workflowext::DemoWorkflowObject*>(object);
  // The object is freed either way; only then does the call fail.
  const bool throws = demo != nullptr && demo->ThrowsOnRelease();
  delete demo;
  if (throws) throw std::runtime_error("workflow extension: ReleaseWorkflowObject fails on purpose");
}
