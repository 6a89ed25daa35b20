#include "zqcore/TicketXml.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace zqcore {

namespace {

// Code points XML 1.0 allows: tab, line feed, carriage return, U+0020..U+D7FF,
// U+E000..U+FFFD and above U+FFFF.
bool AllowedInXml(char32_t c) {
  if (c == 0x9 || c == 0xA || c == 0xD) return true;
  if (c < 0x20) return false;
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  return c != 0xFFFE && c != 0xFFFF;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// UTF-16 text as the value of an attribute in double quotes.
std::string AttributeText(const CXString& text) {
  const std::u16string& units = text.str();
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    switch (c) {
      case u'&':
        out += "&amp;";
        continue;
      case u'<':
        out += "&lt;";
        continue;
      case u'>':
        out += "&gt;";
        continue;
      case u'"':
        out += "&quot;";
        continue;
      case u'\'':
        out += "&apos;";
        continue;
      // A parser turns these into blanks inside an attribute unless they are references.
      case u'\t':
        out += "&#9;";
        continue;
      case u'\n':
        out += "&#10;";
        continue;
      case u'\r':
        out += "&#13;";
        continue;
      default:
        break;
    }
    AppendUtf8(out, AllowedInXml(c) ? c : 0xFFFD);
  }
  return out;
}

class XmlWriter {
 public:
  explicit XmlWriter(ByteBuffer& out) : out_(out) {}

  void Line(int depth, const std::string& text) {
    out_.appendAscii(std::string(static_cast<std::size_t>(depth) * 2, ' '));
    out_.appendAscii(text);
    out_.appendAscii("\n");
  }

  void Features(int depth, const AttributeBytesList& list) {
    std::vector<const AttributeBytes*> features;
    for (auto it = list.GetIterator(); list.IsValid(it);) {
      const AttributeBytes& attribute = list.GetNextAttributeBytes(it);
      if (attribute.IsSpecified() && attribute.GetAttributeBytesValue() != nullptr) features.push_back(&attribute);
    }
    std::sort(features.begin(), features.end(),
              [](const AttributeBytes* a, const AttributeBytes* b) { return a->GetFeatureId() < b->GetFeatureId(); });
    for (const AttributeBytes* feature : features)
      Value(depth, "<Feature id=\"" + std::to_string(feature->GetFeatureId()) + "\"",
            *feature->GetAttributeBytesValue(), "</Feature>");
  }

  // `open` is the start of the element without its end; `close` its end tag.
  void Value(int depth, const std::string& open, const AttributeBytesValue& value, const std::string& close) {
    switch (value.GetKind()) {
      case AttributeBytesKind::OptionValue:
        Line(depth, open + " kind=\"option\" value=\"" +
                        std::to_string(static_cast<const AttributeBytesOptionValue&>(value).GetValue()) + "\"/>");
        break;
      case AttributeBytesKind::NewValueId: {
        const auto& option = static_cast<const AttributeBytesNewValueId&>(value);
        Line(depth, open + " kind=\"option\" value=\"" + std::to_string(option.GetValue()) + "\" name=\"" +
                        AttributeText(option.GetNewValueId()) + "\"/>");
        break;
      }
      case AttributeBytesKind::Integer:
        Line(depth, open + " kind=\"integer\" value=\"" +
                        std::to_string(static_cast<const AttributeBytesIntegerValue&>(value).GetValue()) + "\"/>");
        break;
      case AttributeBytesKind::Boolean:
        Line(depth, open + " kind=\"boolean\" value=\"" +
                        (static_cast<const AttributeBytesBooleanValue&>(value).GetValue() ? "true" : "false") + "\"/>");
        break;
      case AttributeBytesKind::String:
        Line(depth, open + " kind=\"string\" value=\"" +
                        AttributeText(static_cast<const AttributeBytesStringValue&>(value).GetValue()) + "\"/>");
        break;
      case AttributeBytesKind::PaperSize: {
        const auto& size = static_cast<const AttributeBytesPaperSizeValue&>(value);
        Line(depth, open + " kind=\"paperSize\" width=\"" + std::to_string(size.GetWidth()) + "\" length=\"" +
                        std::to_string(size.GetLength()) + "\"/>");
        break;
      }
      case AttributeBytesKind::Dimension: {
        const Dimension& dimension = static_cast<const AttributeBytesDimensionValue&>(value).GetValue();
        // The number in its own unit, written the classic way whatever the locale.
        char text[64];
        std::snprintf(text, sizeof text, "%.17g", dimension.GetValue(dimension.GetUnit()));
        std::string number = text;
        std::replace(number.begin(), number.end(), ',', '.');
        Line(depth, open + " kind=\"dimension\" unit=\"" + std::to_string(dimension.GetUnit()) + "\" value=\"" +
                        number + "\"/>");
        break;
      }
      case AttributeBytesKind::Collection:
        Line(depth, open + " kind=\"collection\">");
        Features(depth + 1, static_cast<const AttributeBytesCollectionValue&>(value).GetCollection());
        Line(depth, close);
        break;
      case AttributeBytesKind::List: {
        const auto& list = static_cast<const AttributeBytesListValue&>(value);
        Line(depth, open + " kind=\"list\">");
        for (std::size_t i = 0; i < list.GetCount(); ++i)
          if (const AttributeBytesValue* item = list.GetItem(i)) Value(depth + 1, "<Item", *item, "</Item>");
        Line(depth, close);
        break;
      }
      case AttributeBytesKind::None:
        break;
    }
  }

 private:
  ByteBuffer& out_;
};

}  // namespace

void ExportTicketXml(const AttributeBytesList& features, DWORD schema, ByteBuffer& out) {
  XmlWriter xml(out);
  xml.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  xml.Line(0, "<JobTicket schema=\"" + std::to_string(schema) + "\">");
  xml.Features(1, features);
  xml.Line(0, "</JobTicket>");
}

}  // namespace zqcore
