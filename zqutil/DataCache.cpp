#include "zqutil/DataCache.h"

#include <algorithm>

#include "platform/sync.h"
#include "platform/text.h"
#include "zqutil/Crc32.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "zqutil/datacache";
// A header names at most this many values; anything larger is not ours.
constexpr std::size_t kMaxEntries = 4096;

void PutDword(ByteBuffer& out, DWORD value) {
  for (int shift = 0; shift < 32; shift += 8) out.appendByte(static_cast<std::uint8_t>(value >> shift));
}

// Checked little-endian reads over a header that anyone could have written.
class Reader {
 public:
  explicit Reader(const ByteBuffer& bytes) : bytes_(bytes) {}
  bool Dword(DWORD& value) {
    if (bytes_.size() - offset_ < 4) return false;
    const std::uint8_t* p = bytes_.getLpbyte() + offset_;
    value = static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
            static_cast<DWORD>(p[3]) << 24;
    offset_ += 4;
    return true;
  }
  bool Text(std::u16string& text) {
    if (bytes_.size() - offset_ < 2) return false;
    const std::uint8_t* p = bytes_.getLpbyte() + offset_;
    std::size_t units = static_cast<std::size_t>(p[0]) | static_cast<std::size_t>(p[1]) << 8;
    offset_ += 2;
    if ((bytes_.size() - offset_) / 2 < units) return false;
    p = bytes_.getLpbyte() + offset_;
    text.resize(units);
    for (std::size_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
    offset_ += units * 2;
    return true;
  }
  bool AtEnd() const { return offset_ == bytes_.size(); }

 private:
  const ByteBuffer& bytes_;
  std::size_t offset_ = 0;
};

DWORD ValueCrc(DWORD type, const ByteBuffer& data) {
  ByteBuffer typeBytes;
  PutDword(typeBytes, type);
  DWORD crc = Crc32::GetCrc(typeBytes.getLpbyte(), typeBytes.size());
  return data.empty() ? crc : Crc32::GetCrc(data.getLpbyte(), data.size(), crc);
}

ByteBuffer NameBytes(const std::u16string& name) {
  ByteBuffer out;
  for (char16_t unit : name) {
    out.appendByte(static_cast<std::uint8_t>(unit));
    out.appendByte(static_cast<std::uint8_t>(unit >> 8));
  }
  return out;
}

void CheckHandle(HANDLE hPrinter, const char* function) {
  if (hPrinter == nullptr || hPrinter == INVALID_HANDLE_VALUE) {
    TamorThrow<ExceptionInvalidPrinterHandle>(kSource, __LINE__, function, u"no printer handle for the cache");
  }
}

// A value and the header that lists it are written as one step: writers of
// one cache, in any process, take turns, so that none drops the name another
// has just entered. Caches of other printers under the same key share the
// lock, which costs only a short wait. When the lock cannot be had the write
// goes ahead alone, as it would without one.
class WriterTurn {
 public:
  explicit WriterTurn(const CXString& key) {
    ByteBuffer name = NameBytes(key.str());
    const DWORD crc = name.empty() ? 0 : Crc32::GetCrc(name.getLpbyte(), name.size());
    const CXString mutexName = CXString::Formatted(u"Global\\RenpsDataCache-%08x", static_cast<unsigned>(crc));
    mutex_ = CreateMutexW(nullptr, FALSE, platform::W(mutexName.c_str()));
    if (mutex_ == nullptr) return;
    const DWORD wait = WaitForSingleObject(mutex_, INFINITE);
    // WAIT_ABANDONED (0x80): a writer ended while it held the lock; the turn is ours.
    if (wait != WAIT_OBJECT_0 && wait != 0x80u) {
      CloseHandle(mutex_);
      mutex_ = nullptr;
    }
  }
  ~WriterTurn() {
    if (mutex_ == nullptr) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  WriterTurn(const WriterTurn&) = delete;
  WriterTurn& operator=(const WriterTurn&) = delete;

 private:
  HANDLE mutex_ = nullptr;
};

}  // namespace

DataCache::DataCache(HANDLE hPrinter, DWORD signature) : DataCache(hPrinter, CXString(kPrinterCacheKey), signature) {}

DataCache::DataCache(HANDLE hPrinter, const CXString& keyName, DWORD signature)
    : printer_(hPrinter), key_(keyName), signature_(signature == 0xFFFFFFFFu ? kDefaultSignature : signature) {
  CheckHandle(hPrinter, "DataCache::DataCache");
}

std::u16string DataCache::ValueName(const CXString& name) const {
  return key_.str() + u"\\" + name.str();
}

std::optional<DataCache::Stored> DataCache::Read(const std::u16string& valueName) const {
  std::u16string mutableName = valueName;
  Stored stored;
  DWORD needed = 0;
  DWORD status = GetPrinterDataW(printer_, platform::W(mutableName.data()), &stored.type, nullptr, 0, &needed);
  // The value may grow between the size query and the read when another
  // process writes it; a few rounds settle that.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (status == ERROR_SUCCESS && needed <= stored.data.size()) {
      stored.data.resize(needed);
      return stored;
    }
    if (status != ERROR_MORE_DATA && status != ERROR_SUCCESS) return std::nullopt;
    stored.data.resize(needed);
    status = GetPrinterDataW(printer_, platform::W(mutableName.data()), &stored.type, stored.data.getLpbyte(),
                             static_cast<DWORD>(stored.data.size()), &needed);
  }
  return std::nullopt;
}

