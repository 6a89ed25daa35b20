#include "jobdata/FaxJob.h"

#include "support/ByteAccess.h"
#include "zqcore/DataModelIds.h"

#include <cstring>

#include "injection/FeatureBlock.h"
#include "jobdata/ApplicationSnippets.h"
#include "platform/win32.h"
#include "support/SpoolWriter.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/Number.h"
#include "zqutil/XDateTime.h"

namespace renpsoem {

namespace {

constexpr ULONG kEscapeDestinations = 0xF43575CC;
constexpr ULONG kEscapeCover = 0xF43575CD;
constexpr std::size_t kRecordSize = 104;
constexpr std::size_t kPhoneUnits = 47;
constexpr std::size_t kMailboxOffset = 94;
constexpr std::size_t kMailboxUnits = 5;

// The fax settings collection and its members.

// A UTF-16 string field of a record, cut at its field size.
CXString RecordText(const std::uint8_t* record, std::size_t units) {
  std::u16string text;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t c = static_cast<char16_t>(record[2 * i] | (record[2 * i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return CXString(std::move(text));
}

// One attribute line in the form the output options ask for.
void AppendLine(InjectionList& list, bool postScriptForm, const char16_t* name, const char16_t* valueFormat,
                const CXString& value) {
  CXString format(postScriptForm ? u"%%%%" : u"@PJL COMMENT ");
  format += name;
  format += u" ";
  format += valueFormat;
  format += u";\n";
  CXString line;
  line.Format(format, value.c_str());
  InjectionEntry entry;
  if (MakeInjectionEntry(entry, line, postScriptForm ? PSINJECT_BEGINSTREAM : PSINJECT_PSADOBE, true))
    list.push_back(entry);
}

}  // namespace

bool IsFaxEscape(ULONG iEsc) {
  return iEsc == kEscapeDestinations || iEsc == kEscapeCover;
}

HRESULT HandleFaxEscape(XOemPdevPs& pdev, PDEVOBJ pdevobj, ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut,
                        void* pvOut) {
  if (iEsc != kEscapeDestinations && iEsc != kEscapeCover) return E_NOTIMPL;
  const bool outputAccepted = (cjOut == 0 && pvOut == nullptr) || (cjOut == 1 && pvOut != nullptr);
  HRESULT result = E_FAIL;
  FaxJobBlock& fax = *pdev.faxBlock;
  if (outputAccepted && cjIn > 0 && pvIn != nullptr) {
    if (iEsc == kEscapeDestinations) {
      // Only the first list per device context is kept; a list whose records
      // run past the input is refused.
      const bool fits = cjIn >= 4 && bytes::Read32(pvIn) <= (cjIn - 4) / kRecordSize;
      if (!fax.destinationData && fits) {
        fax.destinationData = std::make_unique<ByteBuffer>(pvIn, cjIn);
        result = 1;
      }
    } else {
      fax.coverData = std::make_unique<ByteBuffer>(pvIn, cjIn);
      if (fax.prologSeen) WriteFaxCover(pdev, pdevobj);
      result = 1;
    }
  }
  bytes::WriteEscapeStatus(pvOut, cjOut, 0);
  return result;
}

HRESULT WriteFaxCover(XOemPdevPs& pdev, PDEVOBJ pdevobj) {
  FaxJobBlock& fax = *pdev.faxBlock;
  if (fax.coverClosed) return E_FAIL;
  if (fax.coverData) {
    const HRESULT hr = WriteToSpool(fax.driverHelper, pdevobj, fax.coverData->getLpbyte(), fax.coverData->size());
    fax.coverData.reset();
    fax.coverClosed = true;
    return hr;
  }
  fax.coverClosed = pdev.pageCounter > 1;
  return E_FAIL;
}

void EmitFaxAttributes(XOemPdevPs& pdev, AttributeBytesReader& settings, InjectionList& list) {
  FaxJobBlock& fax = *pdev.faxBlock;
  if (!fax.destinationData || fax.destinationData->size() < 4) return;
  const std::uint8_t* data = fax.destinationData->getLpbyte();
  const std::uint32_t count = bytes::Read32(data);
  if (count == 0) return;
  DWORD outputMode = 0;
  if (!settings.GetOptionValueFromAttributeBytes(36, outputMode) || outputMode != DataModelIds::kValueOutputModeFax)
    return;

  const bool ps = (fax.outputOptions & kOutputOptionPostScriptForm) != 0;
  AttributeBytesIndexedList faxSettings;
  settings.GetCollectionFromAttributeBytes(DataModelIds::kFeatureFaxSettings, faxSettings);

  AppendLine(list, ps, u"OID_ATT_FAX_COVER_SHEET", u"%s", fax.coverData ? u"TRUE" : u"FALSE");

  AttributeBytesValueEnum option = 0;
  const bool confirmation = faxSettings.GetOptionValue(DataModelIds::kFeatureFaxConfirmation, option) && option == 7221;
  AppendLine(list, ps, u"OID_ATT_FAX_CONFIRMATION_SHEET", u"%s", confirmation ? u"TRUE" : u"FALSE");

  int resolution = 1;
  if (faxSettings.GetOptionValue(DataModelIds::kFeatureFaxResolution, option)) {
    if (option == 7110) resolution = 0;
    if (option == 7112) resolution = 2;
  }
  AppendLine(list, ps, u"OID_ATT_FAX_RESOLUTION", u"%s", Number::GetStringValue(resolution));

  const char16_t* faxType = u"OID_VAL_FAX_TYPE_G3_AUTO";
  if (faxSettings.GetOptionValue(DataModelIds::kFeatureFaxType, option)) {
    switch (option) {
      case 7100:
        faxType = u"OID_VAL_FAX_TYPE_G3_FORCED_4800";
        break;
      case 7101:
        faxType = u"OID_VAL_FAX_TYPE_G3_9600";
        break;
      case 7102:
        faxType = u"OID_VAL_FAX_TYPE_G3_14000";
        break;
      case 7103:
        faxType = u"OID_VAL_FAX_TYPE_G3_19200";
        break;
      case 7104:
        faxType = u"OID_VAL_FAX_TYPE_G3_28800";
        break;
      default:
        break;
    }
  }
  AppendLine(list, ps, u"OID_ATT_FAX_TYPE", u"%s", faxType);

  bool flag = false;
  CXString text;
  if (faxSettings.GetBooleanValue(DataModelIds::kFeatureFaxCreditCardOn, flag) && flag &&
      faxSettings.GetStringValue(DataModelIds::kFeatureFaxCreditCard, text) && !text.IsEmpty())
    AppendLine(list, ps, u"OID_ATT_CREDIT_CARD", u"\"%s\"", text);

  if (faxSettings.GetOptionValue(DataModelIds::kFeatureFaxDelayedSend, option) && option == 7231) {
    CXString hour, minute;
    faxSettings.GetStringValue(DataModelIds::kFeatureFaxSendHour, hour);
    faxSettings.GetStringValue(DataModelIds::kFeatureFaxSendMinute, minute);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    AppendLine(list, ps, u"OID_ATT_JOB_FAX_AFTER", u"\"%s\"",
               FaxSendTime(now, Number::GetIntValue(hour), Number::GetIntValue(minute)));
  }

  CXString prefix;
  const bool usePrefix = faxSettings.GetBooleanValue(DataModelIds::kFeatureFaxPrefixOn, flag) && flag &&
                         faxSettings.GetStringValue(DataModelIds::kFeatureFaxPrefix, prefix) && !prefix.IsEmpty();
  const std::size_t available = (fax.destinationData->size() - 4) / kRecordSize;
  for (std::uint32_t i = 0; i < count && i < available; ++i) {
    const std::uint8_t* record = data + 4 + i * kRecordSize;
    CXString number = RecordText(record, kPhoneUnits);
    if (usePrefix) number = CXString::Formatted(u"%s,%s", prefix.c_str(), number.c_str());
    AppendLine(list, ps, u"OID_ATT_FAX_DESTINATION_PHONE", u"\"%s\"", number);
    const CXString mailbox = RecordText(record + kMailboxOffset, kMailboxUnits);
    if (!mailbox.IsEmpty()) AppendLine(list, ps, u"OID_ATT_FAX_MAILBOX", u"%s", mailbox);
  }
}

void EndFaxPdev(FaxJobBlock& fax, PDEVOBJ /*pdevobj*/) {
  fax.coverData.reset();
  fax.destinationData.reset();
  fax.driverHelper = nullptr;
}

CXString FaxSendTime(const SYSTEMTIME& now, int hour, int minute) {
  int year = now.wYear;
  int month = now.wMonth;
  int day = now.wDay;
  if (now.wHour > hour || (now.wHour == hour && now.wMinute > minute)) {
    ++day;
    if (day > XDateTime::DaysInMonth(year, month)) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  return CXString::Formatted(u"%4.4d%2.2d%2.2d%2.2d%2.2d%2.2d", year, month, day, hour, minute, 0);
}

}  // namespace renpsoem
