#include "families/pjl/PjlHeader.h"

#include "zqcore/DataModelIds.h"

#include <string>

#include "injection/FeatureBlock.h"
#include "pdev/XOemPdev.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/Base64.h"
#include "zqutil/Number.h"
#include "zqutil/User.h"

namespace renpsoem {

namespace {

using namespace DataModelIds;

// The printer XORs the key field with this before decoding; it does not repeat.
constexpr char16_t kHoldKeyMask[] = u"qkxvqkxvqkxv";
constexpr std::size_t kHoldKeyMaskLength = sizeof kHoldKeyMask / sizeof kHoldKeyMask[0] - 1;
constexpr std::size_t kHoldKeyFieldLength = 23;
// The printer shows at most this much of the document name.
constexpr std::size_t kDocumentNameLength = 24;

constexpr const char16_t* kUniversalExit = u"\x1b%-12345X";
constexpr const char16_t* kEndOfJob = u"\x1b%-12345X@PJL EOJ\n";
constexpr const char16_t* kWrapperEndOfJob = u"\x1b%-12345X@PJL EOJ\n\x1b%-12345X";
constexpr const char16_t* kWrapperHeader = u"\x1b%%-12345X@PJL JOB NAME = \"%s\"\n@PJL ENTER LANGUAGE = POSTSCRIPT\n";
constexpr const char16_t* kEnterPostScript = u"@PJL ENTER LANGUAGE=POSTSCRIPT\n";

constexpr const char16_t* kModePrinter = u"@PJL JOB MODE=PRINTER\n";
constexpr const char16_t* kModeFax = u"@PJL JOB MODE=DIRECTFAX\n@PJL SET COPIES=1\n";
constexpr const char16_t* kHoldStore = u"@PJL SET HOLD=STORE\n";
constexpr const char16_t* kHoldProof = u"@PJL SET HOLD=PROOF\n";

CXString Formatted(const char16_t* format, const CXString& argument) {
  CXString text;
  text.Format(format, argument.c_str());
  return text;
}

// "@PJL SET JOBATTR=\"@PRTM=yyyy:mm:dd:hh:mm\"\n" for the delayed-print settings.
CXString DelayedPrintTime(AttributeBytesReader& settings) {
  CXString hourText;
  CXString minuteText;
  settings.GetStringValueFromAttributeBytes(kFeatureDelayedPrintHour, hourText);
  settings.GetStringValueFromAttributeBytes(kFeatureDelayedPrintMinute, minuteText);
  const int hour = Number::GetIntValue(hourText);
  const int minute = Number::GetIntValue(minuteText);
  const XDateTime day = DelayedPrintDay(hour, minute);
  CXString text;
  text.Format(u"@PJL SET JOBATTR=\"@PRTM=%04d:%02d:%02d:%02d:%02d\"\n", day.GetYear(), day.GetMonth(), day.GetDay(),
              hour, minute);
  return text;
}

CXString JobTypeText(DWORD jobType, AttributeBytesReader& settings, const CXString& owner,
                     const CXString& documentName) {
  CXString storedName;
  if (!ReadStoredJobString(settings, kFeatureStoredJobName, storedName) || storedName.IsEmpty())
    storedName = documentName;
  const CXString user = Formatted(u"@PJL SET USERNAME=\"%s\"\n", owner);
  const CXString name = Formatted(u"@PJL SET JOBNAME=\"%s\"\n", storedName);
  CXString key;
  CXString passcode;
  if (settings.GetStringValueFromAttributeBytes(kFeatureJobPassword, passcode) && !passcode.IsEmpty())
    key = Formatted(u"@PJL SET HOLDTYPE=PRIVATE\n@PJL SET HOLDENCRYPTKEY=\"%s\"\n", EncodeHoldKey(passcode));

  switch (jobType) {
    case kValueOutputModeNormal:
      return kModePrinter;
    case kValueOutputModeSecure:
      return CXString(kModePrinter) + kHoldStore + key + user + name;
    case kValueJobProofPrint:
      return CXString(kModePrinter) + kHoldProof + user + name;
    case kValueJobDelayedPrint:
      return CXString(kModePrinter) + name + DelayedPrintTime(settings);
    case kValueOutputModeFax:
      return kModeFax;
    default:
      return CXString();
  }
}

}  // namespace

CXString EncodeHoldKey(const CXString& passcode) {
  const std::size_t n = passcode.GetLength();
  if (n == 0 || (n + 2) / 3 * 4 > kHoldKeyFieldLength) return CXString();
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned mask = i < kHoldKeyMaskLength ? kHoldKeyMask[i] & 0xFFu : 0u;
    bytes[i] = static_cast<char>((passcode.GetAt(i) & 0xFFu) ^ mask);
  }
  return Base64::EncodeToString(bytes.data(), bytes.size());
}

