#include "HiveStore.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace renps::winhost {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendEscaped(std::string& out, std::u16string_view text) {
  for (const char c : platform::ToUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == '%' || byte == 0x7F) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::u16string& out) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      bytes += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    bytes += static_cast<char>(high << 4 | low);
    i += 2;
  }
  out = platform::FromUtf8(bytes);
  return true;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (true) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
    if (tab == std::string_view::npos) return fields;
    at = tab + 1;
  }
}

std::filesystem::path NativePath(const std::string& utf8) {
  return std::filesystem::path(platform::FromUtf8(utf8));
}

}  // namespace

std::u16string Folded(std::u16string_view name) {
  std::u16string folded(name);
  for (auto& c : folded)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return folded;
}

std::u16string NormalizedPath(std::u16string_view path) {
  std::u16string out;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t end = path.find(u'\\', at);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > at) {
      if (!out.empty()) out += u'\\';
      out.append(path.substr(at, end - at));
    }
    at = end + 1;
  }
  return out;
}

std::string FormatHive(const HiveKeys& keys) {
  std::string out;
  for (const auto& [folded, key] : keys) {
    out += "K\t";
    AppendEscaped(out, key.path);
    out += '\n';
    for (const auto& value : key.values) {
      out += "V\t";
      AppendEscaped(out, value.name);
      out += '\t' + std::to_string(value.type) + '\t';
      for (const BYTE b : value.data) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
      }
      out += '\n';
    }
  }
  return out;
}

bool ParseHive(std::string_view text, HiveKeys& keys, std::size_t& badLine) {
  HiveKeys parsed;
  StoredKey* current = nullptr;
  std::size_t number = 0;
  std::size_t at = 0;
  while (at < text.size()) {
    ++number;
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    const auto fields = Fields(line);
    badLine = number;
    if (fields[0] == "K" && fields.size() == 2) {
      std::u16string path;
      if (!Unescape(fields[1], path)) return false;
      path = NormalizedPath(path);
      StoredKey& key = parsed[Folded(path)];
      key.path = path;
      current = &key;
    } else if (fields[0] == "V" && fields.size() == 4 && current != nullptr) {
      StoredValue value;
      if (!Unescape(fields[1], value.name) || fields[2].empty() || fields[2].size() > 10 || fields[3].size() % 2 != 0)
        return false;
      unsigned long long type = 0;
      for (const char c : fields[2]) {
        if (c < '0' || c > '9') return false;
        type = type * 10 + static_cast<unsigned>(c - '0');
      }
      if (type > 0xFFFFFFFFull) return false;
      value.type = static_cast<DWORD>(type);
      for (std::size_t i = 0; i < fields[3].size(); i += 2) {
        const int high = HexDigit(fields[3][i]), low = HexDigit(fields[3][i + 1]);
        if (high < 0 || low < 0) return false;
        value.data.push_back(static_cast<BYTE>(high << 4 | low));
      }
      std::erase_if(current->values, [&](const StoredValue& v) { return Folded(v.name) == Folded(value.name); });
      current->values.push_back(std::move(value));
    } else {
      return false;
    }
  }
  badLine = 0;
  keys = std::move(parsed);
  return true;
}

