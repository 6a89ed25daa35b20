// DeviceInterface: the printer as a settings source of the data model.
//
// It declares the printer's device settings (DeviceFeatureReader) with their
// values as defaults, and the controller family (feature 285) with the
// printer's own family as its default unless the device settings name one.
#pragma once

#include "platform/win32.h"
#include "zqcore/DataSource.h"
#include "zqutil/CXString.h"

class DeviceInterface : public DataSource {
 public:
  explicit DeviceInterface(HANDLE hPrinter);

  HANDLE GetPrinterHandle() const { return printer_; }
  const CXString& GetPrinterName() const { return name_; }
  const CXString& GetPrinterPort() const { return port_; }
  bool IsBidirectional() const { return bidirectional_; }
  void SetBidirectional(bool bidirectional) { bidirectional_ = bidirectional; }

  void IntegrateSourceData(DataModelManager& model) override;

 private:
  HANDLE printer_;
  CXString name_;
  CXString port_;
  bool bidirectional_ = false;
};
