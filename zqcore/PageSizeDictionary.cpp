#include "zqcore/PageSizeDictionary.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "WindowsPaperSizes.h"

namespace {

// Devmode sizes are whole tenths of a millimetre, so a size converted from
// another unit may be off by one tenth either way.
constexpr double kToleranceTenths = 1.0 + 1e-9;

struct Dictionary {
  std::mutex mutex;
  std::vector<PageSize> added;
};

Dictionary& Shared() {
  static Dictionary dictionary;
  return dictionary;
}

int TypeRank(int type) {
  switch (type) {
    case DataModelIds::kValuePageSizeTypeStandard:
      return 0;
    case DataModelIds::kValuePageSizeTypeTransverse:
      return 1;
    case DataModelIds::kValuePageSizeTypeAddedForm:
      return 2;
    default:
      return 3;
  }
}

bool SameSize(const PageSize& a, const PageSize& b) {
  return a.GetWidth() == b.GetWidth() && a.GetLength() == b.GetLength();
}

struct StandardTable {
  std::vector<PageSize> sizes;
  std::vector<bool> alias;  // parallel to sizes
};

const StandardTable& Standard() {
  static const StandardTable table = [] {
    StandardTable t;
    for (const auto& row : zqcore::WindowsPaperSizes()) {
      t.sizes.emplace_back(
          static_cast<DataModelIds::ValueEnum>(DataModelIds::kValuePageSizeFirstStandard + row.formId), row.formId,
          CXString(row.formName), Dimension(row.width, Dimension::kTenthMillimetre),
          Dimension(row.length, Dimension::kTenthMillimetre),
          row.transverse ? DataModelIds::kValuePageSizeTypeTransverse : DataModelIds::kValuePageSizeTypeStandard,
          row.inch ? Dimension::kInch : Dimension::kMillimetre);
    }
    // An alias is a form with the size of a preferred form (better type, or
    // the same type and a lower id).
    t.alias.assign(t.sizes.size(), false);
    for (std::size_t i = 0; i < t.sizes.size(); ++i)
      for (std::size_t j = 0; j < t.sizes.size(); ++j) {
        if (i == j || !SameSize(t.sizes[i], t.sizes[j])) continue;
        const int ri = TypeRank(t.sizes[i].GetType());
        const int rj = TypeRank(t.sizes[j].GetType());
        if (rj < ri || (rj == ri && j < i)) t.alias[i] = true;
      }
    return t;
  }();
  return table;
}

double Distance(const PageSize& size, double widthTenths, double lengthTenths) {
  const double dw = std::fabs(size.GetWidth().GetValue(Dimension::kTenthMillimetre) - widthTenths);
  const double dl = std::fabs(size.GetLength().GetValue(Dimension::kTenthMillimetre) - lengthTenths);
  if (dw > kToleranceTenths || dl > kToleranceTenths) return -1.0;
  return dw + dl;
}

}  // namespace

std::vector<PageSizeDictionaryEntry> PageSizeDictionary::GetPageSizeEntryRefs(const Dimension& width,
                                                                              const Dimension& length) {
  const double w = width.GetValue(Dimension::kTenthMillimetre);
  const double l = length.GetValue(Dimension::kTenthMillimetre);
  struct Candidate {
    double distance;
    int rank;
    std::size_t order;
    PageSize size;
  };
  std::vector<Candidate> candidates;
  const StandardTable& standard = Standard();
  for (std::size_t i = 0; i < standard.sizes.size(); ++i) {
    if (standard.alias[i]) continue;
    const double d = Distance(standard.sizes[i], w, l);
    if (d >= 0) candidates.push_back({d, TypeRank(standard.sizes[i].GetType()), i, standard.sizes[i]});
  }
  std::size_t order = standard.sizes.size();
  for (const PageSize& size : AddedSizes()) {
    const double d = Distance(size, w, l);
    if (d >= 0) candidates.push_back({d, TypeRank(size.GetType()), order, size});
    ++order;
  }
  std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    if (a.distance != b.distance) return a.distance < b.distance;
    if (a.rank != b.rank) return a.rank < b.rank;
    return a.order < b.order;
  });
  std::vector<PageSizeDictionaryEntry> entries;
  entries.reserve(candidates.size());
  for (auto& c : candidates) entries.emplace_back(std::move(c.size));
  return entries;
}

bool PageSizeDictionary::AnyExist(const Dimension& width, const Dimension& length) {
  return !GetPageSizeEntryRefs(width, length).empty();
}

std::optional<PageSize> PageSizeDictionary::FindByValueId(int valueId) {
  for (const PageSize& size : StandardSizes())
    if (size.GetValueId() == valueId) return size;
  for (const PageSize& size : AddedSizes())
    if (size.GetValueId() == valueId) return size;
  return std::nullopt;
}

std::vector<PageSize> PageSizeDictionary::FindByWindowsFormId(int windowsFormId) {
  std::vector<PageSize> found;
  for (const PageSize& size : StandardSizes())
    if (size.GetWindowsFormId() == windowsFormId) found.push_back(size);
  for (const PageSize& size : AddedSizes())
    if (size.GetWindowsFormId() == windowsFormId) found.push_back(size);
  return found;
}

std::vector<PageSize> PageSizeDictionary::FindByWindowsFormName(const CXString& formName) {
  std::vector<PageSize> found;
  if (formName.IsEmpty()) return found;
  for (const PageSize& size : StandardSizes())
    if (size.GetWindowsFormName().CompareNoCase(formName.c_str()) == 0) found.push_back(size);
  for (const PageSize& size : AddedSizes())
    if (size.GetWindowsFormName().CompareNoCase(formName.c_str()) == 0) found.push_back(size);
  return found;
}

const std::vector<PageSize>& PageSizeDictionary::StandardSizes() {
  return Standard().sizes;
}

void PageSizeDictionary::AddEntry(const PageSize& pageSize) {
  Dictionary& dictionary = Shared();
  std::lock_guard<std::mutex> lock(dictionary.mutex);
  dictionary.added.push_back(pageSize);
}

std::vector<PageSize> PageSizeDictionary::AddedSizes() {
  Dictionary& dictionary = Shared();
  std::lock_guard<std::mutex> lock(dictionary.mutex);
  return dictionary.added;
}

void PageSizeDictionary::RemoveAddedEntries() {
  Dictionary& dictionary = Shared();
  std::lock_guard<std::mutex> lock(dictionary.mutex);
  dictionary.added.clear();
}
