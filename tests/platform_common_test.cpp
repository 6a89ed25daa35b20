// The spooler and registry answers that the POSIX platform library and renps
// on Windows share: the buffer protocol, the printer table, the value queries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/answers.h"
#include "common/printers.h"
#include "platform/text.h"

namespace {

using platform::common::PrinterTable;
using platform::host::JobRecord;
using platform::host::PrinterDescription;

PrinterDescription Printer(std::u16string name, std::u16string directory = {}) {
  PrinterDescription printer;
  printer.name = std::move(name);
  printer.port = u"LPT1:";
  printer.driverName = u"Office PS";
  printer.dependentFiles = {u"a.dll", u"", u"b.ps"};
  printer.driverDirectory = std::move(directory);
  return printer;
}

using Call = std::function<BOOL(LPBYTE, DWORD, LPDWORD)>;

// The two-call protocol at its boundary: the size asked for is the structure
// and its terminated strings, one byte less is refused and leaves the buffer
// alone, exactly that much is answered with every string inside the buffer.
std::vector<BYTE> Fetch(const Call& call, std::size_t structSize, const std::vector<std::u16string>& strings) {
  std::size_t expected = structSize;
  for (const auto& text : strings) expected += (text.size() + 1) * sizeof(WCHAR);
  DWORD needed = 0;
  SetLastError(0);
  EXPECT_FALSE(call(nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, expected);
  std::vector<BYTE> buffer(needed, 0xAB);
  DWORD again = 0;
  EXPECT_FALSE(call(buffer.data(), needed - 1, &again));
  EXPECT_EQ(again, needed);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xAB), static_cast<std::ptrdiff_t>(buffer.size()));
  EXPECT_TRUE(call(buffer.data(), needed, &again));
  return buffer;
}

// A packed string, which must lie after the structure and end inside the buffer.
std::u16string Packed(const std::vector<BYTE>& buffer, std::size_t structSize, const WCHAR* text, std::size_t length) {
  const auto* at = reinterpret_cast<const BYTE*>(text);
  EXPECT_GE(at, buffer.data() + structSize);
  EXPECT_LE(at + (length + 1) * sizeof(WCHAR), buffer.data() + buffer.size());
  return std::u16string(platform::U(text), length);
}

TEST(PlatformCommonAnswers, InfoStructuresPackTheirStringsBehindThem) {
  const PrinterDescription printer = Printer(u"Front Desk");
  for (const char16_t separator : {u'/', u'\\'}) {
    const std::u16string dir = u"C:\\drv", in3 = dir + separator + u"3" + separator;
    const auto buffer = Fetch(
        [&](LPBYTE b, DWORD n, LPDWORD needed) {
          return platform::common::AnswerDriverInfo3(printer, dir, separator, b, n, needed);
        },
        sizeof(DRIVER_INFO_3W),
        {u"Office PS", u"Windows x64", in3 + u"pscript5.dll", in3 + u"Office PS.ppd", in3 + u"ps5ui.dll", u"",
         std::u16string(u"a.dll\0b.ps\0", 11), u"", u"RAW"});
    DRIVER_INFO_3W info;
    std::memcpy(&info, buffer.data(), sizeof info);
    EXPECT_EQ(info.cVersion, 3u);
    EXPECT_EQ(Packed(buffer, sizeof info, info.pDriverPath, in3.size() + 12), in3 + u"pscript5.dll");
    EXPECT_EQ(Packed(buffer, sizeof info, info.pDataFile, in3.size() + 13), in3 + u"Office PS.ppd");
    // Empty names are dropped; the list ends in two terminators.
    EXPECT_EQ(Packed(buffer, sizeof info, info.pDependentFiles, 11), std::u16string(u"a.dll\0b.ps\0", 11));
  }

  const auto printerBuffer = Fetch(
      [&](LPBYTE b, DWORD n, LPDWORD needed) { return platform::common::AnswerPrinterInfo2(printer, b, n, needed); },
      sizeof(PRINTER_INFO_2W), {u"Front Desk", u"", u"LPT1:", u"Office PS", u"", u"", u"", u"WinPrint", u"RAW", u""});
  PRINTER_INFO_2W info2;
  std::memcpy(&info2, printerBuffer.data(), sizeof info2);
  EXPECT_EQ(Packed(printerBuffer, sizeof info2, info2.pPrinterName, 10), u"Front Desk");
  EXPECT_EQ(Packed(printerBuffer, sizeof info2, info2.pPortName, 5), u"LPT1:");
  EXPECT_EQ(info2.pServerName, nullptr);
  EXPECT_EQ(info2.pDevMode, nullptr);

  const JobRecord job{17, u"bob", u"Memo", u"PC-7"};
  SYSTEMTIME submitted{};
  submitted.wYear = 2024;
  submitted.wMinute = 59;
  const auto jobBuffer = Fetch(
      [&](LPBYTE b, DWORD n, LPDWORD needed) {
        return platform::common::AnswerJobInfo1(printer.name, job, submitted, b, n, needed);
      },
      sizeof(JOB_INFO_1W), {u"Front Desk", u"PC-7", u"bob", u"Memo", u"RAW"});
  JOB_INFO_1W info1;
  std::memcpy(&info1, jobBuffer.data(), sizeof info1);
  EXPECT_EQ(info1.JobId, 17u);
  EXPECT_EQ(Packed(jobBuffer, sizeof info1, info1.pUserName, 3), u"bob");
  EXPECT_EQ(Packed(jobBuffer, sizeof info1, info1.pMachineName, 4), u"PC-7");
  EXPECT_EQ(info1.Submitted.wYear, 2024);
  EXPECT_EQ(info1.Submitted.wMinute, 59);

  Fetch([](LPBYTE b, DWORD n, LPDWORD needed) { return platform::common::AnswerText(u"/x/drivers", b, n, needed); }, 0,
        {u"/x/drivers"});
}

