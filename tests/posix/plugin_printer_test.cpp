// The plug-in against a printer of the POSIX spooler: facts the installer
// stored, the devmode merge against the device's capabilities, the plain
// family's identification lines, and output passed through to the printer.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "PluginHarness.h"
#include "TestPrinter.h"
#include "devmode/XDevmode.h"
#include "pdev/XOemPdev.h"
#include "zqutil/Crc32.h"
#include "zqutil/DataCache.h"
#include "zqutil/PrinterDataNames.h"

namespace {

platform::host::PrinterDescription Description(bool color) {
  platform::host::PrinterDescription printer;
  printer.name = u"Office";
  printer.port = u"IP_192.0.2.10";
  printer.driverName = u"Demo PS Driver";
  printer.color = color;
  printer.resolutions = {{0, 300, 300}, {1, 1200, 1200}, {0, 600, 600}};
  return printer;
}

TEST(PluginWithPrinter, MergeKeepsTheDevmodeWithinTheDevice) {
  harness::TestPrinter printer(Description(/*color=*/false));
  harness::PluginHarness h;
  std::vector<std::uint8_t> in(3056, 0);
  std::vector<std::uint8_t> out(3056, 0);
  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  param.hPrinter = printer.handle;
  param.pOEMDMOut = in.data();
  param.cbBufSize = 3056;
  ASSERT_EQ(h.plugin->DevMode(OEMDM_DEFAULT, &param), S_OK);
  param.pOEMDMIn = in.data();
  param.pOEMDMOut = out.data();
  param.pPublicDMOut = h.Devmode();
  h.Devmode()->dmColor = DMCOLOR_COLOR;
  h.Devmode()->dmPrintQuality = 2400;
  h.Devmode()->dmYResolution = 2400;
  ASSERT_EQ(h.plugin->DevMode(OEMDM_MERGE, &param), S_OK);
  // Outside the spooler the merge writes the user's preferences into the section.
  XDevmode merged;
  ASSERT_TRUE(merged.Parse(out.data()));
  for (std::uint16_t entry : {3, 4, 5, 7, 8, 9}) {
    ByteBuffer value;
    EXPECT_TRUE(merged.GetEntry(entry, value)) << "entry " << entry;
  }
  EXPECT_EQ(h.Devmode()->dmColor, DMCOLOR_MONOCHROME);
  EXPECT_EQ(h.Devmode()->dmPrintQuality, 300) << "the first resolution of kind 0";
  EXPECT_EQ(h.Devmode()->dmYResolution, 300);

  // A listed resolution stays; inside the spooler nothing is constrained.
  h.Devmode()->dmPrintQuality = 600;
  h.Devmode()->dmYResolution = 600;
  ASSERT_EQ(h.plugin->DevMode(OEMDM_MERGE, &param), S_OK);
  EXPECT_EQ(h.Devmode()->dmPrintQuality, 600);
  platform::host::SetProcessImageName(u"C:\\Windows\\System32\\spoolsv.exe");
  h.Devmode()->dmColor = DMCOLOR_COLOR;
  ASSERT_EQ(h.plugin->DevMode(OEMDM_MERGE, &param), S_OK);
  EXPECT_EQ(h.Devmode()->dmColor, DMCOLOR_COLOR);
}

// Prepared capabilities that say nothing about colour (the colour flag of the
// general block is clear): the merge keeps the colour choice as it is.
TEST(PluginWithPrinter, MergeWithoutAColourAnswerKeepsTheColourChoice) {
  harness::TestPrinter printer(Description(/*color=*/false));
  ByteBuffer block;
  for (std::uint32_t word : {0x4u, 0u, 0u, 5u}) block.appendDword(word);  // copies only
  ByteBuffer stored;
  stored.appendDword(Crc32::GetCrc(block.getLpbyte(), block.size()));
  stored.append(block);
  DataCache(printer.handle, DataCache::kDefaultSignature).SetCachedValue(u"XDevCaps", stored, false);

  harness::PluginHarness h;
  std::vector<std::uint8_t> section(3056, 0);
  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  param.hPrinter = printer.handle;
  param.pOEMDMOut = section.data();
  param.cbBufSize = 3056;
  ASSERT_EQ(h.plugin->DevMode(OEMDM_DEFAULT, &param), S_OK);
  param.pOEMDMIn = section.data();
  param.pPublicDMOut = h.Devmode();
  for (short color : {short{DMCOLOR_COLOR}, short{DMCOLOR_MONOCHROME}}) {
    h.Devmode()->dmColor = color;
    ASSERT_EQ(h.plugin->DevMode(OEMDM_MERGE, &param), S_OK);
    EXPECT_EQ(h.Devmode()->dmColor, color);
  }
}

TEST(PluginWithPrinter, DeviceContextTakesTheControllerFamilyOfThePrinter) {
  harness::TestPrinter printer(Description(true));
  printer.SetDword(u"XControllerFamily", 7431);
  harness::PluginHarness h;
  h.devobj.hPrinter = printer.handle;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  EXPECT_EQ(static_cast<XOemPdevPs*>(h.devobj.pdevOEM)->controllerFamily, 7431u);
  EXPECT_EQ(static_cast<XOemPdevPs*>(h.devobj.pdevOEM)->faxBlock->controllerFamily, 7431u);
}

TEST(PluginWithPrinter, IdentificationLinesNameTheDriverAndTheSpoolerContext) {
  harness::TestPrinter printer(Description(true));
  printer.SetText(u"XDriverVersion", u"3.1.4.1");
  printer.SetText(u"XDriverLanguage", u"German");
  platform::host::SetProcessImageName(u"C:\\Windows\\System32\\spoolsv.exe");
  harness::PluginHarness h;
  h.devobj.hPrinter = printer.handle;
  AttributeBytesList settings;
  settings.SetOptionValue(285, 7432);
  h.SetSettings(settings);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  h.Command(PSINJECT_PSADOBE);
  const std::string adobe = h.driver->BytesAt(PSINJECT_PSADOBE);
  EXPECT_EQ(adobe.rfind("%%DriverName: Demo PS Driver\n%%DriverLanguage: German\n%%DriverBuildVer: 3.1.4.1\n", 0), 0u)
      << adobe;
  EXPECT_NE(adobe.find("\n%%Copyright (C) 2024-2026 The RenPS Authors\n%%All rights reserved.\n%%RenOSVer: "),
            std::string::npos)
      << adobe;
  EXPECT_NE(adobe.find("\n%%DataType: EMF\n"), std::string::npos);
}

TEST(PluginWithPrinter, OutputPassesThroughToThePrinterUnlessRefused) {
  harness::TestPrinter printer(Description(true));
  harness::PluginHarness h;
  h.devobj.hPrinter = printer.handle;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  DWORD written = 0;
  EXPECT_EQ(h.plugin->WritePrinter(nullptr, nullptr, 0, &written), S_OK) << "the driver's probe";
  std::string data = "%!PS-Adobe-3.0\nshowpage\n";
  EXPECT_EQ(h.plugin->WritePrinter(&h.devobj, data.data(), static_cast<DWORD>(data.size()), &written), S_OK);
  EXPECT_EQ(written, data.size());
  EXPECT_EQ(printer.spooled, data);
  static_cast<XOemPdev*>(h.devobj.pdevOEM)->SetLong(kPdevOutputRefused, 1);
  EXPECT_EQ(h.plugin->WritePrinter(&h.devobj, data.data(), static_cast<DWORD>(data.size()), &written), E_FAIL);
  EXPECT_EQ(printer.spooled, data);
}

TEST(PluginWithPrinter, CapturedJobIsResentWithoutItsClosingCtrlD) {
  harness::TestPrinter printer(Description(true));
  harness::PluginHarness h;
  h.devobj.hPrinter = printer.handle;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  auto& pdev = *static_cast<XOemPdev*>(h.devobj.pdevOEM);
  pdev.SetLong(kPdevBookletMode, 1);
  DWORD written = 0;
  std::string first = "%!PS-Adobe-3.0\n";
  ASSERT_EQ(h.plugin->WritePrinter(&h.devobj, first.data(), static_cast<DWORD>(first.size()), &written), S_OK);
  EXPECT_EQ(printer.spooled, "") << "captured, not sent";
  CXString path;
  ASSERT_TRUE(pdev.GetString(kPdevSpoolFilePath, path));
  h.output.clear();
  h.Command(PSINJECT_ENDSTREAM);
  ASSERT_EQ(h.output, std::string("\x04", 1));
  std::string last = "%%EOF\n\x04";
  ASSERT_EQ(h.plugin->WritePrinter(&h.devobj, last.data(), static_cast<DWORD>(last.size()), &written), S_OK);
  EXPECT_EQ(written, last.size()) << "the dropped Ctrl-D counts as written";
  EXPECT_EQ(printer.spooled, "%!PS-Adobe-3.0\n%%EOF\n");
  EXPECT_FALSE(std::ifstream(path.ToUtf8()).good()) << "the spool file is deleted after the re-send";
}

TEST(PluginWithPrinter, NegativeImageOnAMonochromeDevicePaintsTheSheetWhite) {
  harness::TestPrinter printer(Description(false));
  printer.SetDword(u"XColorMode", 0x2000);
  harness::PluginHarness h;
  h.devobj.hPrinter = printer.handle;
  driversim::DriverOptions negative;
  negative.negative = true;
  h.SetSettings(AttributeBytesList{}, {}, negative);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  h.StartPage();
  h.Command(PSINJECT_ENDPAGESETUP);
  EXPECT_EQ(h.output, "gsave 1 setgray -4800 -4800 86400 86400 rectfill grestore\r\n");

  harness::PluginHarness positive;
  positive.devobj.hPrinter = printer.handle;
  positive.SetSettings(AttributeBytesList{});
  ASSERT_EQ(positive.EnablePdev(), S_OK);
  positive.StartPage();
  positive.Command(PSINJECT_ENDPAGESETUP);
  EXPECT_EQ(positive.output, "");
}

}  // namespace
