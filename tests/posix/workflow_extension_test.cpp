// The workflow extension loader against our own extension module: the
// selector, detection among the driver's files, loading from the plug-in's
// directory, refusing a module without the exports, trying again after a
// failure, and the release with the plug-in object's slot.
#include <gtest/gtest.h>

#include <optional>

#include "ModuleDirectory.h"
#include "TestPrinter.h"
#include "workflow/WorkflowExtension.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"

namespace {

using harness::CountLines;
using harness::ReadLines;

platform::host::PrinterDescription Office(std::vector<std::u16string> dependentFiles = {}) {
  platform::host::PrinterDescription printer;
  printer.name = u"Office";
  printer.port = u"IP_192.0.2.10";
  printer.driverName = u"Demo PS Driver";
  printer.dependentFiles = std::move(dependentFiles);
  return printer;
}

// A stand-in plug-in directory with our extension as selector 2 and a module
// without the exports as selector 3; selector 1 has no file.
struct ExtensionDirectory : harness::ModuleDirectory {
  ExtensionDirectory() {
    Place("zqwfwuA2.so", "zqwfwuA2.so");
    Place("renps_test_module.so", "zqwfuvA2.so");
  }
  std::string log() const { return directory() / "workflow.log"; }
};

std::optional<DWORD> RecordedSelector(HANDLE hPrinter) {
  DWORD value = 0;
  if (!Printer(hPrinter).GetPrinterDataDword(CXString(PrinterDataNames::kWorkflowDll), value)) return std::nullopt;
  return value;
}

TEST(WorkflowExtension, SelectorNamesTheModuleLoadedBesideThePlugin) {
  struct Case {
    DWORD selector;
    bool loaded;
  } cases[] = {
      {0, false},  // none
      {1, false},  // its file is not installed
      {2, true},   // our extension
      {3, false},  // a module without GetWorkflowObject and ReleaseWorkflowObject
      {4, false},  // past the last selector
      {7, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    harness::TestPrinter printer(Office());
    ExtensionDirectory directory;
    printer.SetText(u"RenpsWorkflowLog", platform::FromUtf8(directory.log()));
    printer.SetDword(PrinterDataNames::kWorkflowDll, c.selector);
    {
      WorkflowExtension extension;
      extension.SetOwner(directory.anchor(), nullptr);
      EXPECT_EQ(extension.Ensure(printer.handle) != nullptr, c.loaded);
      EXPECT_EQ(extension.IsModuleLoaded(), c.loaded);
    }
    EXPECT_EQ(!ReadLines(directory.log()).empty(), c.loaded) << "only our extension writes the log";
  }
}

TEST(WorkflowExtension, MissingModuleIsTriedAgainAtTheNextCall) {
  harness::TestPrinter printer(Office());
  harness::ModuleDirectory directory;
  printer.SetDword(PrinterDataNames::kWorkflowDll, 2);
  WorkflowExtension extension;
  extension.SetOwner(directory.anchor(), nullptr);
  EXPECT_EQ(extension.Ensure(printer.handle), nullptr);
  directory.Place("zqwfwuA2.so", "zqwfwuA2.so");
  EXPECT_NE(extension.Ensure(printer.handle), nullptr);
}

TEST(WorkflowExtension, ModuleWithoutTheExportsIsRefusedAndReportedOnce) {
  harness::TestPrinter printer(Office());
  ExtensionDirectory directory;
  std::vector<std::u16string> debug;
  platform::host::SetDebugLogSink([&](std::u16string_view line) { debug.emplace_back(line); });
  printer.SetDword(PrinterDataNames::kWorkflowDll, 3);
  WorkflowExtension extension;
  extension.SetOwner(directory.anchor(), nullptr);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(extension.Ensure(printer.handle), nullptr);
    EXPECT_FALSE(extension.IsModuleLoaded());
  }
  int refusals = 0;
  for (const auto& line : debug) refusals += line.find(u"zqwfuvA2.dll: refused") != std::u16string::npos ? 1 : 0;
  EXPECT_EQ(refusals, 1);
}

TEST(WorkflowExtension, DetectionFindsTheFirstExtensionAmongTheDriverFilesAndRecordsIt) {
  struct Case {
    std::vector<std::u16string> files;
    std::optional<DWORD> recorded;
  } cases[] = {
      {{u"PSCRIPT5.DLL", u"ZQWFWUA2.DLL"}, 2},  // names compare without case
      {{u"zqwfuvA2.dll", u"zqwfwuA2.dll"}, 2},  // searched in selector order, not file order
      {{u"zqwfuvA2.dll"}, 3},                   // recorded even though that module is refused
      {{u"PSCRIPT5.DLL", u"zqwfwuA2.dl"}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files.back().size());
    harness::TestPrinter printer(Office(c.files));
    ExtensionDirectory directory;
    WorkflowExtension extension;
    extension.SetOwner(directory.anchor(), nullptr);
    EXPECT_EQ(extension.Ensure(printer.handle) != nullptr, c.recorded == DWORD{2});
    EXPECT_EQ(RecordedSelector(printer.handle), c.recorded);
  }
}

}  // namespace
