// Application snippets and fax data handed over by escapes, and what reaches
// the spool stream from them.
#include <gtest/gtest.h>

#include <cstring>

#include "PluginHarness.h"
#include "com/RenPs.h"
#include "jobdata/FaxJob.h"
#include "pdev/XOemPdev.h"

using namespace renpsoem;

namespace {

constexpr ULONG kSnippets = 0xF4357504;
constexpr ULONG kDestinations = 0xF43575CC;
constexpr ULONG kCover = 0xF43575CD;

XOemPdevPs& Pdev(harness::PluginHarness& h) {
  return *static_cast<XOemPdevPs*>(h.devobj.pdevOEM);
}

// The escape's input: a 32-byte head, then the page, end and setup sections.
std::vector<std::uint8_t> SnippetInput(std::uint32_t flags, const std::string& page, const std::string& end,
                                       const std::string& setup) {
  const std::string data = page + end + setup;
  std::vector<std::uint8_t> in(32 + data.size());
  std::memcpy(in.data() + 32, data.data(), data.size());
  auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(in.data() + at, &v, 4); };
  put(0, static_cast<std::uint32_t>(in.size()));
  put(4, flags);
  const std::uint32_t parts[3][2] = {{8, static_cast<std::uint32_t>(page.size())},
                                     {16, static_cast<std::uint32_t>(end.size())},
                                     {24, static_cast<std::uint32_t>(setup.size())}};
  std::uint32_t offset = 32;
  for (const auto& part : parts) {
    put(part[0], offset);
    put(part[0] + 4, part[1]);
    offset += part[1];
  }
  return in;
}

std::string RunPages(harness::PluginHarness& h, int pages) {
  std::string trace;
  h.Command(PSINJECT_ENDSETUP);
  trace += "[setup]" + h.output;
  for (int p = 0; p < pages; ++p) {
    h.output.clear();
    h.StartPage();
    h.Command(PSINJECT_ENDPAGESETUP);
    trace += "[pagesetup]" + h.output;
    h.output.clear();
    h.SendPage();
    trace += "[send]" + h.output;
  }
  h.output.clear();
  h.EndDoc();
  return trace + "[end]" + h.output;
}

TEST(Snippets, FlagsChooseTheMomentAndThePages) {
  struct Case {
    std::uint32_t flags;
    const char* expected;
  };
  const Case cases[] = {
      {0x10, "[setup]S[pagesetup]false dup P[send][pagesetup]true dup P[send][pagesetup]false dup P[send][end]E"},
      {0x00, "[setup]S[pagesetup][send]false dup P[pagesetup][send]true dup P[pagesetup][send]false dup P[end]E"},
      {0x30, "[setup]S[pagesetup]false dup P[send][pagesetup][send][pagesetup][send][end]E"},
  };
  for (const Case& c : cases) {
    harness::PluginHarness h;
    ASSERT_EQ(h.EnablePdev(), S_OK);
    auto in = SnippetInput(c.flags, "P", "E", "S");
    EXPECT_EQ(h.Escape(kSnippets, static_cast<ULONG>(in.size()), in.data(), 0, nullptr), 1u);
    EXPECT_EQ(RunPages(h, 3), c.expected) << "flags " << c.flags;
  }
}

TEST(Snippets, ArrivingAfterTheFirstPageSetupWritesSetupAtOnce) {
  harness::PluginHarness h;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  h.StartPage();
  h.Command(PSINJECT_ENDPAGESETUP);
  EXPECT_EQ(h.output, "");
  auto in = SnippetInput(0x10, "P", "E", "S");
  std::uint8_t status = 9;
  EXPECT_EQ(h.Escape(kSnippets, static_cast<ULONG>(in.size()), in.data(), 1, &status), 1u);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(h.output, "Sfalse dup P");
  h.output.clear();
  h.Command(PSINJECT_ENDSETUP);
  EXPECT_EQ(h.output, "") << "the setup section is written once";
}

TEST(Snippets, SectionsOutsideTheInputAreRefused) {
  harness::PluginHarness h;
  ASSERT_EQ(h.EnablePdev(), S_OK);
  auto in = SnippetInput(0x10, "PAGE", "E", "S");
  std::uint32_t hugeLength = 0xFFFFFFF0;
  std::memcpy(in.data() + 12, &hugeLength, 4);
  EXPECT_EQ(h.Escape(kSnippets, static_cast<ULONG>(in.size()), in.data(), 0, nullptr), static_cast<ULONG>(E_FAIL));
  auto good = SnippetInput(0x10, "PAGE", "E", "S");
  EXPECT_EQ(h.Escape(kSnippets, static_cast<ULONG>(good.size()) - 1, good.data(), 0, nullptr),
            static_cast<ULONG>(E_FAIL))
      << "the setup section's last byte lies beyond cjIn";
  std::uint8_t wide[4] = {9, 9, 9, 9};
  EXPECT_EQ(h.Escape(kSnippets, static_cast<ULONG>(good.size()), good.data(), 4, wide), static_cast<ULONG>(E_FAIL))
      << "only no output or a one-byte output is accepted";
  EXPECT_EQ(wide[0], 0);
  EXPECT_TRUE(Pdev(h).snippetBlock->pageBlock == nullptr);
}

