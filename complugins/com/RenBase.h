// The plug-in object's side that is not the COM interface: the settings-source
// provider, the context it lends to the dispatcher and the device-context code
// (driver helpers, injection list, workflow extension) and the output filter.
#pragma once

#include "output/OutputFilter.h"
#include "platform/oemps.h"
#include "support/PluginContext.h"
#include "zqcore/DataSourceProvider.h"
#include "zqutil/CXString.h"

class XOemPdev;

class RenBase : public DataSourceProvider, public SpoolFilePostProcessor {
 public:
  RenBase() = default;
  ~RenBase() override = default;

  // Writes one buffer of the driver's output to the spooler or the spool file,
  // and finishes a captured job on its last write.
  HRESULT FilterOutput(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, PDWORD pcbWritten) {
    return output_.Write(pdevobj, pBuf, cbBuffer, pcbWritten, context_.workflow, *this);
  }

  PluginContext& Context() { return context_; }

 protected:
  PluginContext context_;
  OutputFilter output_;
};
