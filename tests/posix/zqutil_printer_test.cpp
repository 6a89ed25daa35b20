// The utility library's printer, driver, job, user and system facts, read
// through the POSIX spooler and state store as a Windows spooler would answer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <memory>
#include "TestPrinter.h"
#include "platform/posixhost.h"
#include "platform/text.h"
#include "zqutil/DriverLoadedContext.h"
#include "zqutil/OperatingSystem.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/PrintJob.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/Registry.h"
#include "zqutil/TamorException.h"
#include "zqutil/TamorUtilities.h"
#include "zqutil/TextResourceLoader.h"
#include "zqutil/User.h"
#include "zqutil/XDateTime.h"

namespace {

constexpr char16_t kName[] = u"Facts Printer";

platform::host::PrinterDescription Description() {
  platform::host::PrinterDescription printer;
  printer.name = kName;
  printer.port = u"\\\\server\\queue";
  printer.driverName = u"RenPS Test Driver";
  printer.dependentFiles = {u"renpsoem.so", u"zqwfwuA2.dll", u"procs.ps"};
  return printer;
}

class PrinterFactsTest : public ::testing::Test {
 protected:
  harness::TestPrinter printer_{Description()};
  HANDLE handle_ = printer_.handle;
};

TEST_F(PrinterFactsTest, AbsentFactsReadAsDefaults) {
  Printer printer(handle_);
  EXPECT_EQ(printer.GetPrinterControllerFamily(), 4001u);
  EXPECT_EQ(printer.GetPdlType(), 0x400u);
  EXPECT_EQ(printer.GetColorMode(), 0x1000u);
  EXPECT_TRUE(printer.GetProductId().IsEmpty());
  EXPECT_EQ(PrintDriver::GetDriverLanguageString(handle_).str(), u"English");
  EXPECT_EQ(PrintDriver::GetDisplayableDriverVersion(handle_).str(), u"1.0.0.0");
  EXPECT_EQ(PrintDriver::GetInstallationStateFromHandle(handle_), 1u);
  // No handle at all gives the same answers instead of a failure.
  for (HANDLE none : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
    EXPECT_EQ(Printer(none).GetPrinterControllerFamily(), 4001u);
    EXPECT_EQ(PrintDriver::GetPdlTypeFromHandle(none), 0x400u);
    EXPECT_EQ(PrintDriver::GetColorModeFromHandle(none), 0x1000u);
    EXPECT_TRUE(PrintDriver::GetDriverName(none).IsEmpty());
  }
}

TEST_F(PrinterFactsTest, InstallerFactsAreRead) {
  printer_.SetDword(PrinterDataNames::kControllerFamily, 7433);
  printer_.SetDword(PrinterDataNames::kPdlType, 0x401);
  printer_.SetDword(PrinterDataNames::kColorMode, 0x3000);
  printer_.SetDword(PrinterDataNames::kInstallationState, 0);
  printer_.SetText(PrinterDataNames::kProductId, u"QB42");
  printer_.SetText(PrinterDataNames::kModelId, u"M-7");
  printer_.SetText(PrinterDataNames::kDriverVersion, u"5.4.3.2");
  printer_.SetText(PrinterDataNames::kDriverLanguage, u"French");

  Printer printer(kName, true);
  ASSERT_TRUE(printer.HasValidHandle());
  EXPECT_EQ(printer.GetPrinterControllerFamily(), 7433u);
  EXPECT_EQ(printer.GetPrinterProductUniqueId().str(), u"QB42");
  EXPECT_EQ(printer.GetModelId().str(), u"M-7");
  EXPECT_EQ(printer.GetPrinterName().str(), kName);
  EXPECT_EQ(printer.GetPrinterPort().str(), u"\\\\server\\queue");
  EXPECT_EQ(PrintDriver::GetPDLTypeFromHandle(handle_), 0x401u);
  EXPECT_EQ(PrintDriver::GetColorModeFromHandle(handle_), 0x3000u);
  EXPECT_EQ(PrintDriver::GetInstallationStateFromHandle(handle_), 0u);
  EXPECT_EQ(PrintDriver::GetDisplayableDriverVersion(handle_).str(), u"5.4.3.2");
  EXPECT_EQ(PrintDriver::GetDriverLanguageString(handle_).str(), u"French");
  EXPECT_EQ(PrintDriver::GetDriverName(handle_).str(), u"RenPS Test Driver");

  // A value of the wrong type is not the fact: the default stands.
  printer_.SetText(PrinterDataNames::kControllerFamily, u"7430");
  EXPECT_EQ(Printer(handle_).GetPrinterControllerFamily(), 4001u);
}

TEST_F(PrinterFactsTest, PrinterDataReadAndWrite) {
  Printer printer(handle_);
  EXPECT_FALSE(printer.GetPrinterDataW(handle_, PrinterDataNames::kWorkflowDll));
  EXPECT_EQ(printer.GetPrinterDataSize(), 0u);
  DWORD selector = 2;
  printer.SetPrinterDataW(PrinterDataNames::kWorkflowDll, REG_DWORD, &selector, 4);
  ASSERT_TRUE(printer.GetPrinterDataW(handle_, PrinterDataNames::kWorkflowDll));
  EXPECT_EQ(printer.GetPrinterDataType(), static_cast<DWORD>(REG_DWORD));
  ASSERT_EQ(printer.GetPrinterDataSize(), 4u);
  EXPECT_EQ(printer.GetPrinterDataBuffer().getAsLongValue(), 2u);

  std::vector<std::uint8_t> large(5000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
  printer.SetPrinterDataW(u"TmrDeviceSettings", REG_BINARY, large.data(), static_cast<DWORD>(large.size()));
  ASSERT_TRUE(printer.GetPrinterDataW(u"TmrDeviceSettings"));
  EXPECT_EQ(printer.GetPrinterDataBuffer().bytes(), large);

  Printer none;
  EXPECT_THROW(none.SetPrinterDataW(u"X", REG_DWORD, &selector, 4), ExceptionPrinterFailure);
  EXPECT_THROW(none.GetPrinterHandle(true), ExceptionInvalidPrinterHandle);
  EXPECT_EQ(none.GetPrinterHandle(false), nullptr);
}

TEST_F(PrinterFactsTest, OpeningByName) {
  EXPECT_THROW(Printer(u"No Such Printer", true), ExceptionInvalidPrinterHandle);
  Printer quiet(u"No Such Printer", false);
  EXPECT_FALSE(quiet.HasValidHandle());
  EXPECT_EQ(quiet.GetPrinterControllerFamily(), 4001u);
  CXString port;
  EXPECT_FALSE(quiet.GetPrinterPort(port));
  EXPECT_THROW(quiet.GetPrinterPort(), ExceptionPrinterFailure);

  Printer created;
  ASSERT_TRUE(created.CreateHandle(kName));
  EXPECT_TRUE(Printer::IsValidHandle(created.GetPrinterHandle(true)));
  EXPECT_FALSE(created.CreateHandle(u""));
  EXPECT_FALSE(created.HasValidHandle());
}

TEST_F(PrinterFactsTest, DriverFiles) {
  std::vector<CXString> files = PrintDriver::GetDependentFiles(handle_);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[1].str(), u"zqwfwuA2.dll");
  CXString list = PrintDriver::GetDriverFiles(handle_, PrintDriver::kDependentFiles, u"");
  EXPECT_EQ(list.str(), u"renpsoem.so;zqwfwuA2.dll;procs.ps;");
  EXPECT_THROW(PrintDriver::GetDependentFiles(nullptr), ExceptionPrintDriverFailure);
}

TEST_F(PrinterFactsTest, JobRecord) {
  platform::host::SetJob(kName, {17, u"alice", u"Report.pdf", u"HOST1"});
  PrintJob job;
  EXPECT_EQ(job.GetJobInfoPtr(), nullptr);
  job.GetJobInfo(handle_, 17, 1);
  ASSERT_NE(job.GetJobInfoPtr(), nullptr);
  EXPECT_EQ(job.GetJobInfoPtr()->JobId, 17u);
  EXPECT_EQ(CXString(platform::U(job.GetJobInfoPtr()->pUserName)).str(), u"alice");
  EXPECT_EQ(CXString(platform::U(job.GetJobInfoPtr()->pDocument)).str(), u"Report.pdf");
  EXPECT_THROW(job.GetJobInfo(handle_, 18, 1), ExceptionPrintJobFailure);
  EXPECT_EQ(job.GetJobInfoPtr(), nullptr);
  EXPECT_THROW(job.GetJobInfo(handle_, 17, 2), ExceptionPrintJobFailure);
  EXPECT_THROW(job.GetJobInfo(nullptr, 17, 1), ExceptionPrintJobFailure);

  EXPECT_EQ(PrintJob::GetKorvidPrintJobIDkey(handle_, 17, u"al(i)ce").str(), u"17-alice");
  EXPECT_EQ(PrintJob::GetKorvidPrintJobIDkey(handle_, 17, u"").str(), u"17");
  EXPECT_TRUE(PrintJob::GetKorvidPrintJobIDkey(handle_, 0, u"alice").IsEmpty());
}

TEST_F(PrinterFactsTest, UserValuesRoundTripPerPrinter) {
  platform::host::SetMachineFacts(u"bob", u"WORKSTATION");
  EXPECT_EQ(User::GetUserNameW().str(), u"bob");
  EXPECT_EQ(User::GetComputerNameW().str(), u"WORKSTATION");

  User user(handle_);
  EXPECT_EQ(user.GetRegistryPath(u"Prefs").str(), u"Software\\RenPS\\Facts Printer\\Prefs");
  DWORD number = 99;
  EXPECT_FALSE(user.GetUserDataLongFromRegistry(u"Prefs", u"Unit", number));
  EXPECT_EQ(number, 0u);
  user.StoreUserDataLongInRegistry(u"Prefs", u"Unit", 6491);
  user.StoreUserDataStringInRegistry(u"Prefs", u"JobName", u"Quarterly \u00FC");
  ByteBuffer secret(std::vector<std::uint8_t>{0, 1, 2, 0xFF});
  user.StoreUserDataBytesInRegistry(u"Prefs", u"Passcode", secret);

  User again{CXString(kName)};
  CXString text;
  ByteBuffer bytes;
  ASSERT_TRUE(again.GetUserDataLongFromRegistry(u"Prefs", u"Unit", number));
  EXPECT_EQ(number, 6491u);
  ASSERT_TRUE(again.GetUserDataStringFromRegistry(u"Prefs", u"JobName", text));
  EXPECT_EQ(text.str(), u"Quarterly \u00FC");
  ASSERT_TRUE(again.GetUserDataBytesFromRegistry(u"Prefs", u"Passcode", bytes));
  EXPECT_EQ(bytes, secret);
  // Types are kept apart, and another printer has its own values.
  EXPECT_FALSE(again.GetUserDataLongFromRegistry(u"Prefs", u"JobName", number));
  EXPECT_FALSE(again.GetUserDataStringFromRegistry(u"Prefs", u"Unit", text));
  EXPECT_FALSE(User(CXString(u"Other")).GetUserDataLongFromRegistry(u"Prefs", u"Unit", number));
}

TEST_F(PrinterFactsTest, SystemFacts) {
  platform::host::SetProcessImageName(u"C:\\Windows\\System32\\SPOOLSV.EXE");
  EXPECT_TRUE(DriverLoadedContext::IsSpoolerContext());
  EXPECT_EQ(TamorUtilities::GetRegistryHiveByContext(), HKEY_LOCAL_MACHINE);
  platform::host::SetProcessImageName(u"/usr/bin/renps");
  EXPECT_FALSE(DriverLoadedContext::IsSpoolerContext());
  EXPECT_EQ(TamorUtilities::GetRegistryHiveByContext(), HKEY_CURRENT_USER);

  EXPECT_EQ(OperatingSystem::GetDisplayableOsVersion().str(), u"Windows NT");
  ByteBuffer product = ByteBuffer::createFromStringValue(u"Windows 11 Pro");
  ASSERT_EQ(Registry::WriteValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"ProductName",
                                 REG_SZ, product.getLpbyte(), static_cast<DWORD>(product.size())),
            ERROR_SUCCESS);
  EXPECT_EQ(OperatingSystem::GetDisplayableOsVersion().str(), u"Windows 11 Pro");

