// PageSizeDictionary: the process-wide dictionary of paper sizes.
//
// It holds the standard Windows paper sizes (DMPAPER 1 to 118, without the
// two reserved ids) and the Windows forms added at run time through
// MediaHandler::AddWindowsForm. Sizes are matched within one tenth of a
// millimetre either way, since devmode sizes are rounded to tenths.
//
// A standard form whose size equals that of a preferred standard form
// ("Letter Small", "Note" and "Letter Transverse" beside "Letter") is an
// alias: it is found by its id and name but not by its size, so a devmode that
// gives only a size resolves to the one form people mean. Among the forms of
// one size the standard type is preferred to the transverse type, then the
// lower form id.
#pragma once

#include <optional>
#include <vector>

#include "zqcore/PageSize.h"

class PageSizeDictionaryEntry {
 public:
  explicit PageSizeDictionaryEntry(PageSize pageSize) : pageSize_(std::move(pageSize)) {}
  const PageSize& GetPageSize() const { return pageSize_; }
  int GetType() const { return pageSize_.GetType(); }

 private:
  PageSize pageSize_;
};

class PageSizeDictionary {
 public:
  // Whether some size matches (aliases aside).
  static bool AnyExist(const Dimension& width, const Dimension& length);
  // The matching sizes, best first: the nearest, then by type (standard,
  // transverse, added, custom), then in dictionary order.
  static std::vector<PageSizeDictionaryEntry> GetPageSizeEntryRefs(const Dimension& width, const Dimension& length);

  static std::optional<PageSize> FindByValueId(int valueId);
  // Every size with this Windows form id, aliases included.
  static std::vector<PageSize> FindByWindowsFormId(int windowsFormId);
  // Every size whose Windows form name equals `formName` ignoring case.
  static std::vector<PageSize> FindByWindowsFormName(const CXString& formName);

  // The standard sizes only (for tests and listings).
  static const std::vector<PageSize>& StandardSizes();
  // Adds a size (MediaHandler::AddWindowsForm checks it first).
  static void AddEntry(const PageSize& pageSize);
  static std::vector<PageSize> AddedSizes();
  // Forgets the added sizes (a new printer, or a test).
  static void RemoveAddedEntries();
};
