#include "msdevmode/MsDevmodeBase.h"

#include <cstddef>
#include <cstring>
#include <mutex>
#include <vector>

#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "complugins/msdevmodebase";
constexpr std::size_t kMaxFormName = CCHFORMNAME - 1;

struct PublicField {
  int feature;
  std::size_t offset;
  std::size_t size;  // 2 (short) or 4 (DWORD)
  DWORD fieldBit;    // 0: read only
};

// Resolution (8) spans two fields and is handled on its own.
constexpr PublicField kPublicFields[] = {
    {3, offsetof(DEVMODEW, dmOrientation), 2, DM_ORIENTATION},
    {4, offsetof(DEVMODEW, dmScale), 2, DM_SCALE},
    {5, offsetof(DEVMODEW, dmCopies), 2, DM_COPIES},
    {6, offsetof(DEVMODEW, dmCollate), 2, DM_COLLATE},
    {7, offsetof(DEVMODEW, dmDefaultSource), 2, DM_DEFAULTSOURCE},
    {9, offsetof(DEVMODEW, dmColor), 2, DM_COLOR},
    {10, offsetof(DEVMODEW, dmDuplex), 2, DM_DUPLEX},
    {11, offsetof(DEVMODEW, dmTTOption), 2, DM_TTOPTION},
    {12, offsetof(DEVMODEW, dmPaperSize), 2, 0},
    {13, offsetof(DEVMODEW, dmPaperWidth), 2, 0},
    {14, offsetof(DEVMODEW, dmPaperLength), 2, 0},
    {15, offsetof(DEVMODEW, dmICMMethod), 4, DM_ICMMETHOD},
    {16, offsetof(DEVMODEW, dmICMIntent), 4, DM_ICMINTENT},
    {17, offsetof(DEVMODEW, dmMediaType), 4, DM_MEDIATYPE},
    {18, offsetof(DEVMODEW, dmDitherType), 4, DM_DITHERTYPE},
};

const PublicField* FindPublicField(int feature) {
  for (const PublicField& field : kPublicFields)
    if (field.feature == feature) return &field;
  return nullptr;
}

std::vector<MsWorkingRow> WorkOutRows(std::uint32_t pdlBits, std::uint32_t colorMode) {
  const bool postScript = (pdlBits & ms::kPdlPostScript) != 0;
  std::vector<MsWorkingRow> rows;
  rows.reserve(ms::Catalogue().size());
  for (const ms::CatalogueRow& row : ms::Catalogue())
    if (ms::RowApplies(row, pdlBits, colorMode))
      rows.push_back({&row, ms::SelectValueTable(row.feature, postScript, pdlBits)});
  return rows;
}

// The catalogue rows that apply to a kind of printer, worked out once per
// kind (a devmode object is made at every injection point). A printer has
// one kind; a few are remembered, any further ones are worked out each time.
std::vector<MsWorkingRow> ApplicableRows(std::uint32_t pdlBits, std::uint32_t colorMode) {
  struct Kind {
    std::uint32_t pdlBits;
    std::uint32_t colorMode;
    std::vector<MsWorkingRow> rows;
  };
  constexpr std::size_t kKindsKept = 8;
  static std::mutex mutex;
  static std::vector<Kind> kinds;
  std::lock_guard lock(mutex);
  for (const Kind& kind : kinds)
    if (kind.pdlBits == pdlBits && kind.colorMode == colorMode) return kind.rows;
  std::vector<MsWorkingRow> rows = WorkOutRows(pdlBits, colorMode);
  if (kinds.size() < kKindsKept) kinds.push_back({pdlBits, colorMode, rows});
  return rows;
}

}  // namespace

MsDevmodeBase::MsDevmodeBase(HANDLE hPrinter, DEVMODEW* devmode, std::uint32_t pdlBits, std::uint32_t colorMode)
    : hPrinter_(hPrinter),
      devmode_(devmode),
      pdlBits_(pdlBits),
      colorMode_(colorMode),
      postScript_((pdlBits & ms::kPdlPostScript) != 0) {
  if (devmode == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__, "MsDevmodeBase::MsDevmodeBase", u"devmode");
  if (devmode->dmSize < offsetof(DEVMODEW, dmFields) + sizeof(DWORD))
    TamorThrow<ExceptionInvalidData>(kSource, __LINE__, "MsDevmodeBase::MsDevmodeBase",
                                     CXString::Formatted(u"dmSize %u", unsigned(devmode->dmSize)));
  working_ = ApplicableRows(pdlBits_, colorMode_);
}

DWORD MsDevmodeBase::GetDevmodeSize() const {
  return static_cast<DWORD>(devmode_->dmSize) + devmode_->dmDriverExtra;
}

const MsWorkingRow* MsDevmodeBase::FindWorkingRow(int feature) const {
  for (const MsWorkingRow& row : working_)
    if (row.row->feature == feature) return &row;
  return nullptr;
}

ms::ValueTable MsDevmodeBase::GetValueTable(int feature) const {
  return ms::SelectValueTable(feature, postScript_, pdlBits_);
}

int MsDevmodeBase::RawToOption(int feature, int raw) const {
  return ms::RawToOption(GetValueTable(feature), raw);
}

int MsDevmodeBase::OptionToRaw(int feature, int option) const {
  return ms::OptionToRaw(GetValueTable(feature), option, feature);
}