std::vector<DataCache::Entry> DataCache::ReadHeader(DWORD* fingerprint) const {
  std::vector<Entry> entries;
  if (fingerprint != nullptr) *fingerprint = 0;
  std::optional<Stored> header = Read(key_.str());
  if (!header || header->type != REG_BINARY) return entries;
  Reader reader(header->data);
  DWORD signature = 0;
  DWORD stored = 0;
  DWORD count = 0;
  if (!reader.Dword(signature) || signature != signature_ || !reader.Dword(stored) || !reader.Dword(count) ||
      count > kMaxEntries) {
    return entries;
  }
  for (DWORD i = 0; i < count; ++i) {
    Entry entry;
    if (!reader.Dword(entry.crc) || !reader.Text(entry.name)) return {};
    entries.push_back(std::move(entry));
  }
  if (!reader.AtEnd()) return {};
  if (fingerprint != nullptr) *fingerprint = stored;
  return entries;
}

void DataCache::WriteHeader(std::vector<Entry> entries) {
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  std::u16string headerName = key_.str();
  if (entries.empty()) {
    DeletePrinterDataW(printer_, platform::W(headerName.data()));
    return;
  }
  DWORD fingerprint = 0;
  ByteBuffer body;
  for (const Entry& entry : entries) {
    ByteBuffer name = NameBytes(entry.name);
    ByteBuffer crc;
    PutDword(crc, entry.crc);
    if (!name.empty()) fingerprint = Crc32::GetCrc(name.getLpbyte(), name.size(), fingerprint);
    fingerprint = Crc32::GetCrc(crc.getLpbyte(), crc.size(), fingerprint);
    body.append(crc);
    body.appendByte(static_cast<std::uint8_t>(entry.name.size()));
    body.appendByte(static_cast<std::uint8_t>(entry.name.size() >> 8));
    body.append(name);
  }
  ByteBuffer header;
  PutDword(header, signature_);
  PutDword(header, fingerprint);
  PutDword(header, static_cast<DWORD>(entries.size()));
  header.append(body);
  DWORD status = SetPrinterDataW(printer_, platform::W(headerName.data()), REG_BINARY, header.getLpbyte(),
                                 static_cast<DWORD>(header.size()));
  if (status != ERROR_SUCCESS) {
    TamorThrow<ExceptionPrinterFailure>(
        kSource, __LINE__, "DataCache::WriteHeader",
        CXString::Formatted(u"SetPrinterDataW(%s) failed with %u", key_.c_str(), static_cast<unsigned>(status)));
  }
}

