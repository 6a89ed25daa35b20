// Where the core library module is loaded from: beside the plug-in, else the
// printer driver directory's "3" subdirectory; missing from both, the call
// that needs it fails and nothing else; unloaded when the loader goes.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <optional>

#include "DllDelayLoader.h"
#include "ModuleDirectory.h"
#include "TestPrinter.h"
#include "zqcore/CoreModule.h"

namespace {

std::string FileOf(HMODULE module) {
  WCHAR path[4096];
  const DWORD length = GetModuleFileNameW(module, path, 4096);
  return platform::ToUtf8(std::u16string(platform::U(path), length));
}

bool StillLoaded(const std::filesystem::path& file) {
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) ::dlclose(handle);
  return handle != nullptr;
}

platform::host::PrinterDescription WithDriverDirectory(const std::string& directory) {
  platform::host::PrinterDescription printer;
  printer.name = u"Office";
  printer.driverDirectory = platform::FromUtf8(directory);
  return printer;
}

TEST(DllDelayLoader, LooksBesideThePluginFirstThenInTheDriverDirectory) {
  struct Case {
    const char* what;
    bool beside;
    bool inDriverDirectory;
    std::optional<std::string> loadedFrom;  // relative to the stand-in directory
  } cases[] = {
      {"beside the plug-in, also in the driver directory", true, true, "zqcoreA2.so"},
      {"only in the driver directory's 3", false, true, "drivers/3/zqcoreA2.so"},
      {"missing", false, false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    harness::ModuleDirectory directory;
    harness::TestPrinter printer(WithDriverDirectory(directory.directory() / "drivers"));
    if (c.beside) directory.Place("zqcoreA2.so", "zqcoreA2.so");
    if (c.inDriverDirectory) directory.Place("zqcoreA2.so", "drivers/3/zqcoreA2.so");
    // A "2" beside the "3" must not be taken for it.
    directory.Place("zqcoreA2.so", "drivers/2/zqcoreA2.so");

    std::filesystem::path loadedFile;
    {
      DllDelayLoader loader(directory.anchor());
      HMODULE module = loader.Load(kCoreModuleName);
      ASSERT_EQ(module != nullptr, c.loadedFrom.has_value());
      if (!c.loadedFrom) continue;
      loadedFile = directory.directory() / *c.loadedFrom;
      EXPECT_EQ(FileOf(module), std::filesystem::canonical(loadedFile).string());
      EXPECT_NE(GetProcAddress(module, "ZqcoreExportTicketXml"), nullptr);
      EXPECT_EQ(loader.Load(kCoreModuleName), module) << "loaded once, the same module after that";
      EXPECT_TRUE(StillLoaded(loadedFile));
    }
    EXPECT_FALSE(StillLoaded(loadedFile)) << "unloaded with the loader";
  }
}

TEST(DllDelayLoader, MissingLibraryIsLookedForAgainAtTheNextCall) {
  harness::ModuleDirectory directory;
  harness::TestPrinter printer(WithDriverDirectory(directory.directory() / "drivers"));
  DllDelayLoader loader(directory.anchor());
  EXPECT_EQ(loader.Load(kCoreModuleName), nullptr);
  directory.Place("zqcoreA2.so", "drivers/3/zqcoreA2.so");
  EXPECT_NE(loader.Load(kCoreModuleName), nullptr);
}

TEST(DllDelayLoader, OnlyThePreLoadNotificationLoads) {
  harness::ModuleDirectory directory;
  harness::TestPrinter printer(WithDriverDirectory(directory.directory() / "drivers"));
  directory.Place("zqcoreA2.so", "zqcoreA2.so");
  DllDelayLoader loader(directory.anchor());
  for (unsigned notification : {0u, 2u, 3u, 4u, 5u}) {
    SCOPED_TRACE(notification);
    EXPECT_EQ(loader.Notify(notification, kCoreModuleName), nullptr);
    EXPECT_FALSE(StillLoaded(directory.directory() / "zqcoreA2.so"));
  }
  EXPECT_NE(loader.Notify(DllDelayLoader::kNotePreLoadLibrary, kCoreModuleName), nullptr);
}

}  // namespace
