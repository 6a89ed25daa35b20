#include "zqutil/TextResourceLoader.h"

#include <mutex>

#include "zqutil/PrintDriver.h"
#include "zqutil/Printer.h"

namespace {

struct TextRow {
  UINT id;
  const char16_t* text;
};

constexpr TextRow kEnglish[] = {
    {TextResourceLoader::kCopyright, u"Copyright (C) %s The RenPS Authors"},
    {TextResourceLoader::kRights, u"All rights reserved."},
};

struct LoaderState {
  std::mutex mutex;
  bool initialized = false;
  CXString language;
};

LoaderState& State() {
  static LoaderState state;
  return state;
}

}  // namespace

void TextResourceLoader::Initialize(HANDLE hPrinter, bool reload) {
  LoaderState& state = State();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.initialized && !reload) return;
  }
  // Read outside the lock: the spooler call may be slow.
  CXString language =
      Printer::IsValidHandle(hPrinter) ? PrintDriver::GetDriverLanguageString(hPrinter) : CXString(u"English");
  std::lock_guard<std::mutex> lock(state.mutex);
  state.language = language;
  state.initialized = true;
}

bool TextResourceLoader::IsInitialized() {
  LoaderState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.initialized;
}

CXString TextResourceLoader::LoadStringW(UINT id) {
  for (const TextRow& row : kEnglish)
    if (row.id == id) return row.text;
  return CXString();
}
