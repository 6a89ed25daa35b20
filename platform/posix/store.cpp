#include "store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "internal.h"
#include "platform/text.h"

namespace platform::posix::store {
namespace {

constexpr std::size_t kMaxKeyComponent = 255;
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kWrapColumn = 76;

// ---- Text of the file --------------------------------------------------------

void AppendHex(std::string& out, unsigned value, int digits) {
  static const char hex[] = "0123456789abcdef";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out.push_back(hex[(value >> shift) & 0xF]);
}

void AppendEscaped(std::string& out, std::u16string_view text, bool inKeyPath) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    switch (c) {
      case u'\\':
        out += "\\\\";
        continue;
      case u'"':
        out += "\\\"";
        continue;
      case u'\n':
        out += "\\n";
        continue;
      case u'\r':
        out += "\\r";
        continue;
      case u'\t':
        out += "\\t";
        continue;
      case 0:
        out += "\\0";
        continue;
      default:
        break;
    }
    bool lead = c >= 0xD800 && c <= 0xDBFF;
    bool pair = lead && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (pair) {
      out += ToUtf8(text.substr(i, 2));
      ++i;
    } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || (inKeyPath && c == u']')) {
      // Lone surrogates have no UTF-8 form; they survive as escapes.
      out += "\\u";
      AppendHex(out, c, 4);
    } else {
      out += ToUtf8(text.substr(i, 1));
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads an escaped string from text[pos] up to the unescaped `terminator`,
// leaving pos after it.
bool ParseEscaped(std::string_view text, std::size_t& pos, char terminator, std::u16string& out, std::string& error) {
  std::string raw;
  auto flush = [&] {
    out += FromUtf8(raw);
    raw.clear();
  };
  while (pos < text.size()) {
    char c = text[pos++];
    if (c == terminator) {
      flush();
      return true;
    }
    if (c != '\\') {
      raw.push_back(c);
      continue;
    }
    if (pos >= text.size()) break;
    char e = text[pos++];
    char16_t unit = 0;
    switch (e) {
      case '\\':
        unit = u'\\';
        break;
      case '"':
        unit = u'"';
        break;
      case 'n':
        unit = u'\n';
        break;
      case 'r':
        unit = u'\r';
        break;
      case 't':
        unit = u'\t';
        break;
      case '0':
        unit = 0;
        break;
      case 'u': {
        if (pos + 4 > text.size()) {
          error = "\\u needs four hex digits";
          return false;
        }
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
          int d = HexDigit(text[pos + k]);
          if (d < 0) {
            error = "\\u needs four hex digits";
            return false;
          }
          v = v * 16 + static_cast<unsigned>(d);
        }
        pos += 4;
        unit = static_cast<char16_t>(v);
        break;
      }
      default:
        error = std::string("unknown escape \\") + e;
        return false;
    }
    flush();
    out.push_back(unit);
  }
  error = std::string("missing closing ") + terminator;
  return false;
}

std::u16string_view Units(const std::vector<BYTE>& data) {
  return {reinterpret_cast<const char16_t*>(data.data()), data.size() / 2};
}

void PushUnits(std::vector<BYTE>& data, std::u16string_view text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
  data.insert(data.end(), bytes, bytes + text.size() * 2);
}

// The readable form of a value when its bytes allow one.
bool FormatReadable(std::string& out, const Value& value) {
  const auto& data = value.data;
  switch (value.type) {
    case REG_DWORD: {
      if (data.size() != 4) return false;
      std::uint32_t v = 0;
      std::memcpy(&v, data.data(), 4);
      out += "dword:";
      AppendHex(out, v, 8);
      return true;
    }
    case REG_SZ: {
      if (data.size() < 2 || data.size() % 2 != 0) return false;
      auto units = Units(data);
      if (units.back() != 0 || units.substr(0, units.size() - 1).find(u'\0') != std::u16string_view::npos) return false;
      out += "sz:\"";
      AppendEscaped(out, units.substr(0, units.size() - 1), false);
      out += '"';
      return true;
    }
    case REG_MULTI_SZ: {
      // One or more non-empty strings, each terminated, then the final zero.
      if (data.size() < 6 || data.size() % 2 != 0) return false;
      auto units = Units(data);
      if (units[units.size() - 1] != 0 || units[units.size() - 2] != 0 || units[0] == 0) return false;
      auto body = units.substr(0, units.size() - 1);
      if (body.find(std::u16string_view(u"\0\0", 2)) != std::u16string_view::npos) return false;
      out += "multi_sz:";
      std::size_t start = 0;
      while (start < body.size()) {
        std::size_t end = body.find(u'\0', start);
        if (start != 0) out += ',';
        out += '"';
        AppendEscaped(out, body.substr(start, end - start), false);
        out += '"';
        start = end + 1;
      }
      return true;
    }
    default:
      return false;
  }
}

void FormatValue(std::string& out, const Value& value) {
  std::size_t lineStart = out.size();
  if (value.name.empty()) {
    out += "@=";
  } else {
    out += '"';
    AppendEscaped(out, value.name, false);
    out += "\"=";
  }
  if (FormatReadable(out, value)) {
    out += '\n';
    return;
  }
  if (value.type == REG_BINARY) {
    out += "hex:";
  } else {
    out += "hex(";
    char buf[16];
    std::snprintf(buf, sizeof(buf), "%x", static_cast<unsigned>(value.type));
    out += buf;
    out += "):";
  }
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    if (i != 0) {
      out += ',';
      if (out.size() - lineStart > kWrapColumn) {
        out += "\\\n  ";
        lineStart = out.size() - 2;
      }
    }
    AppendHex(out, value.data[i], 2);
  }
  out += '\n';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool ParseHexBytes(std::string_view text, std::vector<BYTE>& out, std::string& error) {
  std::size_t pos = 0;
  auto skipSpace = [&] {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  };
  skipSpace();
  if (pos == text.size()) return true;  // no bytes
  while (true) {
    skipSpace();
    if (pos + 2 > text.size() || HexDigit(text[pos]) < 0 || HexDigit(text[pos + 1]) < 0) {
      error = "expected a byte as two hex digits";
      return false;
    }
    out.push_back(static_cast<BYTE>(HexDigit(text[pos]) * 16 + HexDigit(text[pos + 1])));
    pos += 2;
    skipSpace();
    if (pos == text.size()) return true;
    if (text[pos] != ',') {
      error = "expected ',' between bytes";
      return false;
    }
    ++pos;
  }
}

bool ParseData(std::string_view text, Value& value, std::string& error) {
  auto startsWith = [&](std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; };
  if (startsWith("dword:")) {
    auto digits = text.substr(6);
    if (digits.size() != 8) {
      error = "dword needs eight hex digits";
      return false;
    }
    std::uint32_t v = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0) {
        error = "dword needs eight hex digits";
        return false;
      }
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    value.type = REG_DWORD;
    value.data.resize(4);
    std::memcpy(value.data.data(), &v, 4);
    return true;
  }
  if (startsWith("hex:")) {
    value.type = REG_BINARY;
    return ParseHexBytes(text.substr(4), value.data, error);
  }
  if (startsWith("hex(")) {
    auto close = text.find("):");
    if (close == std::string_view::npos || close == 4 || close > 12) {
      error = "expected hex(TYPE):";
      return false;
    }
    std::uint32_t type = 0;
    for (char c : text.substr(4, close - 4)) {
      int d = HexDigit(c);
      if (d < 0) {
        error = "expected hex(TYPE): with TYPE in hex";
        return false;
      }
      type = type * 16 + static_cast<std::uint32_t>(d);
    }
    value.type = type;
    return ParseHexBytes(text.substr(close + 2), value.data, error);
  }
  bool multi = startsWith("multi_sz:");
  if (multi || startsWith("sz:")) {
    std::size_t pos = multi ? 9 : 3;
    std::vector<std::u16string> strings;
    while (true) {
      if (pos >= text.size() || text[pos] != '"') {
        error = "expected a quoted string";
        return false;
      }
      ++pos;
      std::u16string s;
      if (!ParseEscaped(text, pos, '"', s, error)) return false;
      if (multi && s.empty()) {
        error = "empty string in multi_sz (write it as hex(7))";
        return false;
      }
      strings.push_back(std::move(s));
      if (pos == text.size()) break;
      if (!multi || text[pos] != ',') {
        error = "unexpected text after the string";
        return false;
      }
      ++pos;
    }
    value.type = multi ? REG_MULTI_SZ : REG_SZ;
    for (const auto& s : strings) PushUnits(value.data, std::u16string_view(s.c_str(), s.size() + 1));
    if (multi) PushUnits(value.data, std::u16string_view(u"\0", 1));
    return true;
  }
  error = "unknown value type (expected dword:, hex:, hex(N):, sz: or multi_sz:)";
  return false;
}

