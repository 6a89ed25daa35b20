// Printer data and registry values of a Windows run of renps, kept in the
// state directory (one file per hive) instead of the machine's registry, so
// a run starts from what its state directory holds and leaves the machine
// as it was.
//
// File format (UTF-8, one record per line, fields separated by tabs):
//   K <key path>
//   V <value name> <type, decimal> <data, hex>
// Values belong to the key above them. Bytes below 0x20, '%' and DEL in key
// paths and names are written as %XX. A file that does not parse is never
// rewritten: the call fails with ERROR_BADDB and LastError names the file
// and line. Every change re-reads the hive under an exclusive lock on
// HIVE.lock, so processes sharing the directory never lose each other's
// values; reads are answered from memory while the file is still the one
// that was read, unchanged, so they see another process's changes too.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace renps::winhost {

enum class Hive { LocalMachine, CurrentUser };

struct StoredValue {
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct StoredKey {
  std::u16string path;
  std::vector<StoredValue> values;
};

// A hive's keys by their folded path (Latin letters compared without case).
using HiveKeys = std::map<std::u16string, StoredKey>;

// The folded form names are compared in.
std::u16string Folded(std::u16string_view name);
// "A\\\\B\\" -> "A\\B".
std::u16string NormalizedPath(std::u16string_view path);

std::string FormatHive(const HiveKeys& keys);
// False with the 1-based line of the first bad record.
bool ParseHive(std::string_view text, HiveKeys& keys, std::size_t& badLine);

class HiveStore {
 public:
  void SetDirectory(std::string directory);
  const std::string& Directory() const { return directory_; }

  // Win32 error codes.
  LONG KeyExists(Hive hive, std::u16string_view path, bool& exists);
  LONG CreateKey(Hive hive, std::u16string_view path, bool& created);
  LONG GetValue(Hive hive, std::u16string_view path, std::u16string_view name, StoredValue& value);
  LONG SetValue(Hive hive, std::u16string_view path, const StoredValue& value);
  LONG DeleteValue(Hive hive, std::u16string_view path, std::u16string_view name);

  const std::string& LastError() const { return lastError_; }

  // A call into the plug-in (platform::host::StoreSnapshot): while one is
  // open (they nest), each hive file is checked for another process's
  // changes once; outside, every read checks.
  void BeginSnapshot();
  void EndSnapshot();

  // What a hive's file is now: which file (a writer renames a new one over
  // it), its size and its last write; `exists` false when there is none.
  struct FileStamp {
    bool exists = false;
    DWORD volume = 0;
    std::uint64_t index = 0, size = 0, written = 0;
    bool operator==(const FileStamp&) const = default;
  };
  static FileStamp Stamp(const std::string& path);

 private:
  struct Loaded {
    bool loaded = false;
    bool checked = false;  // in the open snapshot
    FileStamp stamp;       // of the file the keys were read from
    HiveKeys keys;
  };
  LONG Load(Hive hive, HiveKeys*& keys);
  LONG Save(Hive hive, const HiveKeys& keys);
  // Runs `change` on the hive as the file holds it now, under the lock, and
  // writes the result when `change` asks for it.
  template <class Change>
  LONG Modify(Hive hive, Change change);
  std::string FilePath(Hive hive) const;

  std::string directory_;
  Loaded hives_[2];
  int snapshotDepth_ = 0;
  std::string lastError_;
};

}  // namespace renps::winhost
