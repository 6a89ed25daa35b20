#include "zqcore/MediaHandler.h"

#include <mutex>

#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "zqcore/mediahandler";
constexpr std::size_t kMaxFormName = 31;

struct TrayBin {
  int tray;
  int bin;
};

// DMBIN_UPPER 1, LOWER 2, MIDDLE 3, MANUAL 4, LARGECAPACITY 11, CASSETTE 14.
constexpr TrayBin kTrayBins[] = {
    {DataModelIds::kValueTray1, 1},      {DataModelIds::kValueTray1Alternate, 1}, {DataModelIds::kValueTray2, 2},
    {DataModelIds::kValueTray3, 3},      {DataModelIds::kValueTray4, 14},         {DataModelIds::kValueTray5, 11},
    {DataModelIds::kValueTrayBypass, 4},
};

struct Margins {
  std::mutex mutex;
  std::array<Dimension, 4> values{};
};

Margins& SharedMargins() {
  static Margins margins;
  return margins;
}

std::mutex& AddFormMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

PageSize MediaHandler::GetPageSize(int valueId) {
  PageSize size;
  if (!TryGetPageSize(valueId, size))
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, "MediaHandler::GetPageSize",
                                         CXString::Formatted(u"no page size has the value id %d", valueId));
  return size;
}

bool MediaHandler::TryGetPageSize(int valueId, PageSize& pageSize) {
  if (valueId == DataModelIds::kValuePageSizeCustom) {
    pageSize = PageSize(DataModelIds::kValuePageSizeCustom, 0, CXString(), Dimension(0, Dimension::kTenthMillimetre),
                        Dimension(0, Dimension::kTenthMillimetre), DataModelIds::kValuePageSizeTypeCustom,
                        Dimension::kMillimetre);
    return true;
  }
  auto found = PageSizeDictionary::FindByValueId(valueId);
  if (!found) return false;
  pageSize = *found;
  return true;
}

std::vector<PageSize> MediaHandler::GetPageSizes(int windowsFormId) {
  return PageSizeDictionary::FindByWindowsFormId(windowsFormId);
}

std::vector<PageSize> MediaHandler::GetPageSizes(const Dimension& width, const Dimension& length) {
  std::vector<PageSize> sizes;
  for (const auto& entry : PageSizeDictionary::GetPageSizeEntryRefs(width, length))
    sizes.push_back(entry.GetPageSize());
  return sizes;
}

std::vector<PageSize> MediaHandler::GetPageSizes(const CXString& windowsFormName) {
  return PageSizeDictionary::FindByWindowsFormName(windowsFormName);
}

int MediaHandler::GetMsTrayId(int trayValue) {
  for (const TrayBin& row : kTrayBins)
    if (row.tray == trayValue) return row.bin;
  return kBinFormSource;
}

int MediaHandler::GetTrayValueFromMsBin(int bin) {
  if (bin == kBinFormSource) return DataModelIds::kValueNone;
  for (const TrayBin& row : kTrayBins)
    if (row.bin == bin) return row.tray;
  return 0;
}

PageSize MediaHandler::AddWindowsForm(const CXString& formName, const Dimension& width, const Dimension& length,
                                      int windowsFormId) {
  constexpr const char* kFunction = "MediaHandler::AddWindowsForm";
  if (formName.IsEmpty() || formName.GetLength() > kMaxFormName)
    TamorThrow<ExceptionInvalidFormName>(
        kSource, __LINE__, kFunction,
        CXString::Formatted(u"form name of %u characters", unsigned(formName.GetLength())));
  if (!(width.GetValue(Dimension::kTenthMillimetre) > 0) || !(length.GetValue(Dimension::kTenthMillimetre) > 0))
    TamorThrow<ExceptionInvalidPaperSizeData>(kSource, __LINE__, kFunction, u"a form needs a width and a length");
  if (windowsFormId >= 1 && windowsFormId <= 118)
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, kFunction,
                                         CXString::Formatted(u"form id %d is a standard form", windowsFormId));

  std::lock_guard<std::mutex> lock(AddFormMutex());
  for (const PageSize& existing : PageSizeDictionary::FindByWindowsFormName(formName)) {
    if (existing.GetType() == DataModelIds::kValuePageSizeTypeAddedForm && existing.GetWidth() == width &&
        existing.GetLength() == length && existing.GetWindowsFormId() == windowsFormId)
      return existing;
    TamorThrow<ExceptionInvalidFormName>(kSource, __LINE__, kFunction, formName + u" names another size");
  }
  const int valueId =
      DataModelIds::kValuePageSizeFirstAdded + static_cast<int>(PageSizeDictionary::AddedSizes().size());
  if (valueId > DataModelIds::kValuePageSizeLastAdded)
    TamorThrow<ExceptionCapacityExceeded>(kSource, __LINE__, kFunction, u"too many added forms");
  PageSize size(static_cast<DataModelIds::ValueEnum>(valueId), windowsFormId, formName, width, length,
                DataModelIds::kValuePageSizeTypeAddedForm, Dimension::kMillimetre);
  PageSizeDictionary::AddEntry(size);
  return size;
}

void MediaHandler::SetDefaultMargins(const Dimension& left, const Dimension& top, const Dimension& right,
                                     const Dimension& bottom) {
  Margins& margins = SharedMargins();
  std::lock_guard<std::mutex> lock(margins.mutex);
  margins.values = {left, top, right, bottom};
}

std::array<Dimension, 4> MediaHandler::GetDefaultMargins() {
  Margins& margins = SharedMargins();
  std::lock_guard<std::mutex> lock(margins.mutex);
  return margins.values;
}
