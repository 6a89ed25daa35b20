// The job file of renps: every bad value is refused with the file and the
// JSON path, and the values that pass reach the spooler, the devmode and the
// settings image as written.
#include <gtest/gtest.h>

#include <string>

#include "JobFile.h"
#include "Settings.h"
#include "zqutil/PersistentAttributes.h"

namespace {

using renps::InputError;
using renps::ParseJobFile;

std::string ErrorOf(const std::string& text) {
  try {
    ParseJobFile(text, "job.json");
  } catch (const InputError& e) {
    return e.what();
  }
  return "";
}

TEST(JobFileTest, BadValuesAreNamedByFileAndPath) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {R"({"devmode": {"copies": "2"}})", "job.json: /devmode/copies: expected an integer, got a string"},
      {R"({"devmode": {"copies": 1.5}})", "job.json: /devmode/copies: expected an integer, got a fractional number"},
      {R"({"devmode": {"copies": 40000}})", "job.json: /devmode/copies: expected an integer from -32768 to 32767"},
      {R"({"devmod": {}})", "job.json: /devmod: unknown member"},
      {R"({"printer": {"driver": {"versio": "1"}}})", "job.json: /printer/driver/versio: unknown member"},
      {R"({"devmode": {"driver": {"pagesPerSheet": 6}}})",
       "job.json: /devmode/driver/pagesPerSheet: expected an integer from 0 to 5"},
      {R"({"devmode": {"formName": "0123456789012345678901234567890123"}})",
       "job.json: /devmode/formName: longer than 31 characters"},
      {R"({"printer": {"capabilities": {"resolutions": [[0, 600]]}}})",
       "job.json: /printer/capabilities/resolutions/0: expected [flag, x, y]"},
      {R"({"printer": {"printerData": {"X": {"hex": "0g"}}}})",
       "job.json: /printer/printerData/X/hex: expected hex digits, got \"0g\""},
      {R"({"printer": {"printerData": {"X": true}}})",
       "job.json: /printer/printerData/X: expected an integer, a string or {\"hex\": ...}, got a boolean"},
      {R"({"job": {"time": "2024-13-01T00:00:00"}})",
       "job.json: /job/time: expected a local time like 2024-05-17T09:30:00, got \"2024-13-01T00:00:00\""},
      {R"({"pdevState": {"x": 1}})", "job.json: /pdevState/x: expected a number as the member name"},
      {R"({"fax": {"destinations": [{"phone": 5551234}]}})",
       "job.json: /fax/destinations/0/phone: expected a string, got an integer"},
      {R"({"snippets": {"flags": 256}})", "job.json: /snippets/flags: expected an integer from 0 to 255"},
      {R"({"noPrivateSection": 1})", "job.json: /noPrivateSection: expected a boolean, got an integer"},
      {R"({"pageDevmode": {"0": {}}})", "job.json: /pageDevmode/0: expected a number as the member name"},
      {R"({"pageDevmode": {"2": {"copies": "x"}}})",
       "job.json: /pageDevmode/2/copies: expected an integer, got a string"},
      {R"({"settings": {"abc": 1}})", "job.json: /settings/abc: expected a feature number as the member name"},
      {R"({"settings": {"36": -1}})",
       "job.json: /settings/36: expected an option value (an integer from 0 to 4294967295), got a negative integer"},
      {R"({"settings": {"36": {"int": 1, "x": 2}}})", "job.json: /settings/36/x: unknown member"},
      {R"({"settings": {"36": {"paper": [2100]}}})",
       "job.json: /settings/36/paper: expected [width, length] in tenths of a millimetre"},
      {R"({"settings": {"36": [true]}})",
       "job.json: /settings/36/0: expected an option value, {\"name\": ...} or a collection, got a boolean"},
      {R"({"settings": {"332": {"x": 1}}})", "job.json: /settings/332/x: expected a feature number as the member name"},
      {R"([])", "job.json: /: expected an object, got an array"},
      // A number beyond every numeric type cannot even be read.
      {R"({"devmode": {"copies": 5e926}})", "job.json: number overflow parsing '5e926'"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), c.message) << c.text;
}

TEST(JobFileTest, SyntaxErrorsGiveLineAndColumn) {
  const std::string message = ErrorOf("{\n  \"devmode\": {\"copies\": 2,}\n}");
  EXPECT_EQ(message.rfind("job.json:2:27: ", 0), 0u) << message;
  EXPECT_EQ(ErrorOf("{\"a\": ").rfind("job.json:1:", 0), 0u);
}