int MsDevmodeBase::GetPublicFieldValue(int feature) const {
  constexpr const char* kFunction = "MsDevmodeBase::GetPublicFieldValue";
  auto* bytes = reinterpret_cast<const std::uint8_t*>(devmode_);
  if (feature == 8) {
    if (devmode_->dmSize < offsetof(DEVMODEW, dmYResolution) + sizeof(short))
      TamorThrow<ExceptionMicrosoftFeatureNotFound>(kSource, __LINE__, kFunction, u"resolution not in this devmode");
    const auto quality = static_cast<std::uint16_t>(devmode_->dmPrintQuality);
    const auto y = static_cast<std::uint16_t>(devmode_->dmYResolution);
    return static_cast<int>((static_cast<std::uint32_t>(quality) << 16) | y);
  }
  const PublicField* field = FindPublicField(feature);
  if (field == nullptr)
    TamorThrow<ExceptionMicrosoftFeatureNotFound>(kSource, __LINE__, kFunction,
                                                  CXString::Formatted(u"feature %d has no public field", feature));
  if (field->offset + field->size > devmode_->dmSize)
    TamorThrow<ExceptionMicrosoftFeatureNotFound>(kSource, __LINE__, kFunction,
                                                  CXString::Formatted(u"feature %d is not in this devmode", feature));
  if (field->size == 2) {
    short value = 0;
    std::memcpy(&value, bytes + field->offset, sizeof value);
    return value;
  }
  DWORD value = 0;
  std::memcpy(&value, bytes + field->offset, sizeof value);
  return static_cast<int>(value);
}

void MsDevmodeBase::SetPublicFieldValue(int feature, int raw) {
  constexpr const char* kFunction = "MsDevmodeBase::SetPublicFieldValue";
  auto* bytes = reinterpret_cast<std::uint8_t*>(devmode_);
  if (feature == 8) {
    if (devmode_->dmSize < offsetof(DEVMODEW, dmYResolution) + sizeof(short))
      TamorThrow<ExceptionMicrosoftFeatureNotFound>(kSource, __LINE__, kFunction, u"resolution not in this devmode");
    const auto bits = static_cast<std::uint32_t>(raw);
    devmode_->dmPrintQuality = static_cast<short>(bits >> 16);
    devmode_->dmYResolution = static_cast<short>(bits & 0xFFFF);
    devmode_->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
    return;
  }
  const PublicField* field = FindPublicField(feature);
  if (field == nullptr || field->fieldBit == 0)
    TamorThrow<ExceptionMicrosoftFeatureNotFound>(
        kSource, __LINE__, kFunction, CXString::Formatted(u"feature %d cannot be set in a public field", feature));
  if (field->offset + field->size > devmode_->dmSize)
    TamorThrow<ExceptionMicrosoftFeatureNotFound>(kSource, __LINE__, kFunction,
                                                  CXString::Formatted(u"feature %d is not in this devmode", feature));
  if (field->size == 2) {
    const auto value = static_cast<short>(raw);
    std::memcpy(bytes + field->offset, &value, sizeof value);
  } else {
    const auto value = static_cast<DWORD>(raw);
    std::memcpy(bytes + field->offset, &value, sizeof value);
  }
  devmode_->dmFields |= field->fieldBit;
}

void MsDevmodeBase::SetMsPaperSizeFeaturesCurrentValues(int paperSize, int width, int length,
                                                        const CXString& formName) {
  constexpr const char* kFunction = "MsDevmodeBase::SetMsPaperSizeFeaturesCurrentValues";
  const bool valid = paperSize == 0 ? (width != 0 && length != 0) : ((width == 0) == (length == 0));
  const auto fitsShort = [](int v) { return v >= -32768 && v <= 32767; };
  if (!valid || !fitsShort(paperSize) || width < 0 || length < 0 || !fitsShort(width) || !fitsShort(length))
    TamorThrow<ExceptionInvalidPaperSizeData>(kSource, __LINE__, kFunction,
                                              CXString::Formatted(u"paper %d, %d x %d", paperSize, width, length));
  if (formName.GetLength() > kMaxFormName)
    TamorThrow<ExceptionInvalidFormName>(kSource, __LINE__, kFunction,
                                         CXString::Formatted(u"%u characters", unsigned(formName.GetLength())));
  if (devmode_->dmSize < offsetof(DEVMODEW, dmFormName) + sizeof(devmode_->dmFormName))
    TamorThrow<ExceptionMicrosoftFeatureNotFound>(kSource, __LINE__, kFunction, u"no paper fields in this devmode");

  devmode_->dmPaperSize = static_cast<short>(paperSize);
  devmode_->dmFields |= DM_PAPERSIZE;
  if (paperSize == 0) {
    devmode_->dmPaperLength = static_cast<short>(length);
    devmode_->dmPaperWidth = static_cast<short>(width);
    devmode_->dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
  } else {
    devmode_->dmPaperLength = 0;
    devmode_->dmPaperWidth = 0;
    devmode_->dmFields &= ~(DM_PAPERLENGTH | DM_PAPERWIDTH);
  }
  std::memset(devmode_->dmFormName, 0, sizeof devmode_->dmFormName);
  devmode_->dmFields &= ~DM_FORMNAME;
}

CXString MsDevmodeBase::GetFormName() const {
  if (devmode_->dmSize < offsetof(DEVMODEW, dmFormName) + sizeof(devmode_->dmFormName)) return CXString();
  char16_t name[CCHFORMNAME] = {};
  std::memcpy(name, devmode_->dmFormName, sizeof name);
  std::size_t length = 0;
  while (length < CCHFORMNAME && name[length] != 0) ++length;
  return CXString(name, length);
}
