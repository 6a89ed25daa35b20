#include "zqcore/DeviceInterface.h"

#include "zqcore/AttributeTranslators.h"
#include "zqcore/DataModelManager.h"
#include "zqcore/DeviceFeatureReader.h"
#include "zqutil/Printer.h"

DeviceInterface::DeviceInterface(HANDLE hPrinter) : printer_(hPrinter) {
  Printer printer(hPrinter);
  printer.GetPrinterName(name_);
  printer.GetPrinterPort(port_);
}

void DeviceInterface::IntegrateSourceData(DataModelManager& model) {
  DataModelFeatureServices& services = model.GetFeatureServices();
  DeviceFeatureReader reader(printer_);
  const AttributeBytesIndexedList& settings = reader.GetAttributeBytesList();
  for (auto it = settings.GetIterator(); settings.IsValid(it);) {
    const AttributeBytes& attribute = settings.GetNextAttributeBytes(it);
    if (!attribute.IsSpecified() || attribute.GetKind() == AttributeBytesKind::None) continue;
    FeatureDefinition definition;
    definition.feature = attribute.GetFeatureId();
    definition.defaultValue = ToFeatureValue(attribute);
    definition.kind = definition.defaultValue.GetKind();
    services.DeclareFeature(definition);
  }
  if (!services.IsFeatureAvailable(DataModelIds::kFeatureControllerFamily)) {
    const DWORD family = Printer(printer_).GetPrinterControllerFamily();
    FeatureDefinition definition;
    definition.feature = DataModelIds::kFeatureControllerFamily;
    definition.kind = FeatureKind::Option;
    definition.defaultValue = FeatureValue::MakeOption(family);
    services.DeclareFeature(definition);
  }
}
