#include "zqcore/AttributeTranslators.h"

#include <string>

#include "platform/text.h"
#include "zqutil/TamorException.h"

FeatureValue ToFeatureValue(const AttributeBytes& attribute, FeatureKind declared) {
  const AttributeBytesValue* value = attribute.GetAttributeBytesValue();
  switch (attribute.GetKind()) {
    case AttributeBytesKind::OptionValue:
    case AttributeBytesKind::NewValueId: {
      const auto option = static_cast<const AttributeBytesOptionValue*>(value)->GetValue();
      return declared == FeatureKind::List ? FeatureValue::MakeOptionList({option}) : FeatureValue::MakeOption(option);
    }
    case AttributeBytesKind::Integer: {
      const std::int32_t number = static_cast<const AttributeBytesIntegerValue*>(value)->GetValue();
      if (declared == FeatureKind::Dimension)
        return FeatureValue::MakeDimension(Dimension(number, Dimension::kTenthMillimetre));
      if (declared == FeatureKind::Resolution) return FeatureValue::MakeResolution(Resolution::FromPacked(number));
      return FeatureValue::MakeInteger(number);
    }
    case AttributeBytesKind::Boolean:
      return FeatureValue::MakeBoolean(static_cast<const AttributeBytesBooleanValue*>(value)->GetValue());
    case AttributeBytesKind::String:
      return FeatureValue::MakeString(static_cast<const AttributeBytesStringValue*>(value)->GetValue());
    case AttributeBytesKind::PaperSize: {
      const auto* paper = static_cast<const AttributeBytesPaperSizeValue*>(value);
      return FeatureValue::MakePaperSize(paper->GetWidth(), paper->GetLength());
    }
    case AttributeBytesKind::Dimension:
      return FeatureValue::MakeDimension(static_cast<const AttributeBytesDimensionValue*>(value)->GetValue());
    case AttributeBytesKind::Collection:
      return FeatureValue::MakeCollection(static_cast<const AttributeBytesCollectionValue*>(value)->GetCollection());
    case AttributeBytesKind::List:
      return FeatureValue::MakeList(*static_cast<const AttributeBytesListValue*>(value));
    case AttributeBytesKind::None:
      break;
  }
  return FeatureValue();
}

namespace {

class XmlWriter {
 public:
  explicit XmlWriter(ByteBuffer& out) : out_(out) {}

  void Line(int depth, const std::string& text) {
    out_.appendAscii(std::string(static_cast<std::size_t>(depth) * 2, ' '));
    Raw(text);
    out_.appendAscii("\n");
  }
  void Raw(const std::string& text) { out_.appendLpbyte(text.data(), text.size()); }

  static std::string Escape(const CXString& text) {
    std::string escaped;
    for (char c : platform::ToUtf8(text.str())) {
      switch (c) {
        case '&':
          escaped += "&amp;";
          break;
        case '<':
          escaped += "&lt;";
          break;
        case '>':
          escaped += "&gt;";
          break;
        case '"':
          escaped += "&quot;";
          break;
        default:
          // XML 1.0 has no form for most control characters; a tab or line
          // break is kept as a reference so attribute values keep it.
          if (static_cast<unsigned char>(c) < 0x20) {
            if (c == '\t' || c == '\n' || c == '\r') escaped += "&#" + std::to_string(static_cast<int>(c)) + ";";
          } else {
            escaped += c;
          }
      }
    }
    return escaped;
  }

  void Attributes(int depth, const AttributeBytesList& list) {
    for (auto it = list.GetIterator(); list.IsValid(it);) {
      const AttributeBytes& attribute = list.GetNextAttributeBytes(it);
      if (!attribute.IsSpecified() || attribute.GetKind() == AttributeBytesKind::None) continue;
      Value(depth, "<Feature id=\"" + std::to_string(attribute.GetFeatureId()) + "\"", ToFeatureValue(attribute),
            "</Feature>");
    }
  }