namespace {

// An exclusive lock on a file beside the hive, held while it lives.
class HiveLock {
 public:
  explicit HiveLock(const std::filesystem::path& path) {
    handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return;
    OVERLAPPED at{};
    locked_ = LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
  }
  ~HiveLock() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    if (locked_) {
      OVERLAPPED at{};
      UnlockFileEx(handle_, 0, 1, 0, &at);
    }
    CloseHandle(handle_);
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;
  bool Locked() const { return locked_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool locked_ = false;
};

}  // namespace

template <class Change>
LONG HiveStore::Modify(Hive hive, Change change) {
  std::error_code ec;
  std::filesystem::create_directories(NativePath(directory_), ec);
  const HiveLock lock(NativePath(FilePath(hive) + ".lock"));
  if (!lock.Locked()) {
    lastError_ = FilePath(hive) + ".lock: cannot lock the state store";
    return ERROR_LOCK_VIOLATION;
  }
  // What another process wrote since this one read the hive counts.
  hives_[static_cast<int>(hive)] = Loaded();
  HiveKeys* keys = nullptr;
  if (LONG status = Load(hive, keys); status != ERROR_SUCCESS) return status;
  bool write = false;
  if (LONG status = change(*keys, write); status != ERROR_SUCCESS || !write) return status;
  const LONG status = Save(hive, *keys);
  Loaded& slot = hives_[static_cast<int>(hive)];
  if (status == ERROR_SUCCESS)
    slot.stamp = Stamp(FilePath(hive));  // the keys are what the new file holds
  else
    slot = Loaded();
  return status;
}

void HiveStore::SetDirectory(std::string directory) {
  directory_ = std::move(directory);
  hives_[0] = Loaded();
  hives_[1] = Loaded();
  lastError_.clear();
}

std::string HiveStore::FilePath(Hive hive) const {
  return directory_ + (hive == Hive::LocalMachine ? "/HKLM.txt" : "/HKCU.txt");
}

HiveStore::FileStamp HiveStore::Stamp(const std::string& path) {
  FileStamp stamp;
  const HANDLE file = CreateFileW(NativePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return stamp;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(file, &info)) {
    stamp.exists = true;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.index = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
    stamp.size = std::uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    stamp.written = std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32 | info.ftLastWriteTime.dwLowDateTime;
  }
  CloseHandle(file);
  return stamp;
}

void HiveStore::BeginSnapshot() {
  if (snapshotDepth_++ == 0) hives_[0].checked = hives_[1].checked = false;
}

void HiveStore::EndSnapshot() {
  if (snapshotDepth_ > 0) --snapshotDepth_;
}

// The keys as the file holds them: read again when the file is another one
// or has changed since (checked once per snapshot).
LONG HiveStore::Load(Hive hive, HiveKeys*& keys) {
  Loaded& slot = hives_[static_cast<int>(hive)];
  keys = &slot.keys;
  const std::string path = FilePath(hive);
  if (slot.loaded && snapshotDepth_ > 0 && slot.checked) return ERROR_SUCCESS;
  // Taken before the file is read: a file replaced meanwhile is read again next time.
  const FileStamp stamp = Stamp(path);
  if (slot.loaded && stamp == slot.stamp) {
    slot.checked = snapshotDepth_ > 0;
    return ERROR_SUCCESS;
  }
  slot = Loaded();
  keys = &slot.keys;
  std::ifstream in(NativePath(path), std::ios::binary);
  if (in) {
    std::ostringstream text;
    text << in.rdbuf();
    std::size_t badLine = 0;
    if (!ParseHive(text.str(), slot.keys, badLine)) {
      lastError_ = path + ":" + std::to_string(badLine) + ": not a record of the state store";
      slot = Loaded();
      return ERROR_BADDB;
    }
  }
  slot.loaded = true;
  slot.checked = snapshotDepth_ > 0;
  slot.stamp = stamp;
  return ERROR_SUCCESS;
}

// The whole hive goes to a new file that replaces the old one, so a reader
// never sees half of it and a failed write loses nothing.
LONG HiveStore::Save(Hive hive, const HiveKeys& keys) {
  const std::string path = FilePath(hive);
  std::error_code ec;
  const std::filesystem::path temporary = NativePath(path + ".new");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    const std::string text = FormatHive(keys);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      lastError_ = path + ": cannot write the state store";
      return ERROR_WRITE_FAULT;
    }
  }
  std::filesystem::rename(temporary, NativePath(path), ec);
  if (ec) {
    lastError_ = path + ": cannot replace the state store: " + ec.message();
    std::filesystem::remove(temporary, ec);
    return ERROR_WRITE_FAULT;
  }
  return ERROR_SUCCESS;
}

LONG HiveStore::KeyExists(Hive hive, std::u16string_view path, bool& exists) {
  HiveKeys* keys = nullptr;
  if (LONG status = Load(hive, keys); status != ERROR_SUCCESS) return status;
  const std::u16string folded = Folded(NormalizedPath(path));
  // A key exists when it was created or lies above one that was.
  exists =
      folded.empty() || keys->count(folded) != 0 || std::any_of(keys->begin(), keys->end(), [&](const auto& entry) {
        return entry.first.size() > folded.size() && entry.first.compare(0, folded.size(), folded) == 0 &&
               entry.first[folded.size()] == u'\\';
      });
  return ERROR_SUCCESS;
}

LONG HiveStore::CreateKey(Hive hive, std::u16string_view path, bool& created) {
  return Modify(hive, [&](HiveKeys& keys, bool& write) {
    bool exists = false;
    KeyExists(hive, path, exists);
    created = write = !exists;
    const std::u16string normalized = NormalizedPath(path);
    if (created) keys[Folded(normalized)].path = normalized;
    return ERROR_SUCCESS;
  });
}

LONG HiveStore::GetValue(Hive hive, std::u16string_view path, std::u16string_view name, StoredValue& value) {
  HiveKeys* keys = nullptr;
  if (LONG status = Load(hive, keys); status != ERROR_SUCCESS) return status;
  const auto key = keys->find(Folded(NormalizedPath(path)));
  if (key == keys->end()) return ERROR_FILE_NOT_FOUND;
  const std::u16string folded = Folded(name);
  for (const auto& v : key->second.values) {
    if (Folded(v.name) == folded) {
      value = v;
      return ERROR_SUCCESS;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

LONG HiveStore::SetValue(Hive hive, std::u16string_view path, const StoredValue& value) {
  return Modify(hive, [&](HiveKeys& keys, bool& write) {
    const std::u16string normalized = NormalizedPath(path);
    StoredKey& key = keys[Folded(normalized)];
    if (key.path.empty()) key.path = normalized;
    const std::u16string folded = Folded(value.name);
    auto existing = std::find_if(key.values.begin(), key.values.end(),
                                 [&](const StoredValue& v) { return Folded(v.name) == folded; });
    if (existing != key.values.end())
      *existing = value;
    else
      key.values.push_back(value);
    write = true;
    return ERROR_SUCCESS;
  });
}

LONG HiveStore::DeleteValue(Hive hive, std::u16string_view path, std::u16string_view name) {
  return Modify(hive, [&](HiveKeys& keys, bool& write) {
    const auto key = keys.find(Folded(NormalizedPath(path)));
    if (key == keys.end()) return ERROR_FILE_NOT_FOUND;
    const std::u16string folded = Folded(name);
    write = std::erase_if(key->second.values, [&](const StoredValue& v) { return Folded(v.name) == folded; }) != 0;
    return write ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

}  // namespace renps::winhost
