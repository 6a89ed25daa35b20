// The spooler calls over the printers a host registers.
#include <cstring>
#include <vector>

#include "platform_testing.h"

namespace {

using platform_testing::MutableW;
using platform_testing::StateDirTest;
using platform_testing::W;

class SpoolerTest : public StateDirTest {
 protected:
  void SetUp() override {
    StateDirTest::SetUp();
    platform::host::PrinterDescription printer;
    printer.name = u"Demo Printer";
    printer.port = u"IP_192.0.2.10";
    printer.driverName = u"Demo PS";
    printer.dependentFiles = {u"core.dll", u"procs.ps"};
    printer.driverDirectory = u"/opt/drivers";
    printer.color = false;
    printer.resolutions = {{0, 300, 300}, {0, 600, 1200}};
    printer.driverPrivateFFFA = 7;
    platform::host::RegisterPrinter(printer, [this](const void* data, std::size_t size) {
      if (refuse_) return false;
      received_.append(static_cast<const char*>(data), size);
      return true;
    });
    platform::host::SetJob(u"Demo Printer", {42, u"alice", u"Report.pdf", u"WORKSTATION"});
    std::u16string name = u"demo printer";  // names match without regard to case
    ASSERT_TRUE(OpenPrinterW(MutableW(name), &printer_, nullptr));
  }
  void TearDown() override {
    EXPECT_TRUE(ClosePrinter(printer_));
    StateDirTest::TearDown();
  }

