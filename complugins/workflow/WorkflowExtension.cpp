#include "workflow/WorkflowExtension.h"

#include "platform/text.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/TamorException.h"
#include "zqutil/TamorUtilities.h"
#include "zqutil/TextResourceLoader.h"

namespace {

void Report(const CXString& path, const char16_t* why) {
  CXString line(u"workflow extension ");
  line += path;
  line += u": ";
  line += why;
  line += u"\n";
  OutputDebugStringW(platform::W(line.c_str()));
}

// The selector in "XWorkflowDLL"; false when the value is absent. A value of
// another type selects nothing.
bool ReadSelector(HANDLE hPrinter, DWORD& selector) {
  Printer printer(hPrinter);
  if (!printer.GetPrinterDataW(CXString(PrinterDataNames::kWorkflowDll))) return false;
  selector = printer.GetPrinterDataType() == REG_DWORD ? printer.GetPrinterDataBuffer().getAsLongValue() : 0;
  return true;
}

// Looking for the extension is not the caller's business: a lookup that fails
// must not become the error the caller's own failure reports.
class LastErrorKept {
 public:
  LastErrorKept() : error_(GetLastError()) {}
  ~LastErrorKept() { SetLastError(error_); }
  LastErrorKept(const LastErrorKept&) = delete;
  LastErrorKept& operator=(const LastErrorKept&) = delete;

 private:
  DWORD error_;
};

}  // namespace

const char16_t* WorkflowModuleFile(DWORD selector) {
  for (const WorkflowModuleName& module : kWorkflowModules)
    if (module.selector == selector) return module.file;
  return nullptr;
}

WorkflowExtension::~WorkflowExtension() {
  Release();
}

void WorkflowExtension::SetOwner(HMODULE pluginModule, DataSourceProvider* provider) {
  pluginModule_ = pluginModule;
  provider_ = provider;
}

WorkflowObject* WorkflowExtension::Ensure(HANDLE hPrinter) {
  if (object_ != nullptr) return object_;
  const LastErrorKept lastError;
  try {
    TextResourceLoader::Initialize(hPrinter, false);
    DWORD selector = 0;
    if (!ReadSelector(hPrinter, selector)) {
      DetectExtension(hPrinter);
      if (!ReadSelector(hPrinter, selector)) selector = 0;
    }
    if (module_ == nullptr && WorkflowModuleFile(selector) != nullptr) LoadModule(selector);
    if (module_ == nullptr) return nullptr;
    if (object_ != nullptr) return object_;
    object_ = getObject_(provider_);
    if (object_ == nullptr) return nullptr;
    object_->Initialize(hPrinter);
    object_->Start();
  } catch (const ExceptionPrinterFailure&) {
    // The spooler could not answer now: what was achieved stands, the rest is
    // tried again at the next call.
  }
  return object_;
}

bool WorkflowExtension::LoadModule(DWORD selector) {
  const CXString path = TamorUtilities::getModulePath(pluginModule_) + CXString(WorkflowModuleFile(selector));
  HMODULE module = LoadLibraryExW(platform::W(path.c_str()), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) return false;
  auto getObject = FunctionCast<PFN_GetWorkflowObject>(GetProcAddress(module, kGetWorkflowObjectExport));
  auto releaseObject = FunctionCast<PFN_ReleaseWorkflowObject>(GetProcAddress(module, kReleaseWorkflowObjectExport));
  if (getObject == nullptr || releaseObject == nullptr) {
    // Not an extension: calling it would jump to nowhere.
    FreeLibrary(module);
    if (!refusalReported_) Report(path, u"refused: it does not export GetWorkflowObject and ReleaseWorkflowObject");
    refusalReported_ = true;
    return false;
  }
  module_ = module;
  getObject_ = getObject;
  releaseObject_ = releaseObject;
  return true;
}

void WorkflowExtension::Release() {
  if (object_ != nullptr && module_ != nullptr) {
    // This runs in the plug-in object's destructor: an exception leaving the
    // extension here would end the driver's process.
    try {
      releaseObject_(object_);
    } catch (...) {
      Report(TamorUtilities::getModulePath(pluginModule_), u"ReleaseWorkflowObject threw; the module is freed anyway");
    }
  }
  object_ = nullptr;
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
  getObject_ = nullptr;
  releaseObject_ = nullptr;
}

bool WorkflowExtension::DetectExtension(HANDLE hPrinter) {
  try {
    CXString files =
        PrintDriver::GetDriverFiles(hPrinter, PrintDriver::kDriverFile | PrintDriver::kDependentFiles, CXString());
    files.MakeLower();
    for (const WorkflowModuleName& module : kWorkflowModules) {
      CXString name(module.file);
      name.MakeLower();
      if (files.Find(name.c_str()) == CXString::npos) continue;
      DWORD selector = module.selector;
      Printer(hPrinter).SetPrinterDataW(CXString(PrinterDataNames::kWorkflowDll), REG_DWORD, &selector,
                                        sizeof selector);
      return true;
    }
  } catch (const ExceptionPrintDriverFailure&) {
    // The spooler cannot list the driver's files: no extension is recorded.
  } catch (const ExceptionPrinterFailure&) {
    // The selector could not be recorded; detection runs again next time.
  }
  return false;
}