Key* FindKey(Document& document, std::u16string_view path) {
  for (auto& key : document.keys)
    if (SameName(key.path, path)) return &key;
  return nullptr;
}

Value* FindValue(Key& key, std::u16string_view name) {
  for (auto& value : key.values)
    if (SameName(value.name, name)) return &value;
  return nullptr;
}

bool HasKey(const Document& document, std::u16string_view path) {
  for (const auto& key : document.keys) {
    std::u16string_view p = key.path;
    if (SameName(p, path)) return true;
    if (p.size() > path.size() && p[path.size()] == u'\\' && SameName(p.substr(0, path.size()), path)) return true;
  }
  return false;
}

void AppendFolded(std::u16string& out, std::u16string_view text) {
  const std::size_t at = out.size();
  out.resize(at + text.size());
  for (std::size_t i = 0; i < text.size(); ++i) out[at + i] = platform::common::FoldName(text[i]);
}

// The key path without empty components, in `out` (its storage is reused),
// folded as SameName compares names when `fold`. False for a component that
// is too long or a path too deep to be a registry key.
bool BuildKeyPath(std::u16string_view path, std::u16string& out, bool fold) {
  out.clear();
  std::size_t depth = 0;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    const auto component = path.substr(start, end - start);
    if (!component.empty()) {
      if (component.size() > kMaxKeyComponent || ++depth > kMaxKeyDepth) return false;
      if (!out.empty()) out.push_back(u'\\');
      if (fold)
        AppendFolded(out, component);
      else
        out += component;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace

bool NormalizeKeyPath(std::u16string_view path, std::u16string& normalized) {
  return BuildKeyPath(path, normalized, false);
}

std::u16string JoinKeyPath(std::u16string_view parent, std::u16string_view child) {
  std::u16string joined(parent);
  if (!joined.empty() && !child.empty()) joined.push_back(u'\\');
  joined += child;
  return joined;
}

bool Parse(std::string_view text, Document& document, std::size_t& errorLine, std::string& error) {
  document.keys.clear();
  Key* current = nullptr;
  std::size_t pos = 0;
  std::size_t lineNumber = 0;
  auto nextLine = [&](std::string_view& line) {
    if (pos >= text.size()) return false;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    return true;
  };
  auto fail = [&](std::string what) {
    errorLine = lineNumber;
    error = std::move(what);
    return false;
  };
  if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;

  std::string_view raw;
  while (nextLine(raw)) {
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      std::size_t at = 1;
      std::u16string path;
      std::string what;
      if (!ParseEscaped(line, at, ']', path, what)) return fail(what);
      if (!Trim(line.substr(at)).empty()) return fail("unexpected text after the key");
      std::u16string normalized;
      if (!NormalizeKeyPath(path, normalized)) return fail("key path too long");
      current = FindKey(document, normalized);
      if (current == nullptr) {
        document.keys.push_back({normalized, {}});
        current = &document.keys.back();
      }
      continue;
    }
    if (line.front() != '"' && line.front() != '@') return fail("expected [key], \"name\"=value or @=value");
    if (current == nullptr) return fail("value before the first [key]");
    Value value;
    std::size_t at = 1;
    if (line.front() == '"') {
      std::string what;
      if (!ParseEscaped(line, at, '"', value.name, what)) return fail(what);
    }
    if (at >= line.size() || line[at] != '=') return fail("expected '=' after the value name");
    std::string data(line.substr(at + 1));
    if (data.rfind("hex", 0) == 0) {
      // Long binary values continue on the next lines after a trailing '\'.
      while (!data.empty() && data.back() == '\\') {
        data.pop_back();
        std::string_view more;
        if (!nextLine(more)) return fail("file ends inside a continued value");
        data += Trim(more);
      }
    }
    std::string what;
    if (!ParseData(data, value, what)) return fail(what);
    if (FindValue(*current, value.name) != nullptr) return fail("value defined twice in this key");
    current->values.push_back(std::move(value));
  }
  return true;
}

std::string Format(const Document& document, Hive hive) {
  std::string out = hive == Hive::LocalMachine ? "; renps state store: HKEY_LOCAL_MACHINE\n"
                                               : "; renps state store: HKEY_CURRENT_USER\n";
  out +=
      "; UTF-8. Values: dword:, hex:, hex(TYPE):, sz:\"..\", multi_sz:\"..\",\"..\"; @ is the default value.\n"
      "; Rewritten whole on every change: edit only while no job runs.\n";
  for (const auto& key : document.keys) {
    out += "\n[";
    AppendEscaped(out, key.path, true);
    out += "]\n";
    for (const auto& value : key.values) FormatValue(out, value);
  }
  return out;
}

// ---- The files -----------------------------------------------------------------

namespace {

// Names in the form SameName compares them in, found without folding the
// stored ones again.
struct FoldedHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view text) const noexcept { return std::hash<std::u16string_view>{}(text); }
};
template <class T>
using FoldedMap = std::unordered_map<std::u16string, T, FoldedHash, std::equal_to<>>;

