// The settings caches under the printer's data and the printer-level settings,
// read back through the POSIX spooler and its state store.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "Settings.h"
#include "TestPrinter.h"
#include "zqcore/DataSourceProvider.h"
#include "zqcore/DeviceFeatureReader.h"
#include "zqutil/PrinterDataNames.h"

namespace {

class Provider : public DataSourceProvider {
 public:
  void OnDataSourceUpdate() override {}
};

platform::host::PrinterDescription Description(std::u16string port = u"IP_192.0.2.10") {
  platform::host::PrinterDescription description;
  description.name = u"Sources Printer";
  description.port = std::move(port);
  return description;
}

void SetBinary(HANDLE printer, std::u16string name, const ByteBuffer& bytes) {
  ByteBuffer copy = bytes;
  ASSERT_EQ(
      SetPrinterDataW(printer, platform::W(name.data()), REG_BINARY, copy.getLpbyte(), static_cast<DWORD>(copy.size())),
      static_cast<DWORD>(ERROR_SUCCESS));
}

void SetDeviceSettings(HANDLE printer, const char* json) {
  SetBinary(printer, PrinterDataNames::kDeviceSettings, renps::BuildSettingsImage(nlohmann::ordered_json::parse(json)));
}

const ByteBuffer kState(std::vector<std::uint8_t>{'s', 't', 'a', 't', 'e', 0, 1});

TEST(DataSourceProviderTest, FingerprintFollowsDeviceSettingsAndAutoConfiguration) {
  harness::TestPrinter printer(Description());
  SetDeviceSettings(printer.handle, R"({"422": {"int": 1200}})");
  DataCache cache(printer.handle, u"IP_192.0.2.10", 0xFFFFFFFFu);
  cache.SetCachedValue(DataSourceProvider::kAutoConfig, ByteBuffer(std::vector<std::uint8_t>{1, 2, 3, 4}), false);

  Provider provider;
  EXPECT_EQ(provider.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateUnknown) << "nothing stored";
  provider.SetDataModelState(printer.handle, kState);
  EXPECT_EQ(provider.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateValid);

  // One byte of the auto-configuration data makes the state stale ...
  cache.SetCachedValue(DataSourceProvider::kAutoConfig, ByteBuffer(std::vector<std::uint8_t>{1, 2, 3, 5}), false);
  EXPECT_EQ(provider.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateStale);
  // ... until the state is stored again for it.
  provider.SetDataModelState(printer.handle, kState);
  EXPECT_EQ(provider.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateValid);
  // So do the device settings, in a fresh provider too.
  SetDeviceSettings(printer.handle, R"({"422": {"int": 1201}})");
  EXPECT_EQ(Provider().IsDataModelStateValid(printer.handle), DataSourceProvider::kStateStale);
  // Removing the device settings leaves nothing to compare with.
  std::u16string name = PrinterDataNames::kDeviceSettings;
  DeletePrinterDataW(printer.handle, platform::W(name.data()));
  EXPECT_EQ(provider.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateUnknown);
}

TEST(DataSourceProviderTest, WithoutDeviceSettingsTheStateIsStoredButNeverValid) {
  harness::TestPrinter printer(Description());
  Provider provider;
  provider.SetDataModelState(printer.handle, kState);
  ByteBuffer state;
  provider.GetDataModelState(printer.handle, state);
  EXPECT_EQ(state, kState);
  EXPECT_EQ(provider.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateUnknown);
  EXPECT_FALSE(DataCache(printer.handle, u"IP_192.0.2.10", 0xFFFFFFFFu)
                   .IsCachedValuePresent(DataSourceProvider::kInstallableOptionsState));
}

TEST(DataSourceProviderTest, InvalidateThenGetGivesAnEmptyStateForEveryProvider) {
  harness::TestPrinter printer(Description());
  SetDeviceSettings(printer.handle, R"({"239": 6621})");
  Provider writer;
  writer.SetDataModelState(printer.handle, kState);

  Provider invalidator;  // invalidation as its first operation
  invalidator.InvalidateDataModelState(printer.handle);
  ByteBuffer state = kState;
  invalidator.GetDataModelState(printer.handle, state);
  EXPECT_TRUE(state.empty());
  EXPECT_EQ(writer.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateUnknown);
  EXPECT_EQ(Provider().IsDataModelStateValid(printer.handle), DataSourceProvider::kStateUnknown);
}

TEST(DataSourceProviderTest, CacheIsKeyedByTheNameOfThePort) {
  harness::TestPrinter printer(Description(u"\\\\server\\queue"));
  Provider provider;
  provider.SetDataModelState(printer.handle, kState);
  EXPECT_EQ(DataCache(printer.handle, u"__server_queue", 0xFFFFFFFFu).GetCachedBytesValue(u"XDataModelState"), kState);
  EXPECT_TRUE(DataCache(printer.handle, u"IP_192.0.2.10", 0xFFFFFFFFu).GetCachedBytesValue(u"XDataModelState").empty());
}

TEST(DataSourceProviderTest, PrinterWithoutPortHasNoCache) {
  harness::TestPrinter printer(Description(u""));
  Provider provider;
  provider.SetDataModelState(printer.handle, kState);
  ByteBuffer state = kState;
  provider.GetDataModelState(printer.handle, state);
  EXPECT_EQ(state, kState) << "left as it was";
  EXPECT_EQ(provider.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateUnknown);
  provider.InvalidateDataModelState(printer.handle);
}

TEST(DataSourceProviderTest, ASecondProcessSeesTheCachesTheFirstStored) {
  harness::TestPrinter printer(Description());
  SetDeviceSettings(printer.handle, R"({"546": 7701})");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Provider provider;
    provider.SetDataModelState(printer.handle, kState);
    _exit(provider.IsDataModelStateValid(printer.handle) == DataSourceProvider::kStateValid ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  Provider provider;
  ByteBuffer state;
  provider.GetDataModelState(printer.handle, state);
  EXPECT_EQ(state, kState);
  EXPECT_EQ(provider.IsDataModelStateValid(printer.handle), DataSourceProvider::kStateValid);
}

TEST(DeviceFeatureReaderTest, ReadsTheDeviceSettingsOnceInTheJobFilesNotation) {
  harness::TestPrinter printer(Description());
  SetDeviceSettings(
      printer.handle,
      R"({"422": {"int": 1152}, "239": 6621, "244": "Dept 7", "286": true, "210": {"164": {"paper": [2100, 2970]}}})");
  DeviceFeatureReader reader(printer.handle);
  LONG margin = 0;
  DWORD mode = 0;
  CXString text;
  bool flag = false;
  AttributeBytesIndexedList collection;
  EXPECT_TRUE(reader.GetIntegerValueFromAttributeBytes(422, margin));
  EXPECT_EQ(margin, 1152);
  EXPECT_TRUE(reader.GetOptionValueFromAttributeBytes(239, mode));
  EXPECT_EQ(mode, 6621u);
  EXPECT_TRUE(reader.GetStringValueFromAttributeBytes(244, text));
  EXPECT_EQ(text, CXString(u"Dept 7"));
  EXPECT_TRUE(reader.GetBooleanValueFromAttributeBytes(286, flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(reader.GetCollectionFromAttributeBytes(210, collection));
  EXPECT_FALSE(reader.IsFeaturePresentInAttributeBytes(423));

  // The first read is what the reader keeps.
  SetDeviceSettings(printer.handle, R"({"422": {"int": 5}})");
  EXPECT_TRUE(reader.GetIntegerValueFromAttributeBytes(422, margin));
  EXPECT_EQ(margin, 1152);
  EXPECT_TRUE(DeviceFeatureReader(printer.handle).GetIntegerValueFromAttributeBytes(422, margin));
  EXPECT_EQ(margin, 5);
}

TEST(DeviceFeatureReaderTest, MissingOrDamagedDeviceSettingsReadAsAbsent) {
  harness::TestPrinter printer(Description());
  EXPECT_TRUE(DeviceFeatureReader(printer.handle).IsEmpty());
  SetBinary(printer.handle, PrinterDataNames::kDeviceSettings, ByteBuffer(std::vector<std::uint8_t>{0xFF, 0x01, 0x02}));
  EXPECT_TRUE(DeviceFeatureReader(printer.handle).IsEmpty());
  EXPECT_TRUE(DeviceFeatureReader(INVALID_HANDLE_VALUE).IsEmpty());
}

}  // namespace