TEST(PlatformCommonAnswers, FoundValuesFollowTheRegistryAndThePrinterDataProtocols) {
  struct Case {
    std::size_t valueSize;
    bool withBuffer;
    DWORD capacity;
    LONG registryStatus;
    DWORD printerDataStatus;
  };
  const Case cases[] = {
      {4, false, 0, ERROR_SUCCESS, ERROR_MORE_DATA},  // size-only: the spooler says "more data"
      {0, false, 0, ERROR_SUCCESS, ERROR_SUCCESS},    // ... but not for an empty value
      {4, true, 3, ERROR_MORE_DATA, ERROR_MORE_DATA}, {4, true, 4, ERROR_SUCCESS, ERROR_SUCCESS},
      {4, true, 9, ERROR_SUCCESS, ERROR_SUCCESS},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.valueSize << " bytes into " << c.capacity);
    std::vector<BYTE> data(c.valueSize);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(0x41 + i);
    std::vector<BYTE> out(16, 0);
    DWORD type = 0, size = c.capacity;
    EXPECT_EQ(platform::common::QueryValue(REG_BINARY, data, &type, c.withBuffer ? out.data() : nullptr, &size),
              c.registryStatus);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, c.valueSize);
    // The bytes start at 'A', so an untouched buffer (zeros) tells itself apart.
    const bool copied = c.registryStatus == ERROR_SUCCESS && c.withBuffer;
    if (!data.empty()) {
      EXPECT_EQ(std::equal(data.begin(), data.end(), out.begin()), copied);
    }

    DWORD needed = 0;
    std::vector<BYTE> spooled(16, 0);
    EXPECT_EQ(platform::common::AnswerPrinterData(REG_BINARY, data, nullptr, c.withBuffer ? spooled.data() : nullptr,
                                                  c.capacity, &needed),
              c.printerDataStatus);
    EXPECT_EQ(needed, c.valueSize);
  }
}

