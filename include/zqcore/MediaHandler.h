// MediaHandler: the media questions of the data model, answered from the
// page-size dictionary, plus the input-tray to Windows bin mapping and the
// printer's default margins.
//
// Trays (feature 193) map to Windows bins (DMBIN_*):
//   4001 or 0 (no tray)   15 DMBIN_FORMSOURCE (the driver picks by form)
//   6151 bypass            4 DMBIN_MANUAL
//   6152, 6153 tray 1      1 DMBIN_UPPER
//   6154 tray 2            2 DMBIN_LOWER
//   6155 tray 3            3 DMBIN_MIDDLE
//   6156 tray 4           14 DMBIN_CASSETTE
//   6157 tray 5           11 DMBIN_LARGECAPACITY
// Any other tray value gives 15.
#pragma once

#include <array>
#include <vector>

#include "zqcore/PageSizeDictionary.h"

class MediaHandler {
 public:
  static constexpr int kBinFormSource = 15;

  // Throws ExceptionInvalidArgument for a value id that names no size.
  static PageSize GetPageSize(int valueId);
  static bool TryGetPageSize(int valueId, PageSize& pageSize);
  // By Windows form id (aliases included).
  static std::vector<PageSize> GetPageSizes(int windowsFormId);
  // By size, matched within a tenth of a millimetre, best first (aliases excluded).
  static std::vector<PageSize> GetPageSizes(const Dimension& width, const Dimension& length);
  // By Windows form name, ignoring case.
  static std::vector<PageSize> GetPageSizes(const CXString& windowsFormName);

  static int GetMsTrayId(int trayValue);
  // The tray of a Windows bin, DataModelIds::kValueNone for the form source,
  // 0 for a bin no tray maps to.
  static int GetTrayValueFromMsBin(int bin);

  // Adds a printer's own Windows form as a page size of type 25003 with the
  // next value id from 5800. Adding the same form again returns the size made
  // the first time. Throws ExceptionInvalidFormName for an empty name, a name
  // over 31 characters or a name already used by another size,
  // ExceptionInvalidPaperSizeData for a size not above zero, ExceptionInvalidArgument
  // for a standard form id, ExceptionCapacityExceeded past value id 5999.
  static PageSize AddWindowsForm(const CXString& formName, const Dimension& width, const Dimension& length,
                                 int windowsFormId);

  // Left, top, right, bottom; all zero until set.
  static void SetDefaultMargins(const Dimension& left, const Dimension& top, const Dimension& right,
                                const Dimension& bottom);
  static std::array<Dimension, 4> GetDefaultMargins();
};
