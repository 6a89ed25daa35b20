// DeviceFeatureReader: the printer's device settings (margins, accounting,
// ticket form ...) as a settings list.
//
// The settings are the document-settings namespace of the PersistentAttributes
// image in the printer data "TmrDeviceSettings", written by the configuration
// side. They are read once, at the first query: a reader is made per use, and
// later changes of the printer data are not seen by a reader that has read.
// A printer without device settings, or with a damaged image, gives an empty
// list, so every device feature reads as absent.
#pragma once

#include <memory>

#include "platform/win32.h"
#include "zqutil/AttributeBytesReader.h"

class DeviceFeatureReader : public AttributeBytesReader {
 public:
  explicit DeviceFeatureReader(HANDLE hPrinter) : printer_(hPrinter) {}

  AttributeBytesIndexedList& GetAttributeBytesList() override { return GetDocumentAttributeBytesList(); }
  AttributeBytesIndexedList& GetDocumentAttributeBytesList() override;
  void OnChange() override {}

 private:
  HANDLE printer_;
  std::unique_ptr<AttributeBytesIndexedList> list_;
};
