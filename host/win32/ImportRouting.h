// Routing of a module's imports to functions of the host: the plug-in and
// its modules call the spooler, the registry and a few system facts through
// their import tables, and renps answers those calls itself (as the POSIX
// platform library does elsewhere), without changing a byte of the modules.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "platform/win32.h"

namespace renps::winhost {

struct RoutedImport {
  const char* name;   // the imported function, e.g. "OpenPrinterW"
  void* replacement;  // the host's function with the same signature
};

// Replaces, in `module`'s import table, every function of `routes` imported
// by name from one of the system DLLs named in `fromDlls` (compared without
// case). Returns the number of table entries replaced.
int RouteImports(HMODULE module, const RoutedImport* routes, std::size_t count,
                 std::initializer_list<std::string_view> fromDlls);

}  // namespace renps::winhost
