// DataCache: small values cached in a printer's data, grouped under one key.
//
// A value is the printer data value "<key>\<name>": REG_BINARY for bytes,
// REG_DWORD for longs, REG_SZ for strings. Going through GetPrinterDataW and
// SetPrinterDataW keeps the cache with the printer on Windows and in the state
// store on POSIX.
//
// Beside the values, the printer data value "<key>" holds the cache's header:
// its signature, a fingerprint of the contents (GetCurrentCRC) and the names
// with a CRC-32 of each value. Readers compare fingerprints to learn whether
// anything was written since they last looked, without reading every value.
// Header layout (little-endian):
//   DWORD signature, DWORD fingerprint, DWORD count,
//   count x { DWORD value CRC, WORD name length in units, name units }
// The value CRC is Crc32 over the type (DWORD) then the data; the fingerprint
// is Crc32 over each entry's name units and value CRC in ascending name order
// (0 for an empty cache). A header that is missing, damaged or carries another
// signature counts as an empty header and is replaced at the next write; the
// values themselves are still read by name.
//
// Reads never throw: a missing value, or one of another type, gives the
// default (empty bytes, the caller's long, empty text). A null or all-ones
// printer handle throws ExceptionInvalidPrinterHandle; a write or delete the
// spooler refuses throws ExceptionPrinterFailure.
//
// Writes and deletions of one cache take turns through a named mutex (one
// per key, shared between processes), since each rewrites the header: two
// processes writing different values at once keep both names in it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/win32.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class DataCache {
 public:
  // The signature of the library's caches; a signature argument of -1
  // (0xFFFFFFFF) selects it.
  static constexpr DWORD kDefaultSignature = 0x534B47B3;
  // Key of the printer's own settings cache (the handle-only constructor).
  static constexpr char16_t kPrinterCacheKey[] = u"XSettingsCache";

  // The printer's own settings cache.
  DataCache(HANDLE hPrinter, DWORD signature);
  // A cache under a key of the caller's (e.g. one derived from the port name).
  // An empty key is a key of its own.
  DataCache(HANDLE hPrinter, const CXString& keyName, DWORD signature);

  const CXString& GetKeyName() const { return key_; }
  DWORD GetSignature() const { return signature_; }

  // Stores a value. With `onlyIfChanged`, a value already stored with the same
  // type and bytes is not written again.
  void SetCachedValue(const CXString& name, const ByteBuffer& value, bool onlyIfChanged);
  void SetCachedValue(const CXString& name, DWORD value, bool onlyIfChanged);
  void SetCachedValue(const CXString& name, const CXString& value, bool onlyIfChanged);

  // The stored bytes of any type; empty when absent.
  ByteBuffer GetCachedBytesValue(const CXString& name) const;
  // A REG_DWORD value; `defaultValue` when absent or of another type.
  DWORD GetCachedLongValue(const CXString& name, DWORD defaultValue) const;
  // A REG_SZ value up to its first zero; empty when absent or of another type.
  CXString GetCachedStringValue(const CXString& name) const;
  bool IsCachedValuePresent(const CXString& name) const;

  // Deletes one value, or with `wholeCache` every value the header names and
  // the header itself (`name` is then not used). Deleting what is absent is
  // not an error.
  void DeleteCache(const CXString& name, bool wholeCache);

  // The fingerprint of the contents as last written through a cache of this
  // key and signature; 0 when the cache is empty or has no valid header.
  DWORD GetCurrentCRC() const;

 private:
  struct Entry {
    std::u16string name;
    DWORD crc = 0;
  };
  struct Stored {
    DWORD type = REG_NONE;
    ByteBuffer data;
  };

  std::u16string ValueName(const CXString& name) const;
  std::optional<Stored> Read(const std::u16string& valueName) const;
  void Write(const CXString& name, DWORD type, const ByteBuffer& data, bool onlyIfChanged);
  std::vector<Entry> ReadHeader(DWORD* fingerprint) const;
  void WriteHeader(std::vector<Entry> entries);

  HANDLE printer_;
  CXString key_;
  DWORD signature_;
};