TEST(JobFileTest, GivenValuesAndDefaultsAreKept) {
  const auto job = ParseJobFile(R"({
    "printer": {"name": "P1", "printerData": {"N": 7, "S": "text", "B": {"hex": "0a0B"}},
                "capabilities": {"color": false, "resolutions": [[0, 300, 300], [1, 600, 600]]}},
    "devmode": {"copies": 3, "formName": "Letter", "driver": {"booklet": true, "languageLevel": 2}},
    "job": {"time": "2023-12-31T23:45:01", "id": 9},
    "pdevState": {"8": 1, "13": "ab", "40": {"hex": "414243"}},
    "snippets": {"page": "x"},
    "fax": {"destinations": [{"phone": "1", "mailbox": "22"}], "cover": "c"}
  })",
                                "job.json");
  EXPECT_EQ(job.printer.name, u"P1");
  EXPECT_EQ(job.printer.port, u"IP_192.0.2.10");
  ASSERT_EQ(job.printer.printerData.size(), 3u);
  EXPECT_EQ(job.printer.printerData[0].first, u"N");
  EXPECT_EQ(job.printer.printerData[2].second.bytes, (std::vector<std::uint8_t>{0x0a, 0x0b}));
  EXPECT_FALSE(job.printer.color);
  EXPECT_EQ(job.printer.resolutions.size(), 2u);
  EXPECT_EQ(job.devmode.fields.copies, 3);
  EXPECT_EQ(job.devmode.fields.paperSize, 9);  // untouched default
  EXPECT_TRUE(job.devmode.driver.booklet);
  EXPECT_EQ(job.devmode.driver.languageLevel, 2u);
  EXPECT_EQ(job.job.year, 2023);
  EXPECT_EQ(job.job.second, 1);
  EXPECT_EQ(job.job.document, u"Document");
  // State values in the file's order: numbers as 32 bits, strings as UTF-16 with the terminator.
  ASSERT_EQ(job.pdevState.size(), 3u);
  EXPECT_EQ(job.pdevState[0].second, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(job.pdevState[1].second, (std::vector<std::uint8_t>{'a', 0, 'b', 0, 0, 0}));
  EXPECT_EQ(job.pdevState[2].second, (std::vector<std::uint8_t>{'A', 'B', 'C'}));
  ASSERT_TRUE(job.snippets.has_value());
  EXPECT_EQ(job.snippets->flags, 0x10u);
  ASSERT_TRUE(job.fax.has_value());
  EXPECT_EQ(job.fax->destinations[0].mailbox, u"22");
  EXPECT_TRUE(job.fax->hasCover);

  const auto empty = ParseJobFile("{}", "job.json");
  EXPECT_FALSE(empty.snippets.has_value());
  EXPECT_TRUE(empty.pdevState.empty());
  EXPECT_FALSE(empty.noPrivateSection);
}

TEST(JobFileTest, PageChangesApplyOnlyTheirMembers) {
  const auto job = ParseJobFile(R"({"devmode": {"copies": 2, "orientation": 1},
                                    "pageDevmode": {"3": {"orientation": 2, "driver": {"mirror": true}}}})",
                                "job.json");
  ASSERT_EQ(job.pageDevmodes.count(3), 1u);
  const auto changed = renps::ApplyDevmodeChange(job.devmode, job.pageDevmodes.at(3));
  EXPECT_EQ(changed.fields.orientation, 2);
  EXPECT_EQ(changed.fields.copies, 2);
  EXPECT_TRUE(changed.driver.mirror);
  EXPECT_FALSE(job.devmode.driver.mirror);
}

TEST(SettingsTest, EveryNotationReachesTheImageAsItsKind) {
  const auto json = nlohmann::ordered_json::parse(R"({
    "285": 7432, "155": {"name": "2"}, "160": {"option": 9000, "name": "Heavy Gloss"}, "42": "1234",
    "216": true, "152": {"int": -3}, "164": {"paper": [2100, 2970]}, "7": null,
    "332": {"337": 7221, "345": "9"},
    "500": [1, 2, 3], "501": [{"name": "A"}], "502": [{"1": 5}, {"1": 6}]
  })");
  renps::CheckSettings(json, "/settings", "job.json");
  const PersistentAttributes image(renps::BuildSettingsImage(json), true);
  const auto list = image.GetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace);

  AttributeBytesValueEnum option = 0;
  EXPECT_TRUE(list.GetOptionValue(285, option));
  EXPECT_EQ(option, 7432u);
  CXString text;
  EXPECT_TRUE(list.GetNewValueId(155, text));
  EXPECT_EQ(text.str(), u"2");
  EXPECT_TRUE(list.GetOptionValue(160, option));
  EXPECT_EQ(option, 9000u);
  EXPECT_TRUE(list.GetStringValue(42, text));
  EXPECT_EQ(text.str(), u"1234");
  bool flag = false;
  EXPECT_TRUE(list.GetBooleanValue(216, flag) && flag);
  std::int32_t n = 0, w = 0, l = 0;
  EXPECT_TRUE(list.GetIntegerValue(152, n));
  EXPECT_EQ(n, -3);
  EXPECT_TRUE(list.GetPaperSizeValues(164, w, l));
  EXPECT_EQ(w, 2100);
  EXPECT_EQ(l, 2970);
  EXPECT_TRUE(list.IsPresent(7));
  EXPECT_FALSE(list.IsSpecified(7));
  AttributeBytesIndexedList fax;
  ASSERT_TRUE(list.GetCollection(332, fax));
  EXPECT_TRUE(fax.GetOptionValue(337, option));
  EXPECT_EQ(option, 7221u);
  std::size_t count = 0;
  EXPECT_TRUE(list.GetListCount(500, count));
  EXPECT_EQ(count, 3u);
  EXPECT_TRUE(list.GetOptionValueByIndex(500, 2, option));
  EXPECT_EQ(option, 3u);
  EXPECT_TRUE(list.GetNewValueIdByIndex(501, 0, text));
  EXPECT_EQ(text.str(), u"A");
  AttributeBytesIndexedList item;
  EXPECT_TRUE(list.GetCollectionByIndex(502, 1, item));
  EXPECT_TRUE(item.GetOptionValue(1, option));
  EXPECT_EQ(option, 6u);
}

}  // namespace
