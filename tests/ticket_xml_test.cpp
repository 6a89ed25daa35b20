// The XML job ticket of the core library: its exact form, and the same bytes
// through the core library module that the plug-in loads on first use.
#include <gtest/gtest.h>

#include <string>

#include "CoreLibrary.h"
#include "zqcore/TicketXml.h"

namespace {

AttributeBytesList EveryKind() {
  AttributeBytesList list;
  list.SetStringValue(78, u"Q3 <draft> & \"notes\"\tline\nnext");
  list.SetOptionValue(46, 4421);
  list.SetIntegerValue(43, -2);
  list.SetBooleanValue(286, true);
  list.SetNewValueId(175, u"Heavy Gloss", 9000);
  AttributeBytesList paper;
  paper.SetPaperSizeValues(164, 2100, 2970);
  paper.SetOptionValue(168, 5609);
  list.SetCollection(210, paper);
  AttributeBytesListValue finishing;
  finishing.AppendOptionValue(5260);
  finishing.AppendNewValueId(u"Fold", 5280);
  list.SetList(144, finishing);
  list.SetIntegerValue(95, 150);
  list.SetIsSpecified(95, false);  // not specified: not in the ticket
  list.SetIsSpecified(96, false);  // present without a value
  return list;
}

constexpr char kEveryKind[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<JobTicket schema=\"216\">\n"
    "  <Feature id=\"43\" kind=\"integer\" value=\"-2\"/>\n"
    "  <Feature id=\"46\" kind=\"option\" value=\"4421\"/>\n"
    "  <Feature id=\"78\" kind=\"string\" value=\"Q3 &lt;draft&gt; &amp; &quot;notes&quot;&#9;line&#10;next\"/>\n"
    "  <Feature id=\"144\" kind=\"list\">\n"
    "    <Item kind=\"option\" value=\"5260\"/>\n"
    "    <Item kind=\"option\" value=\"5280\" name=\"Fold\"/>\n"
    "  </Feature>\n"
    "  <Feature id=\"175\" kind=\"option\" value=\"9000\" name=\"Heavy Gloss\"/>\n"
    "  <Feature id=\"210\" kind=\"collection\">\n"
    "    <Feature id=\"164\" kind=\"paperSize\" width=\"2100\" length=\"2970\"/>\n"
    "    <Feature id=\"168\" kind=\"option\" value=\"5609\"/>\n"
    "  </Feature>\n"
    "  <Feature id=\"286\" kind=\"boolean\" value=\"true\"/>\n"
    "</JobTicket>\n";

std::string Text(const ByteBuffer& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.getLpbyte()), bytes.size());
}

TEST(TicketXml, OneElementPerSpecifiedFeatureInAscendingOrder) {
  ByteBuffer out;
  out.appendAscii("kept ");
  zqcore::ExportTicketXml(EveryKind(), zqcore::kTpifTicketSchema, out);
  EXPECT_EQ(Text(out), std::string("kept ") + kEveryKind);
}

TEST(TicketXml, EmptyListIsAnEmptyTicket) {
  ByteBuffer out;
  zqcore::ExportTicketXml(AttributeBytesList(), 7, out);
  EXPECT_EQ(Text(out), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<JobTicket schema=\"7\">\n</JobTicket>\n");
}

TEST(TicketXml, TextXmlCannotHoldBecomesTheReplacementCharacter) {
  AttributeBytesList list;
  // A control character, a lone surrogate, a pair (U+1F600) and U+FFFE.
  list.SetStringValue(78, std::u16string(u"a\x01"
                                         u"b") +
                              char16_t(0xD800) + u"c\U0001F600" + char16_t(0xFFFE));
  ByteBuffer out;
  zqcore::ExportTicketXml(list, 216, out);
  EXPECT_NE(Text(out).find("value=\"a\xEF\xBF\xBD"
                           "b\xEF\xBF\xBD"
                           "c\xF0\x9F\x98\x80\xEF\xBF\xBD\"/>"),
            std::string::npos)
      << Text(out);
}

TEST(TicketXml, CoreLibraryModuleWritesTheSameTicket) {
  ByteBuffer out;
  core_library::ExportTicketXml(EveryKind(), zqcore::kTpifTicketSchema, out);
  EXPECT_EQ(Text(out), kEveryKind);
}

}  // namespace
