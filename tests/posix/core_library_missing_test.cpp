// The plug-in module installed without the core library (zqcoreA2 neither
// beside it nor in the driver directory's "3"): the one command that needs
// the library, the XML ticket at the start of the stream, answers E_FAIL and
// names the missing library; every other entry point goes on, and the job
// reaches the printer.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ModuleDirectory.h"
#include "PluginHarness.h"
#include "TestPrinter.h"
#include "zqcore/DataModelIds.h"
#include "zqutil/PersistentAttributes.h"
#include "zqutil/PrinterDataNames.h"

namespace {

using namespace DataModelIds;

struct Job {
  HRESULT enable = E_FAIL;
  std::vector<std::pair<DWORD, HRESULT>> commands;
  std::vector<HRESULT> writes;
  std::string bytes;
};

// The driver's part for a one-page job on an enabled device context.
Job PrintJob(harness::PluginHarness& h) {
  Job job;
  job.enable = h.EnablePdev();
  if (job.enable != S_OK) return job;
  auto command = [&](DWORD point) { job.commands.emplace_back(point, h.Command(point)); };
  auto flush = [&] {
    DWORD written = 0;
    job.writes.push_back(
        h.plugin->WritePrinter(&h.devobj, h.output.data(), static_cast<DWORD>(h.output.size()), &written));
    job.bytes += h.output;
    h.output.clear();
  };
  h.StartDoc(u"no core library", 21);
  for (DWORD point : {PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE, PSINJECT_BEGINPROLOG, PSINJECT_ENDPROLOG,
                      PSINJECT_BEGINSETUP, PSINJECT_ENDSETUP})
    command(point);
  flush();
  h.StartPage();
  command(PSINJECT_BEGINPAGESETUP);
  command(PSINJECT_ENDPAGESETUP);
  h.output += "(page) show showpage\n";
  command(PSINJECT_SHOWPAGE);
  h.SendPage();
  command(PSINJECT_TRAILER);
  command(PSINJECT_ENDSTREAM);
  flush();
  h.EndDoc();
  h.DisablePdev();
  return job;
}

TEST(CoreLibraryMissing, OnlyTheXmlTicketFailsAndTheJobGoesOn) {
  struct Case {
    const char* what;
    bool installed;
  } cases[] = {{"installed beside the plug-in", true}, {"installed nowhere", false}};
  // What each command answers with the library installed (the prolog's
  // answer, for one, depends on a fax cover): the first case.
  std::vector<std::vector<HRESULT>> installedResults;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The plug-in module as installed: our extension beside it, the core
    // library beside it or nowhere (the driver directory is empty).
    harness::ModuleDirectory directory;
    directory.Place("renpsoem.so", "renpsoem.so");
    directory.Place("zqwfwuA2.so", "zqwfwuA2.so");
    if (c.installed) directory.Place("zqcoreA2.so", "zqcoreA2.so");
    platform::host::PrinterDescription description;
    description.name = u"Office";
    description.port = u"IP_192.0.2.10";
    description.driverDirectory = platform::FromUtf8(directory.directory() / "drivers");
    harness::TestPrinter printer(description);
    printer.SetDword(PrinterDataNames::kWorkflowDll, 2);
    // No ticket form in the device settings: the XML ticket.
    PersistentAttributes image;
    image.SetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace, AttributeBytesList());
    ByteBuffer bytes = image.GetBytes();
    SetPrinterDataW(printer.handle, platform::W(const_cast<char16_t*>(PrinterDataNames::kDeviceSettings)), REG_BINARY,
                    bytes.getLpbyte(), static_cast<DWORD>(bytes.size()));
    std::string debug;
    platform::host::SetDebugLogSink([&](std::u16string_view line) { debug += platform::ToUtf8(line) + "\n"; });

    const std::string modulePath = directory.directory() / "renpsoem.so";
    HMODULE module = LoadLibraryExW(platform::W(platform::FromUtf8(modulePath).c_str()), nullptr, 0);
    ASSERT_NE(module, nullptr);
    auto getClassObject =
        FunctionCast<harness::PluginHarness::GetClassObject>(GetProcAddress(module, "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    {
      harness::PluginHarness h(getClassObject);
      AttributeBytesList settings;
      settings.SetOptionValue(kFeatureControllerFamily, kValueFamilyPlain);
      settings.SetBooleanValue(kFeatureJobTicketWanted, true);
      settings.SetStringValue(kFeatureJobName, u"Q3 report");
      h.SetSettings(settings);
      h.devobj.hPrinter = printer.handle;

      // Two jobs on one plug-in object: the ticket belongs to the first.
      for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first job" : "second job");
        printer.spooled.clear();
        const Job job = PrintJob(h);
        ASSERT_EQ(job.enable, S_OK);
        std::vector<HRESULT> results;
        for (const auto& command : job.commands) results.push_back(command.second);
        if (c.installed) {
          installedResults.push_back(results);
        } else {
          ASSERT_EQ(results.size(), installedResults.at(round).size());
          for (std::size_t i = 0; i < results.size(); ++i) {
            const DWORD point = job.commands[i].first;
            const bool needsLibrary = round == 0 && point == PSINJECT_BEGINSTREAM;
            EXPECT_EQ(results[i], needsLibrary ? E_FAIL : installedResults[round][i]) << "command " << point;
          }
        }
        if (c.installed) {
          EXPECT_EQ(results.front(), S_OK) << "the ticket is written when the library is there";
        }
        for (HRESULT hr : job.writes) EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(printer.spooled, job.bytes);
        EXPECT_NE(printer.spooled.find("(page) show showpage"), std::string::npos);
        EXPECT_EQ(printer.spooled.rfind("<?xml", 0) == 0, round == 0 && c.installed) << printer.spooled;
      }
    }
    EXPECT_EQ(debug.find("RenPs::Command: ExceptionLibraryNotLoaded") != std::string::npos, !c.installed) << debug;
    if (!c.installed) {
      EXPECT_NE(debug.find("zqcoreA2"), std::string::npos) << "the missing library is named";
    }
    platform::host::SetDebugLogSink(nullptr);
    FreeLibrary(module);
  }
}

}  // namespace
