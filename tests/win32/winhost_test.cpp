// The Windows host's own parts: the state store's file, the routing of a
// module's imports, and the file seam the output goes through.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "System.h"
#include "platform/win32.h"
#include "win32/HiveStore.h"
#include "win32/ImportRouting.h"

namespace {

using renps::winhost::Hive;
using renps::winhost::HiveKeys;
using renps::winhost::HiveStore;
using renps::winhost::StoredValue;

std::filesystem::path FreshDirectory(const char* name) {
  auto directory = std::filesystem::temp_directory_path() / "renps-winhost-test" / name;
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  return directory;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(HiveFile, AwkwardNamesAndBytesComeBackUnchanged) {
  struct Case {
    const char* what;
    std::u16string key;
    StoredValue value;
  };
  const Case cases[] = {
      {"default value", u"Printers\\Demo\\PrinterDriverData", {u"", REG_SZ, {'a', 0, 0, 0}}},
      {"tab and line ends in the name", u"K", {u"a\tb\r\nc", REG_DWORD, {1, 2, 3, 4}}},
      {"percent and DEL", u"Per%cent\x7F", {u"100%", REG_BINARY, {0x25, 0x7F}}},
      {"beyond Latin", u"Cl\u00e9\\\u65e5\u672c", {u"\u00fc\U0001F600", REG_MULTI_SZ, {}}},
      {"every byte", u"Bytes", {u"all", REG_BINARY, {}}},
  };
  HiveKeys keys;
  for (const auto& c : cases) {
    auto& key = keys[renps::winhost::Folded(c.key)];
    key.path = c.key;
    key.values.push_back(c.value);
  }
  for (int b = 0; b < 256; ++b) keys[u"bytes"].values[0].data.push_back(static_cast<BYTE>(b));

  const std::string text = renps::winhost::FormatHive(keys);
  HiveKeys back;
  std::size_t badLine = 99;
  ASSERT_TRUE(renps::winhost::ParseHive(text, back, badLine)) << "line " << badLine;
  ASSERT_EQ(back.size(), keys.size());
  for (const auto& [folded, key] : keys) {
    SCOPED_TRACE(std::string(folded.begin(), folded.end()));
    ASSERT_EQ(back.count(folded), 1u);
    const auto& got = back.at(folded);
    EXPECT_TRUE(got.path == key.path);
    ASSERT_EQ(got.values.size(), key.values.size());
    EXPECT_TRUE(got.values[0].name == key.values[0].name);
    EXPECT_EQ(got.values[0].type, key.values[0].type);
    EXPECT_EQ(got.values[0].data, key.values[0].data);
  }
}

TEST(HiveFile, DamagedRecordsAreRefusedWithTheirLine) {
  struct Case {
    const char* text;
    std::size_t line;
  };
  const Case cases[] = {
      {"V\tname\t4\t01020304\n", 1},         // a value before any key
      {"K\tA\nX\tstray\n", 2},               // an unknown record
      {"K\tA\nV\tn\t4\t0102030\n", 2},       // odd number of hex digits
      {"K\tA\nV\tn\t4\t01zz\n", 2},          // not hex
      {"K\tA\nV\tn\tfour\t00\n", 2},         // type not a number
      {"K\tA\nV\tn\t99999999999\t00\n", 2},  // type beyond 32 bits
      {"K\tA\n\nK\tB%4\n", 3},               // escape cut short
      {"K\tA%g0\n", 1},                      // escape not hex
      {"K\tA\nV\tn\t4\n", 2},                // a field missing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    HiveKeys keys;
    keys[u"kept"].path = u"Kept";
    std::size_t badLine = 0;
    EXPECT_FALSE(renps::winhost::ParseHive(c.text, keys, badLine));
    EXPECT_EQ(badLine, c.line);
    EXPECT_EQ(keys.count(u"kept"), 1u) << "a failed parse must leave the keys alone";
  }
}

TEST(HiveStoreFiles, ValuesOutliveTheStoreAndNamesIgnoreCase) {
  const auto directory = FreshDirectory("persist");
  {
    HiveStore store;
    store.SetDirectory(directory.string());
    bool created = false;
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, u"Software\\\\RenPS\\", created), ERROR_SUCCESS);
    EXPECT_TRUE(created);
    ASSERT_EQ(store.SetValue(Hive::LocalMachine, u"Printers\\P\\PrinterDriverData", {u"Mode", REG_DWORD, {7, 0, 0, 0}}),
              ERROR_SUCCESS);
    ASSERT_EQ(store.SetValue(Hive::LocalMachine, u"printers\\p\\printerdriverdata", {u"MODE", REG_DWORD, {9, 0, 0, 0}}),
              ERROR_SUCCESS);
    ASSERT_EQ(store.SetValue(Hive::LocalMachine, u"Printers\\P\\PrinterDriverData", {u"Gone", REG_SZ, {'x', 0}}),
              ERROR_SUCCESS);
    ASSERT_EQ(store.DeleteValue(Hive::LocalMachine, u"Printers\\P\\PrinterDriverData", u"gone"), ERROR_SUCCESS);
    EXPECT_EQ(store.DeleteValue(Hive::LocalMachine, u"Printers\\P\\PrinterDriverData", u"gone"), ERROR_FILE_NOT_FOUND);
  }
  HiveStore store;
  store.SetDirectory(directory.string());
  StoredValue value;
  ASSERT_EQ(store.GetValue(Hive::LocalMachine, u"PRINTERS\\P\\PrinterDriverData", u"mode", value), ERROR_SUCCESS);
  EXPECT_EQ(value.data, (std::vector<BYTE>{9, 0, 0, 0}));
  EXPECT_EQ(store.GetValue(Hive::LocalMachine, u"Printers\\P\\PrinterDriverData", u"Gone", value),
            ERROR_FILE_NOT_FOUND);
  // The hives are apart, and a key's parents exist with it.
  EXPECT_EQ(store.GetValue(Hive::CurrentUser, u"Printers\\P\\PrinterDriverData", u"Mode", value), ERROR_FILE_NOT_FOUND);
  for (const auto* path : {u"Software", u"software\\renps", u"Printers\\P"}) {
    bool exists = false;
    const Hive hive = std::u16string_view(path).starts_with(u"Printers") ? Hive::LocalMachine : Hive::CurrentUser;
    ASSERT_EQ(store.KeyExists(hive, path, exists), ERROR_SUCCESS);
    EXPECT_TRUE(exists);
  }
  bool exists = true;
  ASSERT_EQ(store.KeyExists(Hive::CurrentUser, u"Soft", exists), ERROR_SUCCESS);
  EXPECT_FALSE(exists) << "a prefix of a key's name is no key";
}

