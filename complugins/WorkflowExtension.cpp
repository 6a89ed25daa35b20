#include "WorkflowExtension.h"

#include "RenBase.h"

WorkflowObject* EnsureWorkflowExtension(RenBase& /*owner*/, HANDLE /*hPrinter*/) {
  return nullptr;
}
