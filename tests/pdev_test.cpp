// Device contexts: what EnablePDEV, ResetPDEV and DisablePDEV keep, the state
// store and its escapes, and the hooks around documents and pages.
#include <gtest/gtest.h>

#include <cstring>

#include "PluginHarness.h"
#include "pdev/XOemPdev.h"

namespace {

XOemPdevPs& Pdev(harness::PluginHarness& h) {
  return *static_cast<XOemPdevPs*>(h.devobj.pdevOEM);
}

struct StoreRequest {
  std::uint32_t key;
  std::uint32_t length;
  std::uint8_t bytes[3];
};

TEST(PdevState, EnableFindsTheDriverHooksThatExist) {
  harness::PluginHarness h;
  ASSERT_EQ(h.EnablePdev(/*withEscapeHook=*/false), S_OK);
  XOemPdevPs& pdev = Pdev(h);
  EXPECT_EQ(pdev.drvEscape, nullptr);
  EXPECT_NE(pdev.drvStartDoc, nullptr);
  EXPECT_NE(pdev.drvEndDoc, nullptr);
  EXPECT_NE(pdev.drvStartPage, nullptr);
  EXPECT_NE(pdev.drvSendPage, nullptr);
  ByteBuffer copy;
  ASSERT_TRUE(pdev.GetBuffer(kPdevPublicDevmode, copy));
  EXPECT_EQ(copy.bytes(), h.devmode);
  ASSERT_TRUE(pdev.GetBuffer(kPdevSettingsCache, copy));
  EXPECT_TRUE(copy.empty());
  EXPECT_EQ(pdev.controllerFamily, 4001u);
  EXPECT_EQ(pdev.outputOptions, 0x400u);
}

TEST(PdevState, Feature155NumberStopsJournaling) {
  harness::PluginHarness h;
  AttributeBytesList settings;
  settings.SetNewValueId(155, u"2");
  h.SetSettings(settings);
  h.devInfo.flGraphicsCaps = 0x1;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  EXPECT_EQ(Pdev(h).snippetBlock->feature155Number, 2);
  EXPECT_EQ(h.devInfo.flGraphicsCaps, 0x1u | GCAPS_DONTJOURNAL);
  EXPECT_EQ(h.Escape(0xF4357632, 0, nullptr, 0, nullptr), 1u);

  harness::PluginHarness plain;
  plain.SetSettings(AttributeBytesList{});
  plain.devInfo.flGraphicsCaps = 0x1;
  ASSERT_EQ(plain.EnablePdev(), S_OK);
  EXPECT_EQ(Pdev(plain).snippetBlock->feature155Number, 0);
  EXPECT_EQ(plain.devInfo.flGraphicsCaps, 0x1u);
  EXPECT_EQ(plain.Escape(0xF4357632, 0, nullptr, 0, nullptr), 0u);
}

TEST(PdevState, FaxOutputModeStopsJournaling) {
  harness::PluginHarness h;
  AttributeBytesList settings;
  settings.SetOptionValue(36, 6894);
  h.SetSettings(settings);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  EXPECT_EQ(Pdev(h).faxBlock->outputMode, 6894u);
  EXPECT_NE(h.devInfo.flGraphicsCaps & GCAPS_DONTJOURNAL, 0u);
}

TEST(PdevState, StoreEscapesRoundTripAndRefuseShortBuffers) {
  harness::PluginHarness h;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  StoreRequest request{40, 3, {0x41, 0x42, 0x43}};
  DWORD status = 0;
  EXPECT_EQ(h.Escape(0xF43574AA, 11, &request, 4, &status), static_cast<ULONG>(E_FAIL)) << "cjIn below 12";
  EXPECT_EQ(status, static_cast<DWORD>(E_FAIL));
  request.length = 5;
  EXPECT_EQ(h.Escape(0xF43574AA, 12, &request, 4, &status), static_cast<ULONG>(E_FAIL))
      << "five bytes claimed, four handed in";
  request.length = 3;
  EXPECT_EQ(h.Escape(0xF43574AA, 12, &request, 4, &status), 1u);
  EXPECT_EQ(status, 1u);

  std::uint32_t key = 40;
  DWORD length = 0;
  EXPECT_EQ(h.Escape(0xF43574AB, 4, &key, 4, &length), 1u);
  EXPECT_EQ(length, 3u);
  std::uint8_t small[2] = {0xEE, 0xEE};
  EXPECT_EQ(h.Escape(0xF43574AC, 4, &key, 2, small), static_cast<ULONG>(E_FAIL));
  EXPECT_EQ(small[0], 0);
  EXPECT_EQ(small[1], 0);
  std::uint8_t bytes[8] = {};
  EXPECT_EQ(h.Escape(0xF43574AC, 4, &key, sizeof bytes, bytes), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes)), "ABC");
  key = 41;
  EXPECT_EQ(h.Escape(0xF43574AB, 4, &key, 4, &length), static_cast<ULONG>(E_FAIL));
  EXPECT_EQ(harness::HookLog().escape, 0) << "answered escapes never reach the driver";
}

