// Translators between the data model and other forms of settings: the
// settings lists of the devmode and the printer data, and the XML job ticket.
#pragma once

#include <cstddef>

#include "zqcore/DataModelFeatureServices.h"
#include "zqutil/AttributeBytes.h"
#include "zqutil/ByteBuffer.h"

// An attribute's value as the model holds it for a feature of the declared
// kind (None: the attribute's own kind). Kind None for an attribute without a value.
FeatureValue ToFeatureValue(const AttributeBytes& attribute, FeatureKind declared = FeatureKind::None);

// Settings lists into the model.
class AttributeBytesListTranslator {
 public:
  explicit AttributeBytesListTranslator(DataModelFeatureServices& services) : services_(services) {}

  // Sets every specified attribute of the list as the current value of its
  // feature; an attribute marked not specified makes its feature not
  // specified. Integers become Dimensions (tenths of a millimetre) or
  // Resolutions (packed) for features declared so, and one option value a
  // one-item list for a list feature. An attribute the model does not accept
  // (another kind, a value outside the value list) is skipped: settings from a
  // devmode must not stop a job. Returns the number of attributes taken.
  std::size_t ImportSettings(const AttributeBytesList& settings);

 private:
  DataModelFeatureServices& services_;
};

// The model's values as an XML job ticket (UTF-8):
//   <?xml version="1.0" encoding="UTF-8"?>
//   <JobTicket schema="216">
//     <Feature id="46" kind="option" value="4421"/>
//     <Feature id="78" kind="string" value="Report &amp; notes"/>
//     <Feature id="210" kind="collection">
//       <Feature id="164" kind="paperSize" width="2100" length="2970"/>
//     </Feature>
//     <Feature id="144" kind="list"><Item kind="option" value="5260"/></Feature>
//   </JobTicket>
// Features in ascending number; Dimensions in thousandths of a millimetre,
// Resolutions as crossFeed and feed.
class AttributeTranslatorForXml {
 public:
  AttributeTranslatorForXml(const DataModelFeatureServices& services, DWORD schema)
      : services_(services), schema_(schema) {}

  // Appends the ticket to `buffer`: the specified features only, or with
  // `specifiedOnly` false every feature that has a current value.
  void ExportToBuffer(ByteBuffer& buffer, bool specifiedOnly) const;

 private:
  const DataModelFeatureServices& services_;
  DWORD schema_;
};
