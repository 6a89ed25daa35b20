// The plug-in object's side that is not the COM interface: the settings-source
// provider, the workflow extension, the injection list and the output spool file.
#pragma once

#include "InjectionEntry.h"
#include "platform/oemps.h"
#include "zqcore/DataSourceProvider.h"
#include "zqutil/CXString.h"

class XOemPdev;

class RenBase : public DataSourceProvider {
 public:
  RenBase() = default;
  ~RenBase() override;

  // Hands a finished spool file to the post-processor; may replace `path`.
  virtual HRESULT PostProcessSpoolFile(PDEVOBJ pdevobj, XOemPdev* pdev, CXString& path) = 0;

  InjectionList& GetInjectionList() { return injectionList_; }
  bool IsInjectionListGenerated() const { return injectionListGenerated_; }
  void SetInjectionListGenerated() { injectionListGenerated_ = true; }

 protected:
  HMODULE workflowModule_ = nullptr;
  void* workflowObject_ = nullptr;
  InjectionList injectionList_;
  bool injectionListGenerated_ = false;
  HANDLE spoolFile_ = nullptr;
  bool firstWrite_ = false;
};
