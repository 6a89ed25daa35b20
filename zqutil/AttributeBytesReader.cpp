#include "zqutil/AttributeBytesReader.h"

#include "zqutil/Dimension.h"

bool AttributeBytesReader::GetOptionValueFromAttributeBytes(AttributeBytesFeatureId feature, DWORD& value) {
  AttributeBytesValueEnum option = 0;
  if (!GetDocumentAttributeBytesList().GetOptionValue(feature, option)) return false;
  value = static_cast<DWORD>(option);
  return true;
}

bool AttributeBytesReader::GetNewValueIdFromAttributeBytes(AttributeBytesFeatureId feature, CXString& newValueId) {
  return GetDocumentAttributeBytesList().GetNewValueId(feature, newValueId);
}

bool AttributeBytesReader::GetIntegerValueFromAttributeBytes(AttributeBytesFeatureId feature, LONG& value) {
  std::int32_t integer = 0;
  if (!GetDocumentAttributeBytesList().GetIntegerValue(feature, integer)) return false;
  value = static_cast<LONG>(integer);
  return true;
}

bool AttributeBytesReader::GetBooleanValueFromAttributeBytes(AttributeBytesFeatureId feature, bool& value) {
  return GetDocumentAttributeBytesList().GetBooleanValue(feature, value);
}

bool AttributeBytesReader::GetStringValueFromAttributeBytes(AttributeBytesFeatureId feature, CXString& value) {
  return GetDocumentAttributeBytesList().GetStringValue(feature, value);
}

bool AttributeBytesReader::GetPaperSizeFromAttributeBytes(AttributeBytesFeatureId feature, Dimension& width,
                                                          Dimension& length) {
  return GetDocumentAttributeBytesList().GetPaperSizeValues(feature, width, length);
}

bool AttributeBytesReader::GetCollectionFromAttributeBytes(AttributeBytesFeatureId feature,
                                                           AttributeBytesIndexedList& collection) {
  return GetDocumentAttributeBytesList().GetCollection(feature, collection);
}

bool AttributeBytesReader::GetListFromAttributeBytes(AttributeBytesFeatureId feature, AttributeBytesListValue& list) {
  return GetDocumentAttributeBytesList().GetList(feature, list);
}

bool AttributeBytesReader::IsFeaturePresentInAttributeBytes(AttributeBytesFeatureId feature) {
  return GetDocumentAttributeBytesList().IsPresent(feature);
}

bool AttributeBytesReader::IsEmpty() {
  return GetDocumentAttributeBytesList().IsEmpty();
}
