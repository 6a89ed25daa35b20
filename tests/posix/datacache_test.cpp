// The per-printer settings cache over the printer data of the POSIX spooler.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <memory>
#include "TestPrinter.h"
#include "platform/posixhost.h"
#include "platform/text.h"
#include "zqutil/DataCache.h"
#include "zqutil/TamorException.h"

namespace {

class DataCacheTest : public ::testing::Test {
 protected:
  // A printer data value as the spooler holds it, bypassing the cache.
  bool ReadRaw(std::u16string name, DWORD& type, ByteBuffer& data) {
    DWORD needed = 0;
    DWORD status = GetPrinterDataW(printer_, platform::W(name.data()), &type, nullptr, 0, &needed);
    if (status != ERROR_MORE_DATA && status != ERROR_SUCCESS) return false;
    data.resize(needed);
    return GetPrinterDataW(printer_, platform::W(name.data()), &type, data.getLpbyte(), needed, &needed) ==
           ERROR_SUCCESS;
  }
  void WriteRaw(std::u16string name, DWORD type, ByteBuffer data) {
    ASSERT_EQ(
        SetPrinterDataW(printer_, platform::W(name.data()), type, data.getLpbyte(), static_cast<DWORD>(data.size())),
        static_cast<DWORD>(ERROR_SUCCESS));
  }

  harness::TestPrinter printerData_{{.name = u"Cache Printer", .port = u"IP_192.0.2.10"}};
  HANDLE printer_ = printerData_.handle;
};

TEST_F(DataCacheTest, ValuesRoundTripUnderTheKeyWithTheirTypes) {
  DataCache cache(printer_, u"IP_192.0.2.10", static_cast<DWORD>(-1));
  const ByteBuffer bytes(std::vector<std::uint8_t>{1, 2, 0, 255});
  cache.SetCachedValue(u"Blob", bytes, false);
  cache.SetCachedValue(u"Number", 0xDEADBEEFu, false);
  cache.SetCachedValue(u"Text", CXString(u"Fünf"), false);

  EXPECT_EQ(cache.GetCachedBytesValue(u"Blob"), bytes);
  EXPECT_EQ(cache.GetCachedLongValue(u"Number", 7), 0xDEADBEEFu);
  EXPECT_EQ(cache.GetCachedStringValue(u"Text"), CXString(u"Fünf"));

  // A value of another kind reads as the default; bytes read any kind.
  EXPECT_EQ(cache.GetCachedLongValue(u"Blob", 7), 7u);
  EXPECT_EQ(cache.GetCachedStringValue(u"Number"), CXString());
  EXPECT_EQ(cache.GetCachedBytesValue(u"Number"), ByteBuffer::createFromLongValue(0xDEADBEEFu));
  // Missing values.
  EXPECT_TRUE(cache.GetCachedBytesValue(u"Absent").empty());
  EXPECT_EQ(cache.GetCachedLongValue(u"Absent", 0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_FALSE(cache.IsCachedValuePresent(u"Absent"));

  // Each value is the printer data value "<key>\<name>" with its registry type.
  struct Row {
    std::u16string name;
    DWORD type;
  };
  for (const Row& row : {Row{u"IP_192.0.2.10\\Blob", REG_BINARY}, Row{u"IP_192.0.2.10\\Number", REG_DWORD},
                         Row{u"IP_192.0.2.10\\Text", REG_SZ}}) {
    DWORD type = 0;
    ByteBuffer data;
    ASSERT_TRUE(ReadRaw(row.name, type, data)) << platform::ToUtf8(row.name);
    EXPECT_EQ(type, row.type) << platform::ToUtf8(row.name);
  }
  // Another key, and the printer's own cache, do not see these values.
  EXPECT_FALSE(DataCache(printer_, u"IP_192.0.2.11", static_cast<DWORD>(-1)).IsCachedValuePresent(u"Blob"));
  EXPECT_FALSE(DataCache(printer_, static_cast<DWORD>(-1)).IsCachedValuePresent(u"Blob"));
}

TEST_F(DataCacheTest, FingerprintFollowsTheContentsNotTheOrderOfWrites) {
  DataCache first(printer_, u"A", static_cast<DWORD>(-1));
  DataCache second(printer_, u"B", static_cast<DWORD>(-1));
  EXPECT_EQ(first.GetCurrentCRC(), 0u);

  first.SetCachedValue(u"One", 1u, false);
  DWORD afterOne = first.GetCurrentCRC();
  EXPECT_NE(afterOne, 0u);
  first.SetCachedValue(u"Two", CXString(u"two"), false);
  DWORD afterTwo = first.GetCurrentCRC();
  EXPECT_NE(afterTwo, afterOne);

  // The same contents written the other way round give the same fingerprint.
  second.SetCachedValue(u"Two", CXString(u"two"), false);
  second.SetCachedValue(u"One", 1u, false);
  EXPECT_EQ(second.GetCurrentCRC(), afterTwo);

  // A changed value changes it; the old value brings it back.
  first.SetCachedValue(u"One", 2u, false);
  EXPECT_NE(first.GetCurrentCRC(), afterTwo);
  first.SetCachedValue(u"One", 1u, false);
  EXPECT_EQ(first.GetCurrentCRC(), afterTwo);
  first.DeleteCache(u"Two", false);
  EXPECT_EQ(first.GetCurrentCRC(), afterOne);
  EXPECT_FALSE(first.IsCachedValuePresent(u"Two"));
  first.DeleteCache(u"Two", false);  // deleting what is absent is fine

  second.DeleteCache(CXString(), true);
  EXPECT_EQ(second.GetCurrentCRC(), 0u);
  EXPECT_FALSE(second.IsCachedValuePresent(u"One"));
  EXPECT_FALSE(second.IsCachedValuePresent(u"Two"));
  EXPECT_EQ(first.GetCachedLongValue(u"One", 0), 1u);
}

TEST_F(DataCacheTest, ForeignOrDamagedHeaderCountsAsEmptyAndIsRepaired) {
  DataCache cache(printer_, u"K", static_cast<DWORD>(-1));
  cache.SetCachedValue(u"V", 5u, false);
  DWORD good = cache.GetCurrentCRC();
  ASSERT_NE(good, 0u);

  // A cache of another signature does not take this header for its own.
  EXPECT_EQ(DataCache(printer_, u"K", 0x12345678u).GetCurrentCRC(), 0u);

  ByteBuffer header;
  DWORD type = 0;
  ASSERT_TRUE(ReadRaw(u"K", type, header));
  for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{11}, header.size() - 1}) {
    WriteRaw(u"K", REG_BINARY, ByteBuffer(header.getLpbyte(), cut));
    EXPECT_EQ(cache.GetCurrentCRC(), 0u) << "header cut to " << cut;
    EXPECT_EQ(cache.GetCachedLongValue(u"V", 0), 5u);
  }
  ByteBuffer overlong = header;
  overlong.appendByte(0);
  WriteRaw(u"K", REG_BINARY, overlong);
  EXPECT_EQ(cache.GetCurrentCRC(), 0u);

  // The next write rebuilds the header from what it knows.
  cache.SetCachedValue(u"V", 5u, false);
  EXPECT_EQ(cache.GetCurrentCRC(), good);
}

TEST_F(DataCacheTest, InvalidPrinterHandlesThrow) {
  for (HANDLE bad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
    EXPECT_THROW(DataCache(bad, static_cast<DWORD>(-1)), ExceptionInvalidPrinterHandle);
    EXPECT_THROW(DataCache(bad, u"K", static_cast<DWORD>(-1)), ExceptionInvalidPrinterHandle);
  }
}

}  // namespace
