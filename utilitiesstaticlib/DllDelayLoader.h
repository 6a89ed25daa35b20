// DllDelayLoader: where the libraries the plug-in binds on first use are
// loaded from, and their unloading when the plug-in module goes.
//
// The core library lies beside the plug-in in the printer driver's directory,
// not on the normal search path. A library is looked for first in the
// directory of the anchor module (the plug-in's own), then in the "3"
// subdirectory of the printer driver directory (GetPrinterDriverDirectoryW).
// Every library loaded this way is recorded and unloaded when the loader is
// destroyed; the module's one instance is destroyed at module teardown.
//
// On Windows the platform's delay-load helper asks Notify, registered as its
// notification hook, where to load from; elsewhere the bindings of the
// delayed entry points ask Load themselves. Both take the same path.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

class DllDelayLoader {
 public:
  // The delay-load helper's notification codes (dliNotePreLoadLibrary ...).
  static constexpr unsigned kNoteStartProcessing = 0;
  static constexpr unsigned kNotePreLoadLibrary = 1;

  explicit DllDelayLoader(HMODULE anchor);
  DllDelayLoader(const DllDelayLoader&) = delete;
  DllDelayLoader& operator=(const DllDelayLoader&) = delete;
  virtual ~DllDelayLoader();
  virtual void Nothing() {}

  // The instance of this module, anchored at the module that holds this code.
  static DllDelayLoader& Instance();

  // The hook: for kNotePreLoadLibrary the library's module (Load), for every
  // other code null at once; null too once the loader is being destroyed.
  HMODULE Notify(unsigned notification, const char* libraryName);

  // The library, loaded on the first call for its name and the same module
  // after that; null when neither place holds it (the next call looks again).
  HMODULE Load(const char* libraryName);

 private:
  HMODULE Search(const std::string& libraryName) const;

  HMODULE anchor_;
  bool shuttingDown_ = false;
  // Names as the caller gave them, with the module loaded for each.
  std::vector<std::pair<std::string, HMODULE>> loaded_;
};

namespace delay_load {
// Unloads a library the loader loaded, through the platform's delay-load
// unloading where the helper bound calls into it (one unit per platform).
void Unload(const std::string& libraryName, HMODULE module);
}  // namespace delay_load
