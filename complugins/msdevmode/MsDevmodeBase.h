// MsDevmodeBase: access to the settings of one Windows devmode by feature
// number (3 to 35), for one printer's kind of driver.
//
// The devmode is not owned. Its public part is dmSize bytes and the driver's
// private part the dmDriverExtra bytes that follow; nothing outside those is
// ever read or written. The working catalogue holds the catalogue rows that
// apply to the printer (PDL bits 0x400 PostScript, 0x80 / 0x100 raster; colour
// mode 0x1000 colour, 0x2000 monochrome), each with its value table.
//
// Derived accessors say where each setting lives; this base owns the public
// fields, the value mapping and the paper-size operation. Failures throw the
// named TamorException classes.
#pragma once

#include <cstdint>
#include <vector>

#include "msdevmode/MsCatalogue.h"
#include "platform/win32.h"
#include "zqutil/CXString.h"

struct MsWorkingRow {
  const ms::CatalogueRow* row;
  ms::ValueTable table;
};

class MsDevmodeBase {
 public:
  // Throws ExceptionInvalidArgumentNullPointer for a null devmode and
  // ExceptionInvalidData for a dmSize too small to hold dmFields.
  MsDevmodeBase(HANDLE hPrinter, DEVMODEW* devmode, std::uint32_t pdlBits, std::uint32_t colorMode);
  virtual ~MsDevmodeBase() = default;
  MsDevmodeBase(const MsDevmodeBase&) = delete;
  MsDevmodeBase& operator=(const MsDevmodeBase&) = delete;

  // The raw Windows value, or its option value when asOption is set.
  virtual int GetMsFeatureValue(int feature, bool asOption) = 0;
  // Sets a raw value, or an option value mapped back to its raw value first.
  virtual void SetMsFeatureValue(int feature, int value, bool valueIsOption) = 0;
  virtual bool IsMsFeatureSupported(int /*feature*/) const { return true; }
  // Completes a series of changes (the last step of a bulk write).
  virtual void CompleteMsFeatureChanges() {}

  HANDLE GetPrinterHandle() const { return hPrinter_; }
  DEVMODEW* GetDevmode() const { return devmode_; }
  std::uint32_t GetPdlBits() const { return pdlBits_; }
  std::uint32_t GetColorMode() const { return colorMode_; }
  bool IsPostScript() const { return postScript_; }
  // dmSize + dmDriverExtra.
  DWORD GetDevmodeSize() const;

  const std::vector<MsWorkingRow>& GetWorkingCatalogue() const { return working_; }
  // The first working row of the feature; null when none applies.
  const MsWorkingRow* FindWorkingRow(int feature) const;
  ms::ValueTable GetValueTable(int feature) const;
  int RawToOption(int feature, int raw) const;
  int OptionToRaw(int feature, int option) const;

  // Paper size 0 needs a width and a length; a non-zero size takes both or
  // neither (ExceptionInvalidPaperSizeData); a form name over 31 characters
  // throws ExceptionInvalidFormName. Stores dmPaperSize (bit 0x2); for size 0
  // also length and width (bits 0x4, 0x8), otherwise zeroes them and clears
  // those bits; always empties dmFormName and clears bit 0x10000.
  void SetMsPaperSizeFeaturesCurrentValues(int paperSize, int width, int length, const CXString& formName);
  // dmFormName up to its terminator (at most 32 units).
  CXString GetFormName() const;

 protected:
  // Features 3 to 18 from the public fields; anything else throws
  // ExceptionMicrosoftFeatureNotFound. Paper size, width and length cannot be set.
  int GetPublicFieldValue(int feature) const;
  void SetPublicFieldValue(int feature, int raw);
  std::vector<MsWorkingRow>& MutableWorkingCatalogue() { return working_; }

 private:
  HANDLE hPrinter_;
  DEVMODEW* devmode_;
  std::uint32_t pdlBits_;
  std::uint32_t colorMode_;
  bool postScript_;
  std::vector<MsWorkingRow> working_;
};
