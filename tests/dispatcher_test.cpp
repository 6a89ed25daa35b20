// The injection dispatcher through the COM interface: when the family
// emitters run, how entries are written per point and per page, the fixed
// per-point work, and the routing of escapes.
#include <gtest/gtest.h>

#include <cstring>

#include "PluginHarness.h"
#include "com/RenPs.h"
#include "pdev/XOemPdev.h"

namespace {

XOemPdevPs& Pdev(harness::PluginHarness& h) {
  return *static_cast<XOemPdevPs*>(h.devobj.pdevOEM);
}
InjectionList& List(harness::PluginHarness& h) {
  return static_cast<RenPs*>(h.plugin)->Context().injectionList;
}

void Append(harness::PluginHarness& h, const std::string& text, std::uint32_t index, bool once) {
  InjectionEntry entry;
  entry.data.setWithLpbyte(text.data(), text.size());
  entry.injectionIndex = index;
  entry.once = once;
  List(h).push_back(entry);
}

AttributeBytesList PlainFamily() {
  AttributeBytesList settings;
  settings.SetOptionValue(285, 7432);
  return settings;
}

TEST(Dispatcher, EmittersWaitForTheFirstDevmodeWithASection) {
  harness::PluginHarness h;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  DWORD result = 0;
  EXPECT_EQ(h.Command(PSINJECT_BEGINSTREAM, &result), S_OK);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_FALSE(static_cast<RenPs*>(h.plugin)->Context().injectionListGenerated);

  h.SetSettings(PlainFamily());
  h.devobj.pPublicDM = h.Devmode();
  EXPECT_EQ(h.Command(PSINJECT_PSADOBE, &result), S_OK);
  EXPECT_TRUE(static_cast<RenPs*>(h.plugin)->Context().injectionListGenerated);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_NE(h.driver->BytesAt(PSINJECT_PSADOBE).find("%%DriverName: "), std::string::npos);
  // Entries are once: the second call at the point writes nothing.
  h.output.clear();
  EXPECT_EQ(h.Command(PSINJECT_PSADOBE, &result), S_OK);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(h.output.empty());
}

TEST(Dispatcher, EpsOrArchiveOutputGetsNoDeviceCode) {
  harness::PluginHarness h;
  driversim::DriverOptions options;
  options.outputFormat = 2;  // EPS
  h.SetSettings(PlainFamily(), {}, options);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  DWORD result = 0;
  EXPECT_EQ(h.Command(PSINJECT_BEGINSTREAM, &result), S_OK);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(h.Command(PSINJECT_PSADOBE, &result), S_OK);
  EXPECT_TRUE(h.output.empty());
  EXPECT_FALSE(static_cast<RenPs*>(h.plugin)->Context().injectionListGenerated);
}

TEST(Dispatcher, StayEntriesOncePerPageOnceEntriesOnce) {
  harness::PluginHarness h;
  h.SetSettings(AttributeBytesList{});
  ASSERT_EQ(h.EnablePdev(), S_OK);
  Append(h, "stay;", PSINJECT_ENDPAGESETUP, false);
  Append(h, "once;", PSINJECT_ENDPAGESETUP, true);
  h.StartPage();
  h.Command(PSINJECT_ENDPAGESETUP);
  h.Command(PSINJECT_ENDPAGESETUP);
  h.StartPage();
  h.Command(PSINJECT_ENDPAGESETUP);
  EXPECT_EQ(h.output, "stay;once;stay;");
  EXPECT_EQ(List(h).size(), 1u);
}

TEST(Dispatcher, OnceEntriesAtPageSetupNeedADevmodeChange) {
  harness::PluginHarness h;
  h.SetSettings(AttributeBytesList{});
  ASSERT_EQ(h.EnablePdev(), S_OK);
  Append(h, "first;", PSINJECT_BEGINPAGESETUP, true);
  Append(h, "second;", PSINJECT_BEGINPAGESETUP, true);
  h.StartPage();
  DWORD result = 0;
  h.Command(PSINJECT_BEGINPAGESETUP, &result);
  EXPECT_EQ(h.output, "") << "dropped without a devmode change";
  EXPECT_EQ(List(h).size(), 0u);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));

  Append(h, "third;", PSINJECT_BEGINPAGESETUP, true);
  Pdev(h).SetLong(kPdevDevmodeChanged, 1);
  h.StartPage();
  h.Command(PSINJECT_BEGINPAGESETUP);
  EXPECT_EQ(h.output, "third;");
  DWORD changed = 9;
  EXPECT_TRUE(Pdev(h).GetLong(kPdevDevmodeChanged, changed));
  EXPECT_EQ(changed, 0u) << "the change is consumed";
}

