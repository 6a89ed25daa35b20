#include "workflow/WorkflowExtension.h"

#include "com/RenBase.h"

WorkflowObject* EnsureWorkflowExtension(RenBase& /*owner*/, HANDLE /*hPrinter*/) {
  return nullptr;
}