// A destination list of 104-byte records: phone at 0, mailbox at 94.
std::vector<std::uint8_t> Destinations(std::initializer_list<std::pair<std::u16string, std::u16string>> list) {
  std::vector<std::uint8_t> data(4 + 104 * list.size(), 0);
  const auto count = static_cast<std::uint32_t>(list.size());
  std::memcpy(data.data(), &count, 4);
  std::size_t i = 0;
  for (const auto& [phone, mailbox] : list) {
    std::memcpy(data.data() + 4 + 104 * i, phone.data(), phone.size() * 2);
    std::memcpy(data.data() + 4 + 104 * i + 94, mailbox.data(), mailbox.size() * 2);
    ++i;
  }
  return data;
}

AttributeBytesList FaxSettings() {
  AttributeBytesList settings;
  settings.SetOptionValue(36, 6894);
  AttributeBytesList fax;
  fax.SetOptionValue(337, 7221);
  fax.SetOptionValue(348, 7112);
  fax.SetOptionValue(347, 7102);
  fax.SetBooleanValue(339, true);
  fax.SetStringValue(345, u"9");
  settings.SetCollection(332, fax);
  return settings;
}

TEST(Fax, AttributesForEachDestinationInThePostScriptForm) {
  harness::PluginHarness h;
  h.SetSettings(FaxSettings());
  ASSERT_EQ(h.EnablePdev(), S_OK);
  auto list = Destinations({{u"5551234", u"12"}, {u"5559876", u""}});
  EXPECT_EQ(h.Escape(kDestinations, static_cast<ULONG>(list.size()), list.data(), 0, nullptr), 1u);
  EXPECT_EQ(h.Escape(kDestinations, static_cast<ULONG>(list.size()), list.data(), 0, nullptr),
            static_cast<ULONG>(E_FAIL))
      << "only the first list is kept";
  const std::string cover = "%cover page\n";
  EXPECT_EQ(h.Escape(kCover, static_cast<ULONG>(cover.size()), cover.data(), 0, nullptr), 1u);

  DWORD result = 0;
  EXPECT_EQ(h.Command(PSINJECT_BEGINSTREAM, &result), S_OK);
  EXPECT_EQ(h.output,
            "%%OID_ATT_FAX_COVER_SHEET TRUE;\n"
            "%%OID_ATT_FAX_CONFIRMATION_SHEET TRUE;\n"
            "%%OID_ATT_FAX_RESOLUTION 2;\n"
            "%%OID_ATT_FAX_TYPE OID_VAL_FAX_TYPE_G3_14000;\n"
            "%%OID_ATT_FAX_DESTINATION_PHONE \"9,5551234\";\n"
            "%%OID_ATT_FAX_MAILBOX 12;\n"
            "%%OID_ATT_FAX_DESTINATION_PHONE \"9,5559876\";\n");
  h.output.clear();
  EXPECT_EQ(h.Command(PSINJECT_BEGINPROLOG, &result), S_OK);
  EXPECT_EQ(h.output, cover);
  h.output.clear();
  EXPECT_EQ(h.Command(PSINJECT_BEGINPROLOG, &result), E_FAIL) << "the cover is written once";
  EXPECT_EQ(h.output, "");
}

TEST(Fax, NoAttributesUnlessTheOutputIsFax) {
  harness::PluginHarness h;
  AttributeBytesList settings = FaxSettings();
  settings.SetOptionValue(36, 6890);
  h.SetSettings(settings);
  ASSERT_EQ(h.EnablePdev(), S_OK);
  auto list = Destinations({{u"5551234", u""}});
  EXPECT_EQ(h.Escape(kDestinations, static_cast<ULONG>(list.size()), list.data(), 0, nullptr), 1u);
  h.Command(PSINJECT_BEGINSTREAM);
  h.Command(PSINJECT_PSADOBE);
  EXPECT_EQ(h.output, "");
  // A count larger than the records handed over is refused.
  harness::PluginHarness other;
  ASSERT_EQ(other.EnablePdev(), S_OK);
  auto shortList = Destinations({{u"1", u""}});
  const std::uint32_t claimed = 3;
  std::memcpy(shortList.data(), &claimed, 4);
  EXPECT_EQ(other.Escape(kDestinations, static_cast<ULONG>(shortList.size()), shortList.data(), 0, nullptr),
            static_cast<ULONG>(E_FAIL));
}

TEST(Fax, DelayedSendMovesToTheNextDayWhenTheTimeHasPassed) {
  struct Case {
    SYSTEMTIME now;
    int hour, minute;
    const char16_t* expected;
  };
  const Case cases[] = {
      {{2023, 12, 0, 31, 23, 45, 0, 0}, 23, 30, u"20240101233000"},
      {{2023, 12, 0, 31, 23, 30, 0, 0}, 23, 30, u"20231231233000"},
      {{2024, 2, 0, 28, 10, 0, 0, 0}, 9, 5, u"20240229090500"},
      {{2023, 2, 0, 28, 10, 0, 0, 0}, 9, 5, u"20230301090500"},
      {{2024, 4, 0, 30, 8, 1, 0, 0}, 8, 0, u"20240501080000"},
      {{2024, 5, 0, 30, 8, 1, 0, 0}, 8, 0, u"20240531080000"},
      {{2024, 6, 0, 15, 7, 0, 0, 0}, 18, 45, u"20240615184500"},
  };
  for (const Case& c : cases) EXPECT_EQ(FaxSendTime(c.now, c.hour, c.minute).str(), c.expected);
}

}  // namespace