TEST(Dispatcher, ClosingCtrlDOnlyWhileCapturing) {
  harness::PluginHarness h;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  h.Command(PSINJECT_ENDSTREAM);
  EXPECT_EQ(h.output, "");
  Pdev(h).SetLong(kPdevCaptureActive, 1);
  DWORD result = 0;
  EXPECT_EQ(h.Command(PSINJECT_ENDSTREAM, &result), S_OK);
  EXPECT_EQ(h.output, std::string("\x04", 1));
  DWORD last = 0;
  EXPECT_TRUE(Pdev(h).GetLong(kPdevEndOfStream, last));
  EXPECT_EQ(last, 1u);
  h.Command(PSINJECT_ENDSTREAM);
  EXPECT_EQ(h.output, std::string("\x04\x04", 2));
}

TEST(Dispatcher, ResultsPerInjectionPoint) {
  harness::PluginHarness h;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  struct Case {
    DWORD index;
    HRESULT hr;
    DWORD result;
  };
  const Case cases[] = {
      {PSINJECT_BEGINSETUP, S_OK, ERROR_SUCCESS},    {PSINJECT_ENDSETUP, S_OK, ERROR_SUCCESS},
      {PSINJECT_SHOWPAGE, S_OK, ERROR_SUCCESS},      {PSINJECT_ENDPAGESETUP, S_OK, ERROR_SUCCESS},
      {PSINJECT_TRAILER, S_OK, ERROR_NOT_SUPPORTED}, {PSINJECT_VMRESTORE, S_OK, ERROR_NOT_SUPPORTED},
      {300, E_NOTIMPL, ERROR_NOT_SUPPORTED},         {PSINJECT_DLFONT, E_NOTIMPL, ERROR_NOT_SUPPORTED},
  };
  for (const Case& c : cases) {
    DWORD result = 12345;
    EXPECT_EQ(h.Command(c.index, &result), c.hr) << c.index;
    EXPECT_EQ(result, c.result) << c.index;
  }
  // The prolog without a fax cover reports the cover writer's failure.
  SetLastError(0);
  DWORD result = 0;
  EXPECT_EQ(h.Command(PSINJECT_BEGINPROLOG, &result), E_FAIL);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_WRITE_FAULT));
}

TEST(Dispatcher, EscapesGoToTheirOwnersThenToTheDriver) {
  harness::PluginHarness h;
  AttributeBytesList settings;
  settings.SetOptionValue(50, 7120);
  h.SetSettings(settings);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  DWORD asked = POSTSCRIPT_PASSTHROUGH;
  EXPECT_EQ(h.Escape(QUERYESCSUPPORT, 4, &asked, 0, nullptr), 0u);
  EXPECT_EQ(harness::HookLog().escape, 0);
  asked = 4113;  // not one the settings filter
  EXPECT_EQ(h.Escape(QUERYESCSUPPORT, 4, &asked, 0, nullptr), 77u);
  EXPECT_EQ(harness::HookLog().escape, 1);

  std::uint8_t identity = 0;
  EXPECT_EQ(h.Escape(0xF4357630, 0, nullptr, 1, &identity), 1u);
  EXPECT_EQ(identity, 2);
  EXPECT_EQ(h.Escape(0xF4357631, 0, nullptr, 0, nullptr), 2u);
  EXPECT_EQ(h.Escape(0xF4357630, 0, nullptr, 0, nullptr), 77u) << "no output buffer: offered on, then the driver";
  EXPECT_EQ(h.Escape(4200, 0, nullptr, 0, nullptr), 77u);
  EXPECT_EQ(h.Escape(0xF43574A1, 0, nullptr, 0, nullptr), 77u) << "a private escape nobody answers";
  EXPECT_EQ(harness::HookLog().escape, 4);

  harness::PluginHarness unfiltered;
  ASSERT_EQ(unfiltered.EnablePdev(), S_OK);
  asked = POSTSCRIPT_PASSTHROUGH;
  EXPECT_EQ(unfiltered.Escape(QUERYESCSUPPORT, 4, &asked, 0, nullptr), 77u);
}

}  // namespace
