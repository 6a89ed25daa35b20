// The optional workflow extension: a companion library whose object gets the
// first say on every command, may substitute the devmode, sees every device
// context and may take the finished spool file. The plug-in works alone when
// no extension is installed.
//
// The printer data value "XWorkflowDLL" (REG_DWORD) selects the extension;
// when it is absent the driver's files are searched for one and the finding
// is recorded there. The module is loaded from the plug-in's own directory.
// Nothing remembers a failure: a missing module, a module without the two
// exports, or an extension that gives no object is tried again at the next
// call, since the selector is read again each time.
#pragma once

#include "platform/oemps.h"
#include "workflow/WorkflowObject.h"

// One extension module a selector names.
struct WorkflowModuleName {
  DWORD selector;
  const char16_t* file;
};

// In the order the driver's files are searched.
inline constexpr WorkflowModuleName kWorkflowModules[] = {
    {1, u"zqwftuA2.dll"},
    {2, u"zqwfwuA2.dll"},
    {3, u"zqwfuvA2.dll"},
};

// The module file a selector names; null for any other value.
const char16_t* WorkflowModuleFile(DWORD selector);

// The plug-in object's slot for the extension: the loaded module and its
// object, released together when the slot goes (with the plug-in object).
class WorkflowExtension {
 public:
  WorkflowExtension() = default;
  WorkflowExtension(const WorkflowExtension&) = delete;
  WorkflowExtension& operator=(const WorkflowExtension&) = delete;
  ~WorkflowExtension();

  // The module whose directory holds the extensions (the plug-in's), and the
  // settings-source provider handed to the extension when it makes its object.
  void SetOwner(HMODULE pluginModule, DataSourceProvider* provider);

  // The extension's object for the printer, loading the module and creating,
  // initialising and starting the object on first use; null when the printer
  // has none or it cannot be had now.
  WorkflowObject* Ensure(HANDLE hPrinter);
  WorkflowObject* Get() const { return object_; }
  bool IsModuleLoaded() const { return module_ != nullptr; }

  // Finds which extension the driver installs among its files and records its
  // selector in "XWorkflowDLL". False when none is found or it cannot be told.
  static bool DetectExtension(HANDLE hPrinter);

 private:
  bool LoadModule(DWORD selector);
  void Release();

  HMODULE pluginModule_ = nullptr;
  DataSourceProvider* provider_ = nullptr;
  HMODULE module_ = nullptr;
  PFN_GetWorkflowObject getObject_ = nullptr;
  PFN_ReleaseWorkflowObject releaseObject_ = nullptr;
  WorkflowObject* object_ = nullptr;
  // A refused module is reported once, not at every command.
  bool refusalReported_ = false;
};