bool SameUnits(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

// What a hive's file held when it was last read. Reads are answered from
// here as long as the path still names the same file, unchanged: same
// device and inode, size, modification and change time (the change time
// cannot be set back by hand, so an edit in place is seen even when the
// editor keeps the modification time). The cache keeps the file
// open, so its inode number cannot be reused by a newer file while it is
// remembered (every writer renames a new file over the old one).
struct Cached {
  std::string path;
  bool valid = false;
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
  Document document;
  // The document's values by folded key path and folded name.
  FoldedMap<FoldedMap<const Value*>> index;
  // The key path read last, as the caller spelled it, and its values: the
  // plug-in reads its printer's key over and over.
  std::u16string lastPath;
  const FoldedMap<const Value*>* lastKey = nullptr;
};

void BuildIndex(Cached& cache) {
  cache.index.clear();
  std::u16string folded;
  for (const auto& key : cache.document.keys) {
    folded.clear();
    AppendFolded(folded, key.path);
    auto& values = cache.index[folded];
    for (const auto& value : key.values) {
      folded.clear();
      AppendFolded(folded, value.name);
      values.emplace(folded, &value);
    }
  }
}

void Forget(Cached& cache) {
  if (cache.fd >= 0) ::close(cache.fd);
  cache = Cached{};
}

std::mutex g_mutex;  // the cache, the last error, and one writer per process at a time
Cached g_cache[2];
std::string g_lastError;

Cached& CacheFor(Hive hive) {
  return g_cache[hive == Hive::LocalMachine ? 0 : 1];
}
const char* FileName(Hive hive) {
  return hive == Hive::LocalMachine ? "HKLM.reg" : "HKCU.reg";
}

// Messages wait until the store's lock is released: the debug sink is the
// host's code and may well call back into the registry.
thread_local std::string t_pendingDebug;

LONG Report(LONG code, const std::string& message) {
  g_lastError = message;
  t_pendingDebug += "renps state store: " + message + "\n";
  return code;
}

LONG FlushDebug(LONG status) {
  if (!t_pendingDebug.empty()) {
    std::string text;
    text.swap(t_pendingDebug);
    DebugOutputUtf8(text);
  }
  return status;
}

bool SameFile(const Cached& cache, const std::string& path, const struct stat& info) {
  return cache.valid && cache.fd >= 0 && cache.path == path && cache.device == info.st_dev &&
         cache.inode == info.st_ino && cache.size == info.st_size && cache.modified.tv_sec == info.st_mtim.tv_sec &&
         cache.modified.tv_nsec == info.st_mtim.tv_nsec && cache.changed.tv_sec == info.st_ctim.tv_sec &&
         cache.changed.tv_nsec == info.st_ctim.tv_nsec;
}

// Brings the cache up to date with the file; a missing file is an empty hive.
LONG Refresh(Hive hive, const std::string& path) {
  Cached& cache = CacheFor(hive);
  struct stat info {};
  // The quick check, without a walk of the path: writers rename a new file
  // over the old one, which leaves the file we hold without a name, and an
  // edit in place changes its times. (A file moved away by hand and another
  // put in its place is not seen; nothing of ours does that.)
  if (cache.valid && cache.fd >= 0 && cache.path == path && ::fstat(cache.fd, &info) == 0 && info.st_nlink > 0 &&
      SameFile(cache, path, info))
    return ERROR_SUCCESS;
  if (::stat(path.c_str(), &info) == 0) {
    if (SameFile(cache, path, info)) return ERROR_SUCCESS;
  } else if (errno == ENOENT) {
    if (cache.valid && cache.fd < 0 && cache.path == path) return ERROR_SUCCESS;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {
      Forget(cache);
      cache.path = path;
      cache.valid = true;
      return ERROR_SUCCESS;
    }
    return Report(static_cast<LONG>(Win32ErrorFromErrno(errno)), path + ": " + std::strerror(errno));
  }
  if (::fstat(fd, &info) != 0) {
    int error = errno;
    ::close(fd);
    return Report(static_cast<LONG>(Win32ErrorFromErrno(error)), path + ": " + std::strerror(error));
  }
  std::string text;
  char buffer[65536];
  while (true) {
    ssize_t n = ::read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      Forget(cache);
      return Report(static_cast<LONG>(Win32ErrorFromErrno(error)), path + ": " + std::strerror(error));
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  Document document;
  std::size_t line = 0;
  std::string what;
  if (!Parse(text, document, line, what)) {
    ::close(fd);
    Forget(cache);
    return Report(ERROR_BADDB, path + ":" + std::to_string(line) + ": " + what);
  }
  Forget(cache);
  cache = Cached{.path = path,
                 .valid = true,
                 .fd = fd,
                 .device = info.st_dev,
                 .inode = info.st_ino,
                 .size = info.st_size,
                 .modified = info.st_mtim,
                 .changed = info.st_ctim,
                 .document = std::move(document)};
  BuildIndex(cache);
  return ERROR_SUCCESS;
}

// The snapshot this thread is in: how deeply nested, and which hives its
// outermost level has checked.
struct Snapshot {
  int depth = 0;
  bool checked[2] = {false, false};
};
thread_local Snapshot t_snapshot;

// Refresh, once per snapshot: what a read needs.
LONG Load(Hive hive, const std::string& path) {
  const Cached& cache = CacheFor(hive);
  Snapshot& snapshot = t_snapshot;
  bool& checked = snapshot.checked[hive == Hive::LocalMachine ? 0 : 1];
  if (snapshot.depth > 0 && checked && cache.valid && cache.path == path) return ERROR_SUCCESS;
  const LONG status = Refresh(hive, path);
  checked = status == ERROR_SUCCESS;
  return status;
}

LONG MakeDirectories(const std::string& directory) {
  std::string partial;
  std::size_t start = 0;
  while (start <= directory.size()) {
    std::size_t end = directory.find('/', start);
    if (end == std::string::npos) end = directory.size();
    partial = directory.substr(0, end);
    if (!partial.empty() && ::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
      return Report(static_cast<LONG>(Win32ErrorFromErrno(errno)),
                    "cannot create the state directory " + partial + ": " + std::strerror(errno));
    }
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

LONG WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return static_cast<LONG>(n == 0 ? ERROR_DISK_FULL : Win32ErrorFromErrno(errno));
    done += static_cast<std::size_t>(n);
  }
  return ERROR_SUCCESS;
}

template <class Reader>
LONG ReadLocked(Hive hive, Reader& read) {
  std::lock_guard lock(g_mutex);
  static std::string path;  // (its storage is kept: reads are many)
  StateDirectoryInto(path);
  path.append("/").append(FileName(hive));
  if (LONG status = Load(hive, path); status != ERROR_SUCCESS) return status;
  return read(CacheFor(hive));
}

template <class Reader>
LONG Read(Hive hive, Reader&& read) {
  return FlushDebug(ReadLocked(hive, read));
}

// Runs `change` on the current file contents under the hive's lock and writes
// the result back when it reports a change.
LONG ModifyLocked(Hive hive, const std::function<LONG(Document&, bool&)>& change) {
  std::lock_guard lock(g_mutex);
  std::string directory = StateDirectory();
  if (LONG status = MakeDirectories(directory); status != ERROR_SUCCESS) return status;
  std::string path = directory + "/" + FileName(hive);
  std::string lockPath = path + ".lock";
  int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lockFd < 0) return Report(static_cast<LONG>(Win32ErrorFromErrno(errno)), lockPath + ": " + std::strerror(errno));
  while (::flock(lockFd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      int error = errno;
      ::close(lockFd);
      return Report(static_cast<LONG>(Win32ErrorFromErrno(error)), lockPath + ": " + std::strerror(error));
    }
  }
  auto finish = [&](LONG status) {
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    return status;
  };

  // A change starts from the file as it is now, snapshot or not.
  if (LONG status = Refresh(hive, path); status != ERROR_SUCCESS) return finish(status);
  Document document = CacheFor(hive).document;
  bool changed = false;
  if (LONG status = change(document, changed); status != ERROR_SUCCESS || !changed) return finish(status);

  std::string text = Format(document, hive);
  std::string temporary = directory + "/." + FileName(hive) + ".XXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0)
    return finish(Report(static_cast<LONG>(Win32ErrorFromErrno(errno)), temporary + ": " + std::strerror(errno)));
  ::fchmod(fd, 0644);
  LONG status = WriteAll(fd, text);
  if (status == ERROR_SUCCESS && ::fsync(fd) != 0) status = static_cast<LONG>(Win32ErrorFromErrno(errno));
  if (::close(fd) != 0 && status == ERROR_SUCCESS) status = static_cast<LONG>(Win32ErrorFromErrno(errno));
  if (status == ERROR_SUCCESS && ::rename(temporary.c_str(), path.c_str()) != 0)
    status = static_cast<LONG>(Win32ErrorFromErrno(errno));
  if (status != ERROR_SUCCESS) {
    ::unlink(temporary.c_str());
    Forget(CacheFor(hive));
    return finish(Report(status, "cannot write " + path));
  }
  // The rename is durable only once the directory entry is.
  int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  Forget(CacheFor(hive));
  Refresh(hive, path);
  return finish(ERROR_SUCCESS);
}

LONG Modify(Hive hive, const std::function<LONG(Document&, bool&)>& change) {
  return FlushDebug(ModifyLocked(hive, change));
}

LONG Normalized(std::u16string_view path, std::u16string& normalized) {
  return NormalizeKeyPath(path, normalized) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

}  // namespace

LONG KeyExists(Hive hive, std::u16string_view path, bool& exists) {
  std::u16string key;
  if (LONG status = Normalized(path, key); status != ERROR_SUCCESS) return status;
  exists = key.empty();
  if (exists) return ERROR_SUCCESS;
  return Read(hive, [&](const Cached& cache) {
    exists = HasKey(cache.document, key);
    return ERROR_SUCCESS;
  });
}

LONG CreateKey(Hive hive, std::u16string_view path, bool& created) {
  std::u16string key;
  if (LONG status = Normalized(path, key); status != ERROR_SUCCESS) return status;
  created = false;
  if (key.empty()) return ERROR_SUCCESS;
  return Modify(hive, [&](Document& document, bool& changed) {
    if (HasKey(document, key)) return ERROR_SUCCESS;
    document.keys.push_back({key, {}});
    created = changed = true;
    return ERROR_SUCCESS;
  });
}

LONG GetValue(Hive hive, std::u16string_view path, std::u16string_view name, ValueAnswer answer, void* context) {
  // Values are read far more often than written (printer data, on every
  // injection point): they are found through the index.
  // (The folded names go to storage that the store's lock guards.)
  static std::u16string folded;
  return Read(hive, [&](Cached& cache) -> LONG {
    if (cache.lastKey == nullptr || !SameUnits(cache.lastPath, path)) {
      if (!BuildKeyPath(path, folded, true)) return ERROR_INVALID_PARAMETER;
      const auto key = cache.index.find(std::u16string_view(folded));
      if (key == cache.index.end()) return ERROR_FILE_NOT_FOUND;
      cache.lastPath = path;
      cache.lastKey = &key->second;
    }
    folded.clear();
    AppendFolded(folded, name);
    const auto value = cache.lastKey->find(std::u16string_view(folded));
    if (value == cache.lastKey->end()) return ERROR_FILE_NOT_FOUND;
    return answer(*value->second, context);
  });
}

LONG SetValue(Hive hive, std::u16string_view path, const Value& value) {
  std::u16string key;
  if (LONG status = Normalized(path, key); status != ERROR_SUCCESS) return status;
  return Modify(hive, [&](Document& document, bool& changed) {
    Key* k = FindKey(document, key);
    if (k == nullptr) {
      document.keys.push_back({key, {}});
      k = &document.keys.back();
    }
    if (Value* existing = FindValue(*k, value.name)) {
      // The stored name keeps its spelling; type and data are replaced. The
      // same value again leaves the file as it is (a host sets its printer
      // up the same way on every run).
      changed = existing->type != value.type || existing->data != value.data;
      existing->type = value.type;
      existing->data = value.data;
    } else {
      k->values.push_back(value);
      changed = true;
    }
    return ERROR_SUCCESS;
  });
}

LONG DeleteValue(Hive hive, std::u16string_view path, std::u16string_view name) {
  std::u16string key;
  if (LONG status = Normalized(path, key); status != ERROR_SUCCESS) return status;
  return Modify(hive, [&](Document& document, bool& changed) -> LONG {
    Key* k = FindKey(document, key);
    if (k == nullptr) return ERROR_FILE_NOT_FOUND;
    auto before = k->values.size();
    std::erase_if(k->values, [&](const Value& v) { return SameName(v.name, name); });
    changed = k->values.size() != before;
    return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

std::string LastError() {
  std::lock_guard lock(g_mutex);
  return g_lastError;
}

void ClearLastError() {
  std::lock_guard lock(g_mutex);
  g_lastError.clear();
}

void BeginSnapshot() {
  Snapshot& snapshot = t_snapshot;
  if (snapshot.depth++ == 0) snapshot.checked[0] = snapshot.checked[1] = false;
}

void EndSnapshot() {
  if (t_snapshot.depth > 0) --t_snapshot.depth;
}

void ForgetCache() {
  std::lock_guard lock(g_mutex);
  for (auto& cache : g_cache) Forget(cache);
}

}  // namespace platform::posix::store