  // `open` is the start of the element without its end; `close` its end tag.
  void Value(int depth, const std::string& open, const FeatureValue& value, const std::string& close) {
    const std::string head = open + " kind=\"" + FeatureKindName(value.GetKind()) + "\"";
    switch (value.GetKind()) {
      case FeatureKind::Option:
        Line(depth, head + " value=\"" + std::to_string(value.GetOption()) + "\"/>");
        break;
      case FeatureKind::Boolean:
        Line(depth, head + " value=\"" + (value.GetBoolean() ? "true" : "false") + "\"/>");
        break;
      case FeatureKind::Integer:
        Line(depth, head + " value=\"" + std::to_string(value.GetInteger()) + "\"/>");
        break;
      case FeatureKind::String:
        Line(depth, head + " value=\"" + Escape(value.GetString()) + "\"/>");
        break;
      case FeatureKind::Dimension:
        Line(depth,
             head + " micrometres=\"" +
                 platform::ToUtf8(
                     value.GetDimension().GetStringValue(Dimension::kThousandthMillimetre, 0, 0.499999, false).str()) +
                 "\"/>");
        break;
      case FeatureKind::Resolution:
        Line(depth, head + " crossFeed=\"" + std::to_string(value.GetResolution().GetCrossFeed()) + "\" feed=\"" +
                        std::to_string(value.GetResolution().GetFeed()) + "\"/>");
        break;
      case FeatureKind::PaperSize:
        Line(depth, head + " width=\"" + std::to_string(value.GetPaperSize().widthTenthsMm) + "\" length=\"" +
                        std::to_string(value.GetPaperSize().lengthTenthsMm) + "\"/>");
        break;
      case FeatureKind::Collection:
        Line(depth, head + ">");
        Attributes(depth + 1, value.GetCollection());
        Line(depth, close);
        break;
      case FeatureKind::List: {
        Line(depth, head + ">");
        const AttributeBytesListValue* list = value.GetList();
        for (std::size_t i = 0; i < list->GetCount(); ++i) {
          AttributeBytes item(0, list->GetItem(i)->Clone());
          Value(depth + 1, "<Item", ToFeatureValue(item), "</Item>");
        }
        Line(depth, close);
        break;
      }
      case FeatureKind::None:
        break;
    }
  }

 private:
  ByteBuffer& out_;
};

}  // namespace

std::size_t AttributeBytesListTranslator::ImportSettings(const AttributeBytesList& settings) {
  std::size_t taken = 0;
  for (auto it = settings.GetIterator(); settings.IsValid(it);) {
    const AttributeBytes& attribute = settings.GetNextAttributeBytes(it);
    const std::uint32_t feature = attribute.GetFeatureId();
    if (!attribute.IsSpecified() || attribute.GetKind() == AttributeBytesKind::None) {
      services_.SetIsSpecified(feature, false);
      ++taken;
      continue;
    }
    try {
      const FeatureDefinition* definition = services_.GetDefinition(feature);
      services_.SetCurrentValue(
          feature, ToFeatureValue(attribute, definition != nullptr ? definition->kind : FeatureKind::None));
      ++taken;
    } catch (const ExceptionInvalidArgument&) {
      // Not a value the model takes for this feature: the feature keeps its value.
    }
  }
  return taken;
}

void AttributeTranslatorForXml::ExportToBuffer(ByteBuffer& buffer, bool specifiedOnly) const {
  XmlWriter xml(buffer);
  xml.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  xml.Line(0, "<JobTicket schema=\"" + std::to_string(schema_) + "\">");
  for (std::uint32_t feature : services_.GetHeldFeatures()) {
    if (specifiedOnly && !services_.IsSpecified(feature)) continue;
    const FeatureValue value = services_.GetCurrentValue(feature);
    if (value.IsNone()) continue;
    xml.Value(1, "<Feature id=\"" + std::to_string(feature) + "\"", value, "</Feature>");
  }
  xml.Line(0, "</JobTicket>");
}

AttributeTranslatorForXml DataModelFeatureServices::GetTpifTranslator(DWORD schema) const {
  return AttributeTranslatorForXml(*this, schema);
}
