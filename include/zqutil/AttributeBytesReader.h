// AttributeBytesReader: the base of every settings reader.
//
// A reader owns or finds one document-settings list (the private devmode
// reader decodes it from the devmode, the device-settings reader from the
// printer data) and answers typed reads over it. The reads report presence
// through their result and leave the out parameter untouched when the feature
// is absent, not specified or of another kind.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "zqutil/AttributeBytes.h"
#include "zqutil/CXString.h"

class Dimension;

class AttributeBytesReader {
 public:
  // The order of these virtual operations is part of the readers' contract.
  virtual ~AttributeBytesReader() = default;
  // The reader's list; by default the document settings.
  virtual AttributeBytesIndexedList& GetAttributeBytesList() { return GetDocumentAttributeBytesList(); }
  // The document settings list.
  virtual AttributeBytesIndexedList& GetDocumentAttributeBytesList() = 0;
  // Called after the settings behind the reader changed.
  virtual void OnChange() {}

  bool GetOptionValueFromAttributeBytes(AttributeBytesFeatureId feature, DWORD& value);
  bool GetNewValueIdFromAttributeBytes(AttributeBytesFeatureId feature, CXString& newValueId);
  bool GetIntegerValueFromAttributeBytes(AttributeBytesFeatureId feature, LONG& value);
  bool GetBooleanValueFromAttributeBytes(AttributeBytesFeatureId feature, bool& value);
  bool GetStringValueFromAttributeBytes(AttributeBytesFeatureId feature, CXString& value);
  // Width and length in unit 5 (tenths of a millimetre).
  bool GetPaperSizeFromAttributeBytes(AttributeBytesFeatureId feature, Dimension& width, Dimension& length);
  bool GetCollectionFromAttributeBytes(AttributeBytesFeatureId feature, AttributeBytesIndexedList& collection);
  bool GetListFromAttributeBytes(AttributeBytesFeatureId feature, AttributeBytesListValue& list);
  bool IsFeaturePresentInAttributeBytes(AttributeBytesFeatureId feature);
  // True when the document settings hold no attribute.
  bool IsEmpty();

 protected:
  AttributeBytesReader() = default;
  AttributeBytesReader(const AttributeBytesReader&) = default;
  AttributeBytesReader& operator=(const AttributeBytesReader&) = default;
};

// A reader over a list it owns (tests, the host, settings built in memory).
class AttributeBytesListReader : public AttributeBytesReader {
 public:
  AttributeBytesListReader() = default;
  explicit AttributeBytesListReader(AttributeBytesIndexedList list) : list_(std::move(list)) {}
  AttributeBytesIndexedList& GetDocumentAttributeBytesList() override { return list_; }

 private:
  AttributeBytesIndexedList list_;
};