  EXPECT_TRUE(OperatingSystem::IsMetricCountry());
  EXPECT_FALSE(OperatingSystem::UseEnglishPaperSizes());
  ByteBuffer us = ByteBuffer::createFromStringValue(u"1");
  ASSERT_EQ(Registry::WriteValue(HKEY_CURRENT_USER, u"Control Panel\\International", u"iMeasure", REG_SZ,
                                 us.getLpbyte(), static_cast<DWORD>(us.size())),
            ERROR_SUCCESS);
  EXPECT_FALSE(OperatingSystem::IsMetricCountry());
  EXPECT_TRUE(OperatingSystem::UseEnglishPaperSizes());

  CXString temp = User::GetTempFileNameW();
  EXPECT_FALSE(temp.IsEmpty());
  EXPECT_TRUE(OperatingSystem::FileExists(temp));
  EXPECT_NE(temp, User::GetTempFileNameW());
  std::filesystem::remove(temp.ToUtf8());
  EXPECT_FALSE(OperatingSystem::FileExists(temp));
}

TEST_F(PrinterFactsTest, LocalTimeAndTexts) {
  SYSTEMTIME fixed{};
  fixed.wYear = 2024;
  fixed.wMonth = 12;
  fixed.wDay = 31;
  fixed.wHour = 9;
  fixed.wMinute = 30;
  platform::host::SetFixedLocalTime(fixed);
  XDateTime now = XDateTime::XGetCurrentTime();
  EXPECT_EQ(now.GetYear(), 2024);
  EXPECT_EQ(now.GetMinute(), 30);
  now.XAddOneDay();
  EXPECT_EQ(CXString::Formatted(u"%4.4d%2.2d%2.2d", now.GetYear(), now.GetMonth(), now.GetDay()).str(), u"20250101");

  TextResourceLoader::Initialize(handle_, true);
  EXPECT_TRUE(TextResourceLoader::IsInitialized());
  EXPECT_FALSE(TextResourceLoader::LoadStringW(TextResourceLoader::kRights).IsEmpty());
}

TEST_F(PrinterFactsTest, ExceptionsReachTheDebugLog) {
  std::vector<std::u16string> lines;
  platform::host::SetDebugLogSink([&](std::u16string_view line) { lines.emplace_back(line); });
  try {
    TamorThrow<ExceptionInvalidData>("zqutil/test", 12, "Test::Run", u"bad");
  } catch (const std::exception& e) {
    TamorUtilities::debugDisplayExceptionMessage(nullptr, &e, "RenPs::Command", "");
  }
  TamorUtilities::debugDisplayExceptionMessage(nullptr, nullptr, "OEMStartDoc", "");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(u"*Throwing* ExceptionInvalidData: bad"), std::u16string::npos);
  EXPECT_NE(lines[0].find(u"zqutil/test:12"), std::u16string::npos);
  EXPECT_EQ(lines[1],
            u"RenPs::Command: ExceptionInvalidData: *Throwing* ExceptionInvalidData: bad (zqutil/test:12 "
            u"Test::Run)");
  EXPECT_EQ(lines[2], u"OEMStartDoc: unknown exception");
}

}  // namespace