CXString FormatHostAddressHex(const CXString& dotted) {
  CXString hex;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = dotted.Find(u'.', start);
    const CXString part = dot == CXString::npos ? dotted.Mid(start) : dotted.Mid(start, dot - start);
    CXString next;
    next.Format(u"%s%02X", hex.c_str(), Number::GetIntValue(part));
    hex = next;
    if (dot == CXString::npos) return hex;
    start = dot + 1;
  }
}

XDateTime DelayedPrintDay(int hour, int minute) {
  XDateTime now = XDateTime::XGetCurrentTime();
  if (now.GetHour() > hour || (now.GetHour() == hour && now.GetMinute() > minute)) now.XAddOneDay();
  return now;
}

bool ReadStoredJobString(AttributeBytesReader& settings, std::uint32_t feature, CXString& value) {
  AttributeBytesIndexedList storedJob;
  AttributeBytesIndexedList entry;
  return settings.GetCollectionFromAttributeBytes(kFeatureStoredJob, storedJob) &&
         storedJob.GetCollectionByIndex(kFeatureStoredJobEntries, 0, entry) && entry.GetStringValue(feature, value);
}

void EmitPjlFamilyHeader(CXString& /*workspace*/, HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                         MsFeatureManager& /*features*/, InjectionList& list) {
  AppendInjectionEntry(list, kUniversalExit, PSINJECT_BEGINSTREAM, true);

  const CXString address = User::GetComputerIPAddressStr();
  if (!address.IsEmpty())
    AppendInjectionEntry(list, Formatted(u"@PJL SET JOBATTR=\"@HOAD=I%s\"\n", FormatHostAddressHex(address)),
                         PSINJECT_BEGINSTREAM, true);
  const CXString computer = User::GetFullComputerName();
  if (!computer.IsEmpty())
    AppendInjectionEntry(list, Formatted(u"@PJL SET JOBATTR=\"@CNAM=%s\"\n", computer), PSINJECT_BEGINSTREAM, true);
  const CXString owner = ResolveJobOwner(hPrinter, pdev, settings);
  if (!owner.IsEmpty())
    AppendInjectionEntry(list, Formatted(u"@PJL SET JOBATTR=\"@LUNA=%s\"\n", owner), PSINJECT_BEGINSTREAM, true);
  CXString documentName;
  pdev.GetString(kPdevDocumentName, documentName);
  if (!documentName.IsEmpty()) {
    if (documentName.GetLength() > kDocumentNameLength) documentName = documentName.Left(kDocumentNameLength);
    AppendInjectionEntry(list, Formatted(u"@PJL SET JOBATTR=\"@ACNA=%s\"\n", documentName), PSINJECT_BEGINSTREAM, true);
  }

  DWORD jobType = kValueNone;
  settings.GetOptionValueFromAttributeBytes(kFeatureOutputMode, jobType);
  if (jobType != kValueOutputModeFax) {
    DWORD startSheet = kValueNone;
    settings.GetOptionValueFromAttributeBytes(kFeatureStartSheet, startSheet);
    if (startSheet == kValueStartSheetFull)
      AppendInjectionEntry(list, u"@PJL SET JOBATTR=\"@BANR=START\"\n", PSINJECT_BEGINSTREAM, true);
    else if (startSheet == kValueStartSheetNone)
      AppendInjectionEntry(list, u"@PJL SET JOBATTR=\"@BANR=OFF\"\n", PSINJECT_BEGINSTREAM, true);
  }
  AppendInjectionEntry(list, JobTypeText(jobType, settings, owner, documentName), PSINJECT_BEGINSTREAM, true);
  AppendInjectionEntry(list, kEnterPostScript, PSINJECT_BEGINSTREAM, true);

  AppendInjectionEntry(list, kEndOfJob, PSINJECT_ENDSTREAM, true);
}

bool EmitPjlJobNameWrapper(CXString& workspace, AttributeBytesReader& settings, InjectionList& list,
                           const CXString& jobName) {
  DWORD jobType = kValueNone;
  settings.GetOptionValueFromAttributeBytes(kFeatureOutputMode, jobType);
  CXString storedName;
  const bool stored = ReadStoredJobString(settings, kFeatureStoredJobName, storedName);
  workspace = storedName;
  if (!(jobType == kValueJobSaved && stored && !storedName.IsEmpty())) workspace = jobName;
  AppendInjectionEntry(list, Formatted(kWrapperHeader, workspace), PSINJECT_BEGINSTREAM, true);
  AppendInjectionEntry(list, kWrapperEndOfJob, PSINJECT_ENDSTREAM, true);
  return true;
}

}  // namespace renpsoem
