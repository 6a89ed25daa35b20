// The procset family against a printer of the POSIX spooler: commands from
// the printer description, the job patch, the spooler's job record and the
// driver's private capability.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DevmodeLayout.h"
#include "TestPrinter.h"
#include "families/procset/ProcSetFamily.h"
#include "injection/FeatureBlock.h"
#include "msdevmode/MsFeatureManager.h"
#include "pdev/XOemPdev.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/ResourceLoader.h"

using namespace renpsoem;

namespace {

std::vector<std::string> Texts(const InjectionList& list, DWORD point) {
  std::vector<std::string> texts;
  for (const auto& entry : list)
    if (entry.injectionIndex == point) texts.emplace_back(entry.data.bytes().begin(), entry.data.bytes().end());
  return texts;
}

platform::host::PrinterDescription Description(std::uint32_t fffa = 0) {
  platform::host::PrinterDescription d;
  d.name = u"Procset";
  d.port = u"IP_192.0.2.10";
  d.driverName = u"Demo PostScript";
  d.driverPrivateFFFA = fffa;
  return d;
}

InjectionList EmitFamily(HANDLE printer, const AttributeBytesList& settings, DWORD jobId = 0) {
  auto devmode = driversim::BuildDevmode({}, {});
  auto features = MsFeatureManager::CreateMsFeatureManagerFromDevmode(
      printer, reinterpret_cast<DEVMODEW*>(devmode.data()), 3, nullptr, 0x400, 0x1000);
  XOemPdev pdev;
  if (jobId != 0) pdev.SetLong(kPdevJobId, jobId);
  AttributeBytesListReader reader{AttributeBytesIndexedList(settings)};
  InjectionList list;
  EmitProcSetFamilySettings(printer, pdev, reader, *features, list);
  return list;
}

const FeatureCommandEntry kTable[] = {{4470, u"prnQuality", u"1200x1200", u"table code"}};

TEST(FeatureFromTableOnPrinter, CommandsOfThePrinterDescriptionWinOverTheTable) {
  harness::TestPrinter printer(Description());
  AttributeBytesList list;
  list.SetOptionValue(52, 4470);
  AttributeBytesListReader withValue{AttributeBytesIndexedList(list)};
  AttributeBytesListReader withoutValue;
  auto emit = [&](AttributeBytesReader& settings, bool useProduct) {
    InjectionList out;
    EmitFeatureFromTable(printer.handle, useProduct, 1, settings, 52, kTable, 1, out, PSINJECT_BEGINSETUP);
    return Texts(out, PSINJECT_BEGINSETUP);
  };
  EXPECT_EQ(emit(withValue, true), std::vector<std::string>{"table code"}) << "the description has none";

  printer.SetText(u"XPdlCommand:3:52:4470", u"\"/q 2\"\\n");
  EXPECT_EQ(emit(withValue, true), std::vector<std::string>{"\"/q 2\"\\n"}) << "written as the description has it";
  EXPECT_EQ(emit(withValue, false), std::vector<std::string>{"table code"});

  printer.SetText(u"XPdlCommand:3:52:", u"%feature\n");
  EXPECT_EQ(emit(withValue, true), (std::vector<std::string>{"%feature\n", "\"/q 2\"\\n"}));

  // A feature without a value asks for the command of "no value".
  printer.SetText(u"XPdlCommand:3:52:", u"");
  EXPECT_TRUE(emit(withoutValue, true).empty()) << "an empty command still ends the search";
  printer.SetText(u"XPdlCommand:3:52:4001", u"%unset\n");
  EXPECT_EQ(emit(withoutValue, true), std::vector<std::string>{"%unset\n"});
}

TEST(ProcSetOnPrinter, DriverCapabilityChoosesTheQualityTable) {
  AttributeBytesList settings;
  settings.SetOptionValue(52, 4472);
  {
    harness::TestPrinter printer(Description(0));
    EXPECT_TRUE(Texts(EmitFamily(printer.handle, settings), PSINJECT_BEGINSETUP).size() > 0);
    for (const auto& text : Texts(EmitFamily(printer.handle, settings), PSINJECT_BEGINSETUP))
      EXPECT_EQ(text.find("prnQuality"), std::string::npos) << "no table without the capability or feature 54";
  }
  harness::TestPrinter printer(Description(1));
  std::string quality;
  for (const auto& text : Texts(EmitFamily(printer.handle, settings), PSINJECT_BEGINSETUP))
    if (text.find("prnQuality") != std::string::npos) quality += text;
  EXPECT_EQ(quality,
            "\nfeaturebegin{\n%%BeginFeature: *prnQuality photo\n\t<<\n     /HWResolution [600 600]\n\t userdict "
            "/tamor$ValuesPerColorComponent 16 put\n   >> tamor$pagedevice copy pop \n%% End Feature\n"
            "}featurecleanup\n");
}

TEST(ProcSetOnPrinter, JobPatchFromTheProductOrFromOurResource) {
  static const char kPatch[] = "%!jobpatch\n/x 1 def\n";
  static int fakeModule = 0;
  const auto module = reinterpret_cast<HMODULE>(&fakeModule);
  const RenModuleResource table[] = {{u"PSPROC", nullptr, 0, 108, kPatch, sizeof kPatch - 1}};
  RenRegisterModuleResources(module, table, 1);
  const HMODULE saved = ResourceLoader::GetResourceModule();
  ResourceLoader::SetResourceModule(module);

  harness::TestPrinter printer(Description());
  EXPECT_EQ(Texts(EmitFamily(printer.handle, {}), PSINJECT_BEGINDEFAULTS), std::vector<std::string>{kPatch});
  printer.SetText(u"XPdlCommand:3:korvid-jobpatch-cmd:", u"%product patch\n");
  EXPECT_EQ(Texts(EmitFamily(printer.handle, {}), PSINJECT_BEGINDEFAULTS),
            std::vector<std::string>{"%product patch\n"});

  ResourceLoader::SetResourceModule(saved);
  RenRegisterModuleResources(module, nullptr, 0);
  ByteBuffer gone;
  EXPECT_FALSE(ResourceLoader::LoadCustomResource(module, u"PSPROC", 108, gone));
  EXPECT_TRUE(gone.empty());
}

TEST(ProcSetOnPrinter, OwnerAndClientJobIdFromTheSpoolersRecord) {
  harness::TestPrinter printer(Description());
  platform::host::SetJob(u"Procset", {7, u"carol.m", u"Report", u"WS-17"});
  const InjectionList list = EmitFamily(printer.handle, {}, 7);
  EXPECT_NE(Texts(list, PSINJECT_COMMENTS).at(0).find("\n(carol.m) /RRCustomProcs"), std::string::npos);
  EXPECT_NE(Texts(list, PSINJECT_ENDPROLOG).at(0).find("(7-carolm) logclientjobid"), std::string::npos);

  // A job the spooler does not know leaves the user empty; the key is the id alone.
  const InjectionList unknown = EmitFamily(printer.handle, {}, 8);
  EXPECT_NE(Texts(unknown, PSINJECT_COMMENTS).at(0).find("\n() /RRCustomProcs"), std::string::npos);
  EXPECT_NE(Texts(unknown, PSINJECT_ENDPROLOG).at(0).find("(8) logclientjobid"), std::string::npos);
}

}  // namespace
