#include "zqcore/DeviceFeatureReader.h"

#include "zqutil/PersistentAttributes.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"

AttributeBytesIndexedList& DeviceFeatureReader::GetDocumentAttributeBytesList() {
  if (list_) return *list_;
  list_ = std::make_unique<AttributeBytesIndexedList>();
  Printer printer;
  if (printer.GetPrinterDataW(printer_, PrinterDataNames::kDeviceSettings) && printer.GetPrinterDataSize() > 0) {
    const PersistentAttributes image(ByteBuffer(printer.GetPrinterData(), printer.GetPrinterDataSize()), false);
    list_->ImportFromOtherList(
        image.GetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace));
  }
  return *list_;
}
