// What the plug-in object lends to the parts that do its work: the driver's
// helper interfaces, the injection list the emitters fill, and the workflow
// extension. The dispatcher, the device-context code and the output stages
// take this, never the COM object, so none of them depends on it.
#pragma once

#include "injection/InjectionEntry.h"
#include "platform/oemps.h"
#include "workflow/WorkflowExtension.h"

struct PluginContext {
  IPrintOemDriverPS* driverHelper = nullptr;
  IPrintCoreHelper* coreHelper = nullptr;
  InjectionList injectionList;
  // The controller family's emitters ran (once per plug-in object).
  bool injectionListGenerated = false;
  WorkflowExtension workflow;
};
