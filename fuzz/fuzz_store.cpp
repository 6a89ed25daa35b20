// Feeds arbitrary text to the state store's reader of its files (HKLM.reg,
// HKCU.reg). A file that is refused names a line inside it. A file that is
// read must come back unchanged through the store's writer (the store
// rewrites its file whole on every change, so whatever it read once is what
// the next process reads), and writing what was read back must give the same
// text again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "internal.h"
#include "store.h"

namespace {

using namespace platform::posix;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SameDocument(const store::Document& a, const store::Document& b) {
  if (a.keys.size() != b.keys.size()) return false;
  for (std::size_t k = 0; k < a.keys.size(); ++k) {
    const store::Key& x = a.keys[k];
    const store::Key& y = b.keys[k];
    if (x.path != y.path || x.values.size() != y.values.size()) return false;
    for (std::size_t v = 0; v < x.values.size(); ++v) {
      if (x.values[v].name != y.values[v].name || x.values[v].type != y.values[v].type ||
          x.values[v].data != y.values[v].data)
        return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  store::Document document;
  std::size_t line = 0;
  std::string error;
  if (!store::Parse(text, document, line, error)) {
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n' ? 1 : 0;
    Check(!error.empty() && line >= 1 && line <= lines);
    return 0;
  }

  // Keys are kept as the registry names them: normalised, each once.
  for (std::size_t k = 0; k < document.keys.size(); ++k) {
    std::u16string normalized;
    Check(store::NormalizeKeyPath(document.keys[k].path, normalized) && normalized == document.keys[k].path);
    for (std::size_t other = 0; other < k; ++other) Check(!SameName(document.keys[other].path, normalized));
    const auto& values = document.keys[k].values;
    for (std::size_t v = 0; v < values.size(); ++v)
      for (std::size_t other = 0; other < v; ++other) Check(!SameName(values[other].name, values[v].name));
  }

  for (const store::Hive hive : {store::Hive::LocalMachine, store::Hive::CurrentUser}) {
    const std::string written = store::Format(document, hive);
    store::Document again;
    Check(store::Parse(written, again, line, error));
    Check(SameDocument(document, again));
    Check(store::Format(again, hive) == written);
  }
  return 0;
}
