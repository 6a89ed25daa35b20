#include "msdevmode/MsDevmodeUsingIPrintCoreHelper.h"

#include <algorithm>

#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "complugins/msdevmodeusingiprintcorehelper";

bool HasKeyword(const MsWorkingRow& row) {
  return row.row->keyword != nullptr;
}

}  // namespace

MsDevmodeUsingIPrintCoreHelper::MsDevmodeUsingIPrintCoreHelper(HANDLE hPrinter, DEVMODEW* devmode,
                                                               std::uint32_t pdlBits, std::uint32_t colorMode,
                                                               IPrintCoreHelper* helper, DWORD mode)
    : MsDevmodeBase(hPrinter, devmode, pdlBits, colorMode),
      helper_(helper),
      devmodeSize_(GetDevmodeSize()),
      mode_(mode) {
  if (helper_ == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(
        kSource, __LINE__, "MsDevmodeUsingIPrintCoreHelper::MsDevmodeUsingIPrintCoreHelper", u"IPrintCoreHelper");
  std::erase_if(MutableWorkingCatalogue(), [this](const MsWorkingRow& row) {
    if (!HasKeyword(row)) return false;
    PCSTR option = nullptr;
    const HRESULT hr = helper_->GetOption(GetDevmode(), devmodeSize_, row.row->keyword, &option);
    return FAILED(hr) || option == nullptr;
  });
  // Taken last: a constructor that throws runs no destructor to give it back.
  helper_->AddRef();
}

MsDevmodeUsingIPrintCoreHelper::~MsDevmodeUsingIPrintCoreHelper() {
  helper_->Release();
}

const ms::ValueRow& MsDevmodeUsingIPrintCoreHelper::ReadOption(const MsWorkingRow& row) {
  PCSTR option = nullptr;
  const HRESULT hr = helper_->GetOption(GetDevmode(), devmodeSize_, row.row->keyword, &option);
  if (FAILED(hr) || option == nullptr || option[0] == '\0')
    TamorThrow<ExceptionIPrintCoreHelperReadFailure>(
        kSource, __LINE__, "MsDevmodeUsingIPrintCoreHelper::GetMsFeatureValue",
        CXString::Formatted(u"GetOption(%hs) returned 0x%08X", row.row->keyword, static_cast<unsigned>(hr)));
  return ms::KeywordToRow(row.table, option, row.row->feature);
}

int MsDevmodeUsingIPrintCoreHelper::GetMsFeatureValue(int feature, bool asOption) {
  const MsWorkingRow* row = FindWorkingRow(feature);
  if (row != nullptr && HasKeyword(*row)) {
    const ms::ValueRow& value = ReadOption(*row);
    return asOption ? value.option : value.raw;
  }
  const int raw = GetPublicFieldValue(feature);
  return asOption ? RawToOption(feature, raw) : raw;
}

void MsDevmodeUsingIPrintCoreHelper::SetMsFeatureValue(int feature, int value, bool valueIsOption) {
  constexpr const char* kFunction = "MsDevmodeUsingIPrintCoreHelper::SetMsFeatureValue";
  const MsWorkingRow* row = FindWorkingRow(feature);
  if (row == nullptr || !HasKeyword(*row)) {
    SetPublicFieldValue(feature, valueIsOption ? OptionToRaw(feature, value) : value);
    return;
  }
  // N-up and booklet share one driver feature: writing "1-up" would end a
  // booklet, and "booklet off" would end N-up, so an unchanged value stays put.
  if ((feature == 19 || feature == 20) && GetMsFeatureValue(feature, valueIsOption) == value) return;

  const ms::ValueRow* target =
      valueIsOption ? ms::FindRowByOption(row->table, value) : ms::FindRowByRaw(row->table, value);
  if (target == nullptr || target->keyword == nullptr)
    TamorThrow<ExceptionMicrosoftDevmodeValueMappingFailed>(
        kSource, __LINE__, kFunction, CXString::Formatted(u"feature %d has no option for %d", feature, value));

  const PRINT_FEATURE_OPTION pair = {row->row->keyword, target->keyword};
  DWORD written = 0;
  DWORD result = 0;
  const HRESULT hr = helper_->SetOptions(GetDevmode(), devmodeSize_, TRUE, &pair, 1, &written, &result);
  if (FAILED(hr) || written != 1)
    TamorThrow<ExceptionIPrintCoreHelperWriteFailure>(
        kSource, __LINE__, kFunction,
        CXString::Formatted(u"SetOptions(%hs=%hs) returned 0x%08X, %u written", row->row->keyword, target->keyword,
                            static_cast<unsigned>(hr), static_cast<unsigned>(written)));
}