void DataCache::Write(const CXString& name, DWORD type, const ByteBuffer& data, bool onlyIfChanged) {
  if (name.GetLength() > 0xFFFF || data.size() > 0xFFFFFFFFu) {
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, "DataCache::SetCachedValue", u"value too large");
  }
  std::u16string valueName = ValueName(name);
  DWORD crc = ValueCrc(type, data);
  const WriterTurn turn(key_);
  std::vector<Entry> entries = ReadHeader(nullptr);
  auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name.str(); });
  if (onlyIfChanged) {
    std::optional<Stored> current = Read(valueName);
    if (current && current->type == type && current->data == data && it != entries.end() && it->crc == crc) return;
  }
  ByteBuffer copy = data;  // SetPrinterDataW takes a non-const pointer
  DWORD status =
      SetPrinterDataW(printer_, platform::W(valueName.data()), type, copy.getLpbyte(), static_cast<DWORD>(copy.size()));
  if (status != ERROR_SUCCESS) {
    TamorThrow<ExceptionPrinterFailure>(
        kSource, __LINE__, "DataCache::SetCachedValue",
        CXString::Formatted(u"SetPrinterDataW(%s) failed with %u", valueName.c_str(), static_cast<unsigned>(status)));
  }
  if (it != entries.end()) {
    it->crc = crc;
  } else {
    entries.push_back({name.str(), crc});
  }
  WriteHeader(std::move(entries));
}

void DataCache::SetCachedValue(const CXString& name, const ByteBuffer& value, bool onlyIfChanged) {
  Write(name, REG_BINARY, value, onlyIfChanged);
}

void DataCache::SetCachedValue(const CXString& name, DWORD value, bool onlyIfChanged) {
  ByteBuffer bytes;
  PutDword(bytes, value);
  Write(name, REG_DWORD, bytes, onlyIfChanged);
}

void DataCache::SetCachedValue(const CXString& name, const CXString& value, bool onlyIfChanged) {
  ByteBuffer bytes = NameBytes(value.str());
  bytes.appendByte(0);
  bytes.appendByte(0);
  Write(name, REG_SZ, bytes, onlyIfChanged);
}

ByteBuffer DataCache::GetCachedBytesValue(const CXString& name) const {
  std::optional<Stored> stored = Read(ValueName(name));
  return stored ? stored->data : ByteBuffer();
}

DWORD DataCache::GetCachedLongValue(const CXString& name, DWORD defaultValue) const {
  std::optional<Stored> stored = Read(ValueName(name));
  if (!stored || stored->type != REG_DWORD || stored->data.size() != 4) return defaultValue;
  return stored->data.getAsLongValue();
}

CXString DataCache::GetCachedStringValue(const CXString& name) const {
  std::optional<Stored> stored = Read(ValueName(name));
  if (!stored || (stored->type != REG_SZ && stored->type != REG_EXPAND_SZ)) return CXString();
  return stored->data.getAsStringValue();
}

bool DataCache::IsCachedValuePresent(const CXString& name) const {
  return Read(ValueName(name)).has_value();
}

void DataCache::DeleteCache(const CXString& name, bool wholeCache) {
  const WriterTurn turn(key_);
  std::vector<Entry> entries = ReadHeader(nullptr);
  std::vector<std::u16string> names;
  if (wholeCache) {
    for (const Entry& entry : entries) names.push_back(entry.name);
    entries.clear();
  } else {
    names.push_back(name.str());
    std::erase_if(entries, [&](const Entry& e) { return e.name == name.str(); });
  }
  for (const std::u16string& each : names) {
    std::u16string valueName = ValueName(CXString(each));
    DWORD status = DeletePrinterDataW(printer_, platform::W(valueName.data()));
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
      TamorThrow<ExceptionPrinterFailure>(kSource, __LINE__, "DataCache::DeleteCache",
                                          CXString::Formatted(u"DeletePrinterDataW(%s) failed with %u",
                                                              valueName.c_str(), static_cast<unsigned>(status)));
    }
  }
  WriteHeader(std::move(entries));
}

DWORD DataCache::GetCurrentCRC() const {
  DWORD fingerprint = 0;
  ReadHeader(&fingerprint);
  return fingerprint;
}