TEST(PlatformCommonAnswers, MachineNamesCountTheTerminatorTheirOwnWays) {
  // Capacity in characters; 0 stands for no buffer at all.
  struct Case {
    DWORD capacity;
    BOOL ok;
    DWORD userSize, computerSize;
  };
  const Case cases[] = {{0, FALSE, 5, 5}, {4, FALSE, 5, 5}, {5, TRUE, 5, 4}, {9, TRUE, 5, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.capacity);
    WCHAR buffer[9] = {};
    DWORD size = c.capacity;
    SetLastError(0);
    EXPECT_EQ(platform::common::AnswerUserName(u"ANNE", c.capacity == 0 ? nullptr : buffer, &size), c.ok);
    EXPECT_EQ(size, c.userSize);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.ok ? 0 : ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::u16string(platform::U(buffer)), c.ok ? u"ANNE" : u"");

    WCHAR host[9] = {};
    size = c.capacity;
    SetLastError(0);
    EXPECT_EQ(platform::common::AnswerComputerName(u"PC-1", c.capacity == 0 ? nullptr : host, &size), c.ok);
    EXPECT_EQ(size, c.computerSize);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.ok ? 0 : ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(std::u16string(platform::U(host)), c.ok ? u"PC-1" : u"");
  }
  EXPECT_FALSE(platform::common::AnswerUserName(u"ANNE", nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(platform::common::AnswerComputerName(u"PC-1", nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(PlatformCommonAnswers, CapabilitiesComeFromTheDescription) {
  PrinterDescription printer = Printer(u"P");
  printer.color = false;
  printer.resolutions = {{0, 300, 300}, {1, 600, 1200}};
  printer.driverPrivateFFFA = 5;
  LONG pairs[4] = {};
  EXPECT_EQ(platform::common::AnswerCapability(printer, DC_ENUMRESOLUTIONS, reinterpret_cast<LPWSTR>(pairs)), 2u);
  EXPECT_EQ(pairs[2], 600);
  EXPECT_EQ(pairs[3], 1200);
  EXPECT_EQ(platform::common::AnswerCapability(printer, DC_COLORDEVICE, nullptr), 0u);
  EXPECT_EQ(platform::common::AnswerCapability(printer, 0xFFFA, nullptr), 5u);
  SetLastError(0);
  EXPECT_EQ(platform::common::AnswerCapability(printer, DC_PAPERS, nullptr), static_cast<DWORD>(-1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST(PlatformCommonPrinters, ReplacingKeepsTheJobAndMovesThePrinterLast) {
  PrinterTable table;
  table.Register(Printer(u"Caf\u00e9", u"/first"), nullptr);
  table.Register(Printer(u"Back Office", u"/middle"), nullptr);
  ASSERT_NE(table.Find(u"CAF\u00c9"), nullptr);  // Latin-1 letters fold too
  table.Find(u"caf\u00e9")->job = JobRecord{3, u"ann", u"Doc", u"M"};
  EXPECT_EQ(table.LatestDriverDirectory(), u"/middle");

  table.Register(Printer(u"CAF\u00c9", u"/second"), nullptr);
  ASSERT_NE(table.Find(u"Caf\u00e9"), nullptr);
  ASSERT_TRUE(table.Find(u"Caf\u00e9")->job.has_value());
  EXPECT_EQ(table.Find(u"Caf\u00e9")->job->jobId, 3u);
  EXPECT_EQ(table.Find(u"Caf\u00e9")->description.name, u"CAF\u00c9");
  EXPECT_EQ(table.LatestDriverDirectory(), u"/second");

  table.Unregister(u"caf\u00e9");
  EXPECT_EQ(table.Find(u"Caf\u00e9"), nullptr);
  EXPECT_NE(table.Find(u"back office"), nullptr);
  EXPECT_EQ(table.LatestDriverDirectory(), u"/middle");
  table.Unregister(u"BACK OFFICE");
  EXPECT_EQ(table.LatestDriverDirectory(), u"");
}

TEST(PlatformCommonPrinters, NamesAndKeys) {
  struct Case {
    std::u16string a, b;
    bool same;
  };
  const Case cases[] = {{u"Printer", u"pRINTER", true},
                        {u"\u00e9", u"\u00c9", true},
                        {u"\u00f7", u"\u00d7", false},  // division and multiplication signs are not letters
                        {u"ab", u"abc", false},
                        {u"[", u"{", false}};
  for (const auto& c : cases) EXPECT_EQ(platform::common::SameName(c.a, c.b), c.same) << platform::ToUtf8(c.a);

  EXPECT_EQ(platform::common::PrinterDataKey(u"\\\\srv\\queue"), u"Printers\\,,srv,queue\\PrinterDriverData");

  WCHAR buffer[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_FALSE(platform::common::CopyOut(u"abcd", buffer, 4));
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_TRUE(platform::common::CopyOut(u"abc", buffer, 4));
  EXPECT_EQ(std::u16string(platform::U(buffer)), u"abc");
}

}  // namespace
