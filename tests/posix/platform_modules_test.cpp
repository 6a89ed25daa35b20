// Modules over dlopen with base-address handles, resources from registered
// tables, and the host-set facts.
#include <dlfcn.h>

#include <cmath>
#include <cstring>

#include "ModuleResources.h"
#include "platform_testing.h"

namespace {

using platform_testing::W;

HMODULE OwnModule() {
  Dl_info info{};
  // The convention a module follows in its constructor: its base address.
  EXPECT_NE(::dladdr(reinterpret_cast<void*>(&OwnModule), &info), 0);
  return static_cast<HMODULE>(info.dli_fbase);
}

TEST(PlatformModules, LoadedModuleIsItsBaseAddressAndAnswersForItsOwnExports) {
  HMODULE libm = LoadLibraryExW(W(u"libm.so.6"), nullptr, 0);
  ASSERT_NE(libm, nullptr);
  void* cosine = ::dlsym(RTLD_DEFAULT, "cos");
  Dl_info info{};
  ASSERT_NE(::dladdr(cosine, &info), 0);
  EXPECT_EQ(static_cast<void*>(libm), info.dli_fbase);
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(libm, "cos")), cosine);
  EXPECT_EQ(GetProcAddress(libm, "no_such_export"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(libm, "malloc"), nullptr);  // a dependency's export, not libm's

  WCHAR path[MAX_PATH];
  DWORD length = GetModuleFileNameW(libm, path, MAX_PATH);
  ASSERT_GT(length, 9u);
  EXPECT_EQ(std::u16string(platform::U(path)).substr(length - 9), u"libm.so.6");
  EXPECT_EQ(path[0], u'/');
  WCHAR cut[4];
  EXPECT_EQ(GetModuleFileNameW(libm, cut, 4), 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(cut[3], 0);

  EXPECT_TRUE(FreeLibrary(libm));
  EXPECT_EQ(LoadLibraryExW(W(u"/nonexistent/dir/none.so"), nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(PlatformModules, PluginModuleHandleIsWhatItsOwnConstructorComputes) {
  // The module entry takes dladdr's base of one of its own functions; the
  // handle LoadLibraryExW returns must be that same value.
  std::u16string path = platform::FromUtf8(RENPS_BINARY_DIR "/bin/renpsoem.so");
  HMODULE plugin = LoadLibraryExW(W(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  ASSERT_NE(plugin, nullptr);
  FARPROC entry = GetProcAddress(plugin, "DllGetClassObject");
  ASSERT_NE(entry, nullptr);
  Dl_info info{};
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(entry), &info), 0);
  EXPECT_EQ(static_cast<void*>(plugin), info.dli_fbase);
  WCHAR name[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(plugin, name, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(platform::U(name)).find(u"renpsoem.so"), std::u16string(platform::U(name)).size() - 11);
  EXPECT_TRUE(FreeLibrary(plugin));
}

TEST(PlatformModules, ModulesLoadedElsewhereAnswerByTheirBase) {
  HMODULE self = OwnModule();
  WCHAR path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(self, path, MAX_PATH), 0u);
  EXPECT_EQ(path[0], u'/');
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&path[1]), "cos"), nullptr);  // not a base
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  platform::host::SetProcessImageName(u"C:\\Windows\\System32\\spoolsv.exe");
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  EXPECT_EQ(std::u16string(platform::U(path)), u"C:\\Windows\\System32\\spoolsv.exe");
  platform::host::Reset();
}

TEST(PlatformModules, ResourcesFromARegisteredTable) {
  static const char kProcset[] = "/X3DBMi { } def";
  static const BYTE kBlob[] = {1, 2, 3};
  const RenModuleResource table[] = {
      {u"PSPROC", nullptr, 0, 106, kProcset, sizeof(kProcset) - 1},
      {nullptr, u"Blob", 10, 0, kBlob, sizeof(kBlob)},
      {u"PSPROC", MAKEINTRESOURCEW(107), 0, 0, kBlob, 2},
  };
  HMODULE self = OwnModule();
  RenRegisterModuleResources(self, table, 3);

  struct Case {
    LPCWSTR name;
    LPCWSTR type;
    const void* data;
    DWORD size;
  };
  const Case found[] = {
      {MAKEINTRESOURCEW(106), W(u"PSPROC"), kProcset, sizeof(kProcset) - 1},
      {W(u"#106"), W(u"psproc"), kProcset, sizeof(kProcset) - 1},
      {W(u"BLOB"), MAKEINTRESOURCEW(10), kBlob, 3},
      {MAKEINTRESOURCEW(107), W(u"PSPROC"), kBlob, 2},
  };
  for (const auto& c : found) {
    HRSRC r = FindResourceW(self, c.name, c.type);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(LockResource(LoadResource(self, r)), c.data);
    EXPECT_EQ(SizeofResource(self, r), c.size);
  }
  EXPECT_EQ(FindResourceW(self, MAKEINTRESOURCEW(108), W(u"PSPROC")), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(FindResourceW(self, MAKEINTRESOURCEW(106), W(u"OTHER")), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  int notAResource = 0;
  EXPECT_EQ(LoadResource(self, reinterpret_cast<HRSRC>(&notAResource)), nullptr);
  EXPECT_EQ(SizeofResource(self, reinterpret_cast<HRSRC>(&notAResource)), 0u);

  RenRegisterModuleResources(self, nullptr, 0);
  EXPECT_EQ(FindResourceW(self, MAKEINTRESOURCEW(106), W(u"PSPROC")), nullptr);
  // The test program carries the plug-in's own table; later tests need it back.
  RegisterEmbeddedResources(self);
}

TEST(PlatformFacts, HostFactsWinAndBufferSizesFollowWindows) {
  platform::host::SetMachineFacts(u"alice", u"WORKSTATION");
  WCHAR buffer[32];
  DWORD size = 3;
  EXPECT_FALSE(GetUserNameW(buffer, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 6u);  // with the terminator
  size = 32;
  ASSERT_TRUE(GetUserNameW(buffer, &size));
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(std::u16string(platform::U(buffer)), u"alice");
  size = 32;
  ASSERT_TRUE(GetComputerNameW(buffer, &size));
  EXPECT_EQ(size, 11u);  // without the terminator
  EXPECT_EQ(std::u16string(platform::U(buffer)), u"WORKSTATION");

  SYSTEMTIME fixed{2024, 5, 5, 17, 9, 30, 0, 0};
  platform::host::SetFixedLocalTime(fixed);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  EXPECT_EQ(std::memcmp(&now, &fixed, sizeof(now)), 0);
  platform::host::Reset();
  size = 32;
  ASSERT_TRUE(GetUserNameW(buffer, &size));
  EXPECT_GT(size, 1u);  // from the system now
}

TEST(PlatformFacts, DebugOutputGoesToTheSinkWithoutTouchingTheLastError) {
  std::u16string seen;
  platform::host::SetDebugLogSink([&](std::u16string_view line) { seen += line; });
  SetLastError(1234);
  OutputDebugStringW(W(u"RenPs::Command failed\n"));
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_EQ(seen, u"RenPs::Command failed\n");
  platform::host::Reset();
}

}  // namespace
