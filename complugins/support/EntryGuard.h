// The one catch-all that every entry point and driver hook of the plug-in goes
// through: an exception never reaches the driver. It is reported with the
// entry's name through the utility library's debug output, and the entry
// returns its fixed failure value.
#pragma once

#include <exception>
#include <utility>

#include "zqutil/TamorUtilities.h"

namespace entry_guard {

inline void Report(const char* entryName, const std::exception* exception) noexcept {
  try {
    TamorUtilities::debugDisplayExceptionMessage(nullptr, exception, entryName, "");
  } catch (...) {
    // Reporting must not be the failure that escapes.
  }
}

}  // namespace entry_guard

template <class Result, class Body>
Result GuardedEntry(const char* entryName, Result failureValue, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (const std::exception& e) {
    entry_guard::Report(entryName, &e);
  } catch (...) {
    entry_guard::Report(entryName, nullptr);
  }
  return failureValue;
}