TEST(HiveStoreFiles, TwoWritersKeepEachOthersValues) {
  const auto directory = FreshDirectory("writers");
  HiveStore first, second;
  first.SetDirectory(directory.string());
  second.SetDirectory(directory.string());
  StoredValue value;
  // Both have read the hive before either writes.
  EXPECT_EQ(first.GetValue(Hive::CurrentUser, u"K", u"a", value), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(second.GetValue(Hive::CurrentUser, u"K", u"b", value), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(first.SetValue(Hive::CurrentUser, u"K", {u"a", REG_DWORD, {1, 0, 0, 0}}), ERROR_SUCCESS);
  ASSERT_EQ(second.SetValue(Hive::CurrentUser, u"K", {u"b", REG_DWORD, {2, 0, 0, 0}}), ERROR_SUCCESS);
  ASSERT_EQ(first.DeleteValue(Hive::CurrentUser, u"K", u"b"), ERROR_SUCCESS) << "the other writer's value is seen";
  HiveStore reader;
  reader.SetDirectory(directory.string());
  EXPECT_EQ(reader.GetValue(Hive::CurrentUser, u"K", u"a", value), ERROR_SUCCESS);
  EXPECT_EQ(reader.GetValue(Hive::CurrentUser, u"K", u"b", value), ERROR_FILE_NOT_FOUND);
}

TEST(HiveStoreFiles, ReadsSeeAnotherWritersChangesOncePerSnapshot) {
  const auto directory = FreshDirectory("readers");
  HiveStore reader, writer;
  reader.SetDirectory(directory.string());
  writer.SetDirectory(directory.string());
  auto read = [&] {
    StoredValue value;
    EXPECT_EQ(reader.GetValue(Hive::LocalMachine, u"P", u"v", value), ERROR_SUCCESS);
    return value.data.empty() ? -1 : value.data[0];
  };
  auto write = [&](BYTE byte) {
    ASSERT_EQ(writer.SetValue(Hive::LocalMachine, u"P", {u"v", REG_BINARY, {byte}}), ERROR_SUCCESS);
  };
  // Values of one size: only the file's identity and time tell the versions apart.
  for (BYTE round = 1; round <= 5; ++round) {
    write(round);
    EXPECT_EQ(read(), round);
  }
  reader.BeginSnapshot();
  EXPECT_EQ(read(), 5);
  write(6);
  EXPECT_EQ(read(), 5) << "inside a call the file is looked at once";
  reader.EndSnapshot();
  EXPECT_EQ(read(), 6);
}

TEST(HiveStoreFiles, ADamagedFileIsReportedAndNeverRewritten) {
  const auto directory = FreshDirectory("damaged");
  const std::string damaged = "K\tA\nV\tn\t4\tnothex\n";
  std::ofstream(directory / "HKLM.txt", std::ios::binary) << damaged;
  HiveStore store;
  store.SetDirectory(directory.string());
  EXPECT_EQ(store.SetValue(Hive::LocalMachine, u"A", {u"n", REG_DWORD, {1, 0, 0, 0}}), ERROR_BADDB);
  EXPECT_NE(store.LastError().find("HKLM.txt:2"), std::string::npos) << store.LastError();
  EXPECT_EQ(ReadAll(directory / "HKLM.txt"), damaged);
  // The other hive is unharmed.
  EXPECT_EQ(store.SetValue(Hive::CurrentUser, u"A", {u"n", REG_DWORD, {1, 0, 0, 0}}), ERROR_SUCCESS);
}

// ---- Import routing -----------------------------------------------------------

DWORD WINAPI FixedProcessId() {
  return 0x5EED;
}

// The import table is read at each call only from a function of its own: the
// compiler keeps an imported address in a register within one function.
__attribute__((noinline)) DWORD ProcessIdThroughImports() {
  return ::GetCurrentProcessId();
}

TEST(ImportRouting, TheModulesCallsGoWhereTheyAreRouted) {
  const HMODULE self = GetModuleHandleW(nullptr);
  const auto system =
      reinterpret_cast<void*>(::GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetCurrentProcessId"));
  ASSERT_NE(system, nullptr);
  const DWORD before = ProcessIdThroughImports();
  ASSERT_NE(before, 0x5EEDu);
  const renps::winhost::RoutedImport routed[] = {{"GetCurrentProcessId", reinterpret_cast<void*>(&FixedProcessId)}};
  // Another DLL's name routes nothing.
  EXPECT_EQ(renps::winhost::RouteImports(self, routed, 1, {"winspool.drv"}), 0);
  ASSERT_EQ(renps::winhost::RouteImports(self, routed, 1, {"KERNEL32.dll"}), 1);
  const DWORD routedAnswer = ProcessIdThroughImports();
  // A second routing finds the entry already in place.
  EXPECT_EQ(renps::winhost::RouteImports(self, routed, 1, {"kernel32.dll"}), 0);
  const renps::winhost::RoutedImport back[] = {{"GetCurrentProcessId", system}};
  ASSERT_EQ(renps::winhost::RouteImports(self, back, 1, {"kernel32.dll"}), 1);
  EXPECT_EQ(routedAnswer, 0x5EEDu);
  EXPECT_EQ(ProcessIdThroughImports(), before);
  // Not a module at all.
  static const char notAnImage[4096] = {};
  EXPECT_EQ(renps::winhost::RouteImports(reinterpret_cast<HMODULE>(const_cast<char*>(notAnImage)), routed, 1,
                                         {"kernel32.dll"}),
            0);
}

// ---- Files --------------------------------------------------------------------

TEST(HostFiles, TheOutputsBytesAreNotTranslated) {
  const auto directory = FreshDirectory("files");
  std::string path;
  const int fd = renps::sys::CreateTemporary(directory.string(), ".out-", path);
  ASSERT_GE(fd, 0);
  // Line ends, Ctrl-Z and Ctrl-D as a printer stream holds them.
  const std::string bytes = "%!PS\n\r\n\x1a\x04\x1b%-12345X\n";
  int error = 0;
  ASSERT_TRUE(renps::sys::WriteAll(fd, bytes.data(), bytes.size(), error)) << error;
  ASSERT_TRUE(renps::sys::Rewind(fd));
  char back[64] = {};
  EXPECT_EQ(renps::sys::Read(fd, back, sizeof back), static_cast<long>(bytes.size()));
  EXPECT_EQ(std::string(back, bytes.size()), bytes);
  ASSERT_TRUE(renps::sys::Close(fd));

  // The temporary file replaces an existing output; the kinds are told apart.
  const std::string target = (directory / "out.prn").string();
  std::ofstream(target) << "old";
  unsigned mode = 0;
  EXPECT_EQ(renps::sys::Probe(target, mode), renps::sys::PathKind::Regular);
  ASSERT_TRUE(renps::sys::Replace(path, target));
  EXPECT_EQ(ReadAll(target), bytes);
  EXPECT_EQ(renps::sys::Probe(path, mode), renps::sys::PathKind::Missing);
  EXPECT_EQ(renps::sys::Probe(directory.string(), mode), renps::sys::PathKind::Directory);

  std::string second;
  const int other = renps::sys::CreateTemporary(directory.string(), ".out-", second);
  ASSERT_GE(other, 0);
  EXPECT_NE(second, path) << "two temporary files must not share a name";
  renps::sys::Close(other);
}

}  // namespace