TEST(PdevState, DocumentAndPageHooksKeepJobValues) {
  harness::PluginHarness h;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  XOemPdevPs& pdev = Pdev(h);
  EXPECT_TRUE(h.StartDoc(u"Report", 17));
  EXPECT_TRUE(h.StartPage());
  EXPECT_TRUE(h.SendPage());
  EXPECT_TRUE(h.StartPage());
  DWORD value = 0;
  EXPECT_TRUE(pdev.GetLong(kPdevJobId, value));
  EXPECT_EQ(value, 17u);
  CXString name;
  EXPECT_TRUE(pdev.GetString(kPdevDocumentName, name));
  EXPECT_EQ(name.str(), u"Report");
  EXPECT_TRUE(pdev.GetLong(kPdevPageNumber, value));
  EXPECT_EQ(value, 2u);
  EXPECT_EQ(pdev.pageCounter, 2u);
  EXPECT_TRUE(h.EndDoc());
  EXPECT_EQ(harness::HookLog().startDoc, 1);
  EXPECT_EQ(harness::HookLog().startPage, 2);
  EXPECT_EQ(harness::HookLog().sendPage, 1);
  EXPECT_EQ(harness::HookLog().endDoc, 1);
  // Only the devmode copy survives the end of the document; the page counter goes on.
  ByteBuffer copy;
  EXPECT_TRUE(pdev.GetBuffer(kPdevPublicDevmode, copy));
  EXPECT_FALSE(pdev.GetLong(kPdevJobId, value));
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(pdev.store.size(), 1u);
  EXPECT_EQ(pdev.pageCounter, 2u);

  // A job without a job id stores none.
  EXPECT_TRUE(h.StartDoc(nullptr, 0));
  EXPECT_FALSE(pdev.GetLong(kPdevJobId, value));
  EXPECT_FALSE(pdev.GetString(kPdevDocumentName, name));
}

// Resetting to a second device context: which devmode changes count.
struct ResetCase {
  const char* what;
  void (*change)(DEVMODEW&);
  std::uint32_t pages;
  bool changed;
};

TEST(PdevState, ResetCarriesStateAndReportsRealDevmodeChanges) {
  const ResetCase cases[] = {
      {"nothing", [](DEVMODEW&) {}, 0, false},
      {"orientation", [](DEVMODEW& d) { d.dmOrientation = 2; }, 0, false},
      {"field mask", [](DEVMODEW& d) { d.dmFields ^= DM_TTOPTION; }, 0, false},
      {"collation on page 1", [](DEVMODEW& d) { d.dmCollate = 0; }, 1, true},
      {"collation on page 2", [](DEVMODEW& d) { d.dmCollate = 0; }, 2, false},
      {"paper size", [](DEVMODEW& d) { d.dmPaperSize = 1; }, 3, true},
      {"copies", [](DEVMODEW& d) { d.dmCopies = 4; }, 3, true},
  };
  for (const ResetCase& c : cases) {
    SCOPED_TRACE(c.what);
    harness::PluginHarness h;
    ASSERT_EQ(h.EnablePdev(), S_OK);
    h.StartDoc(u"Doc", 9);
    for (std::uint32_t p = 0; p < c.pages; ++p) h.StartPage();
    Pdev(h).snippetBlock->pageBlock = std::make_unique<ByteBuffer>(ByteBuffer::createFromLongValue(5));

    std::vector<std::uint8_t> newDevmode = h.devmode;
    c.change(*reinterpret_cast<DEVMODEW*>(newDevmode.data()));
    DEVOBJ newObj = h.devobj;
    newObj.pPublicDM = reinterpret_cast<DEVMODEW*>(newDevmode.data());
    PDEVOEM newPdev = nullptr;
    auto hooks = harness::DriverHooks();
    DRVENABLEDATA ded{DDI_DRIVER_VERSION_NT5_01, static_cast<ULONG>(hooks.size()), hooks.data()};
    DEVINFO info{};
    ASSERT_EQ(h.plugin->EnablePDEV(&newObj, nullptr, 0, nullptr, 0, nullptr, sizeof info, &info, &ded, &newPdev), S_OK);
    newObj.pdevOEM = newPdev;
    ASSERT_EQ(h.plugin->ResetPDEV(&h.devobj, &newObj), S_OK);
    auto& fresh = *static_cast<XOemPdevPs*>(newPdev);
    DWORD value = 0;
    EXPECT_EQ(fresh.GetLong(kPdevDevmodeChanged, value), c.changed);
    EXPECT_TRUE(fresh.GetLong(kPdevJobId, value));
    EXPECT_EQ(value, 9u);
    EXPECT_EQ(fresh.pageCounter, c.pages);
    EXPECT_TRUE(fresh.snippetBlock->pageBlock != nullptr);
    EXPECT_TRUE(Pdev(h).snippetBlock->pageBlock == nullptr);
    ByteBuffer copy;
    ASSERT_TRUE(fresh.GetBuffer(kPdevPublicDevmode, copy));
    EXPECT_EQ(copy.bytes(), newDevmode);
    EXPECT_EQ(h.plugin->DisablePDEV(&newObj), S_OK);
  }
}

}  // namespace
