#include "workflow/WorkflowExtension.h"

WorkflowExtension::~WorkflowExtension() {
  if (module_ != nullptr) FreeLibrary(module_);
}

WorkflowObject* WorkflowExtension::Ensure(HANDLE /*hPrinter*/) {
  return object_;
}