  // Runs the spooler's two-call protocol and checks the strings lie in the buffer.
  template <class Call>
  std::vector<BYTE> Fetch(Call call) {
    DWORD needed = 0;
    EXPECT_FALSE(call(nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    std::vector<BYTE> buffer(needed);
    DWORD again = 0;
    EXPECT_FALSE(call(buffer.data(), needed - 1, &again));
    EXPECT_EQ(again, needed);
    EXPECT_TRUE(call(buffer.data(), needed, &again));
    return buffer;
  }
  static std::u16string Text(const std::vector<BYTE>& buffer, const WCHAR* s) {
    if (s == nullptr) return u"<null>";
    auto at = reinterpret_cast<const BYTE*>(s);
    EXPECT_GE(at, buffer.data());
    EXPECT_LT(at, buffer.data() + buffer.size());
    return platform::U(s);
  }

  HANDLE printer_ = nullptr;
  std::string received_;
  bool refuse_ = false;
};

TEST_F(SpoolerTest, UnknownPrinterNameIsRefused) {
  std::u16string name = u"Nobody";
  HANDLE h = reinterpret_cast<HANDLE>(1);
  EXPECT_FALSE(OpenPrinterW(MutableW(name), &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(h, nullptr);
}

TEST_F(SpoolerTest, PrinterInfoLevelTwoPacksItsStringsAfterTheStructure) {
  auto buffer = Fetch([&](LPBYTE b, DWORD n, LPDWORD needed) { return GetPrinterW(printer_, 2, b, n, needed); });
  PRINTER_INFO_2W info;
  std::memcpy(&info, buffer.data(), sizeof(info));
  EXPECT_EQ(Text(buffer, info.pPrinterName), u"Demo Printer");
  EXPECT_EQ(Text(buffer, info.pPortName), u"IP_192.0.2.10");
  EXPECT_EQ(Text(buffer, info.pDriverName), u"Demo PS");
  EXPECT_EQ(info.pServerName, nullptr);
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterW(printer_, 1, buffer.data(), static_cast<DWORD>(buffer.size()), &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

TEST_F(SpoolerTest, DriverInfoListsDependentFilesDoubleTerminated) {
  auto buffer =
      Fetch([&](LPBYTE b, DWORD n, LPDWORD needed) { return GetPrinterDriverW(printer_, nullptr, 3, b, n, needed); });
  DRIVER_INFO_3W info;
  std::memcpy(&info, buffer.data(), sizeof(info));
  EXPECT_EQ(Text(buffer, info.pName), u"Demo PS");
  const char16_t* files = platform::U(info.pDependentFiles);
  EXPECT_EQ(std::u16string_view(files, 18), std::u16string_view(u"core.dll\0procs.ps\0\0", 19).substr(0, 18));
  EXPECT_EQ(files[18], 0);

  auto directory = Fetch(
      [&](LPBYTE b, DWORD n, LPDWORD needed) { return GetPrinterDriverDirectoryW(nullptr, nullptr, 1, b, n, needed); });
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(directory.data())), u"/opt/drivers");
}

TEST_F(SpoolerTest, JobInfoComesFromTheHostsJobRecord) {
  SYSTEMTIME fixed{2024, 5, 5, 17, 9, 30, 0, 0};
  platform::host::SetFixedLocalTime(fixed);
  auto buffer = Fetch([&](LPBYTE b, DWORD n, LPDWORD needed) { return GetJobW(printer_, 42, 1, b, n, needed); });
  JOB_INFO_1W info;
  std::memcpy(&info, buffer.data(), sizeof(info));
  EXPECT_EQ(info.JobId, 42u);
  EXPECT_EQ(Text(buffer, info.pUserName), u"alice");
  EXPECT_EQ(Text(buffer, info.pDocument), u"Report.pdf");
  EXPECT_EQ(Text(buffer, info.pMachineName), u"WORKSTATION");
  EXPECT_EQ(info.Submitted.wYear, 2024);
  EXPECT_EQ(info.Submitted.wHour, 9);

  DWORD needed = 0;
  EXPECT_FALSE(GetJobW(printer_, 43, 1, buffer.data(), static_cast<DWORD>(buffer.size()), &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SpoolerTest, WritePrinterReachesTheSinkAndFailsWhenItRefuses) {
  DWORD written = 0;
  EXPECT_TRUE(WritePrinter(printer_, const_cast<char*>("%!PS\n"), 5, &written));
  EXPECT_EQ(written, 5u);
  refuse_ = true;
  EXPECT_FALSE(WritePrinter(printer_, const_cast<char*>("lost"), 4, &written));
  EXPECT_EQ(written, 0u);
  refuse_ = false;
  EXPECT_TRUE(WritePrinter(printer_, const_cast<char*>("showpage\n"), 9, &written));
  EXPECT_EQ(received_, "%!PS\nshowpage\n");

  platform::host::UnregisterPrinter(u"Demo Printer");
  EXPECT_FALSE(WritePrinter(printer_, const_cast<char*>("x"), 1, &written));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SpoolerTest, PrinterDataLivesInTheMachineHiveUnderThePrinter) {
  std::u16string name = u"XWorkflowDLL";
  DWORD selector = 2;
  EXPECT_EQ(SetPrinterDataW(printer_, MutableW(name), REG_DWORD, reinterpret_cast<BYTE*>(&selector), 4),
            static_cast<DWORD>(ERROR_SUCCESS));
  DWORD type = 0, value = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(printer_, MutableW(name), &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(GetPrinterDataW(printer_, MutableW(name), &type, reinterpret_cast<BYTE*>(&value), 2, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(GetPrinterDataW(printer_, MutableW(name), &type, reinterpret_cast<BYTE*>(&value), 4, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(value, 2u);
  EXPECT_NE(ReadText(Path("HKLM.reg"))
                .find("[Printers\\\\Demo Printer\\\\PrinterDriverData]\n\"XWorkflowDLL\"=dword:00000002\n"),
            std::string::npos);

  EXPECT_EQ(DeletePrinterDataW(printer_, MutableW(name)), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetPrinterDataW(printer_, MutableW(name), &type, reinterpret_cast<BYTE*>(&value), 4, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SpoolerTest, DeviceCapabilitiesAnswerTheIndicesItKnows) {
  std::u16string device = u"Demo Printer";
  struct Case {
    WORD index;
    DWORD answer;
  };
  const Case cases[] = {{DC_COLORDEVICE, 0}, {DC_COPIES, 9999},       {DC_COLLATE, 1},
                        {0xFFFA, 7},         {DC_ENUMRESOLUTIONS, 2}, {DC_PAPERS, static_cast<DWORD>(-1)}};
  for (const auto& c : cases)
    EXPECT_EQ(DeviceCapabilitiesW(W(device), nullptr, c.index, nullptr, nullptr), c.answer) << c.index;
  LONG pairs[4] = {};
  EXPECT_EQ(DeviceCapabilitiesW(W(device), nullptr, DC_ENUMRESOLUTIONS, reinterpret_cast<LPWSTR>(pairs), nullptr), 2u);
  EXPECT_EQ(std::vector<LONG>(pairs, pairs + 4), (std::vector<LONG>{300, 300, 600, 1200}));
  std::u16string other = u"Nobody";
  EXPECT_EQ(DeviceCapabilitiesW(W(other), nullptr, DC_COPIES, nullptr, nullptr), static_cast<DWORD>(-1));
}

}  // namespace
