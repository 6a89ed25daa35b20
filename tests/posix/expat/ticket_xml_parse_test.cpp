// The XML job ticket read back by expat: it is well-formed, and the values a
// parser reports are the settings' own, whatever characters they hold.
#include <expat.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/text.h"
#include "zqcore/TicketXml.h"

namespace {

struct Parsed {
  bool wellFormed = false;
  std::string error;
  // Feature id -> value attribute, for the top level.
  std::map<std::string, std::string> values;
  int depth = 0;
};

Parsed Parse(const ByteBuffer& xml) {
  Parsed parsed;
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUserData(parser, &parsed);
  XML_SetElementHandler(
      parser,
      [](void* data, const XML_Char* name, const XML_Char** attributes) {
        auto& p = *static_cast<Parsed*>(data);
        ++p.depth;
        if (p.depth != 2 || std::string(name) != "Feature") return;
        std::string id, value;
        for (int i = 0; attributes[i] != nullptr; i += 2) {
          if (std::string(attributes[i]) == "id") id = attributes[i + 1];
          if (std::string(attributes[i]) == "value") value = attributes[i + 1];
        }
        p.values[id] = value;
      },
      [](void* data, const XML_Char*) { --static_cast<Parsed*>(data)->depth; });
  parsed.wellFormed = XML_Parse(parser, reinterpret_cast<const char*>(xml.getLpbyte()), static_cast<int>(xml.size()),
                                XML_TRUE) == XML_STATUS_OK;
  if (!parsed.wellFormed) parsed.error = XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  return parsed;
}

TEST(TicketXmlParsed, WellFormedAndValuesComeBackAsTheyWereSet) {
  const std::u16string texts[] = {
      u"plain",
      u"<tag attr='x'> & \"quoted\" ]]> --",
      u"tab\there\r\nnew line",
      u"\u00e9t\u00e9 \u4e2d\u6587 \U0001F600",
      u"",
  };
  AttributeBytesList list;
  AttributeBytesFeatureId feature = 1000;
  for (const auto& text : texts) list.SetStringValue(feature++, text);
  AttributeBytesList nested;
  nested.SetStringValue(1, u"</Feature>");
  list.SetCollection(2000, nested);
  // Every control character, a lone surrogate and U+FFFF: XML holds none of them.
  std::u16string forbidden;
  for (char16_t c = 0; c < 0x20; ++c) forbidden.push_back(c);
  forbidden += char16_t(0xDC00);
  forbidden += char16_t(0xFFFF);
  list.SetNewValueId(2001, forbidden, 9000);
  ByteBuffer xml;
  zqcore::ExportTicketXml(list, zqcore::kTpifTicketSchema, xml);
  const Parsed parsed = Parse(xml);
  ASSERT_TRUE(parsed.wellFormed) << parsed.error;
  feature = 1000;
  for (const auto& text : texts) EXPECT_EQ(parsed.values.at(std::to_string(feature++)), platform::ToUtf8(text));
  EXPECT_EQ(parsed.values.size(), std::size(texts) + 2);
}

}  // namespace
