#include "families/oid/OidTicket.h"

#include "zqcore/DataModelIds.h"

#include "capabilities/MSDeviceCapabilities.h"
#include "families/oid/OidCommandTables.h"
#include "families/pjl/PjlHeader.h"
#include "families/plain/IdentificationFamily.h"
#include "injection/FeatureBlock.h"
#include "msdevmode/MsFeatureManager.h"
#include "pdev/XOemPdev.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/Dimension.h"
#include "zqutil/Number.h"
#include "zqutil/PersistentAttributes.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/XDateTime.h"

namespace renpsoem {

namespace {

using namespace DataModelIds;

// The printer reverses this XOR; it does not repeat the key.
constexpr char16_t kPasscodeKey[] = u"mbrtmbrtmb";
constexpr std::size_t kPasscodeKeyLength = sizeof kPasscodeKey / sizeof kPasscodeKey[0] - 1;
// Shorter passcodes are refused by the printer, so none is sent.
constexpr std::size_t kPasscodeMinLength = 4;

constexpr const char16_t* kTicketBegin = u"%!PS-Adobe-3.0\n%%TMRbegin\n";
constexpr const char16_t* kTicketEnd = u"%%TMRend\n";
constexpr const char16_t* kBlackAndWhite = u"%%OID_ATT_COLOR_MODE OID_VAL_COLOR_MODE_BLACK_WHITE;\n";
constexpr const char16_t* kSecurePrint = u"%%OID_ATT_JOB_TYPE OID_VAL_JOB_TYPE_SECURE_PRINT;\n";
// Written as it stands: its percent signs are not a format.
constexpr const char16_t* kTonerSaver =
    u"featurebegin{\r\n%%BeginFeature: *Lightness - Toner Saver\n (<<) cvx exec /PostRenderingEnhance true  "
    u"/PostRenderingEnhanceDetails (<<) cvx exec /Type 33  /DensityControl %d /TonerSaver %d (>>) cvx exec (>>) cvx "
    u"exec setpagedevice\r\n%% End Feature\r\n}featurecleanup";
constexpr const char16_t* kCopiesCode =
    u"/languagelevel where {pop languagelevel}{1} ifelse\n"
    u"2 ge { 1 dict dup /NumCopies 4 -1 roll put setpagedevice }{ userdict /#copies 3 -1 roll put } ifelse";
// Turns the driver's N-up pagelets instead of the sheet.
constexpr const char16_t* kRotatedNup =
    u"\n%%TmrRotatedNup\n/definenup{6 -1 roll 180 add 6 +1 roll /LH/nupshowpage ld nupv astore !/pgx_nup 0 "
    u"store/pgy_nup 0 store}def\n";
constexpr const char16_t* kRotate180 = u"\n%%TmrRotate180\n%d %d translate -1 -1 scale %d %d translate\n";

constexpr const char16_t* kStapleSinglePortrait =
    u"<< /Staple 3 /StapleDetails << /Type 1 /StapleLocation (SinglePortrait) >> >> setpagedevice\n";
constexpr const char16_t* kStapleSingleLandscape =
    u"<< /Staple 3 /StapleDetails << /Type 1 /StapleLocation (SingleLandscape) >> >> setpagedevice\n";
constexpr const char16_t* kStapleDualLandscape =
    u"<< /Staple 3 /StapleDetails << /Type 1 /StapleLocation (DualLandscape) >> >> setpagedevice\n";
constexpr const char16_t* kStapleMultiple =
    u"<< /Staple 3 /StapleDetails << /Type 1 /StapleLocation (Multiple) >> >> setpagedevice\n";
constexpr const char16_t* kPunch2 =
    u"(<<) cvx exec /Punch 4 /PunchDetails (<<) cvx exec /Type 6 /NumHoles 2 (>>) cvx exec (>>) cvx exec "
    u"setpagedevice\n";
constexpr const char16_t* kPunch3 =
    u"(<<) cvx exec /Punch 4 /PunchDetails (<<) cvx exec /Type 6 /NumHoles 3 (>>) cvx exec (>>) cvx exec "
    u"setpagedevice\n";
constexpr const char16_t* kPunch4 =
    u"(<<) cvx exec /Punch 4 /PunchDetails (<<) cvx exec /Type 6 /NumHoles 4 (>>) cvx exec (>>) cvx exec "
    u"setpagedevice\n";
constexpr const char16_t* kBookletStaple =
    u"(<<)cvx exec /Booklet true (>>) cvx exec setpagedevice (<<) cvx exec /BookletDetails (<<) cvx exec /Type 2 "
    u"/Staples 2 (>>) cvx exec /LeadingEdge 2 (>>) cvx exec setpagedevice\n";
constexpr const char16_t* kBookletNoStaple =
    u"(<<)cvx exec /Booklet true (>>) cvx exec setpagedevice (<<) cvx exec /BookletDetails (<<) cvx exec /Type 2 "
    u"/Staples 0 (>>) cvx exec /LeadingEdge 2 (>>) cvx exec setpagedevice\n";
constexpr const char16_t* kFoldC =
    u"<</Fold 3>> setpagedevice << /FoldDetails << /Type 5 /FoldMethod 1 >> >> setpagedevice << /LeadingEdge 0 >> "
    u"setpagedevice\n";
constexpr const char16_t* kFoldZ =
    u"<</Fold 3>> setpagedevice << /FoldDetails << /Type 5 /FoldMethod 2 >> >> setpagedevice << /LeadingEdge 0 >> "
    u"setpagedevice\n";

DWORD OptionOr(AttributeBytesReader& settings, std::uint32_t feature, DWORD fallback) {
  DWORD value = fallback;
  settings.GetOptionValueFromAttributeBytes(feature, value);
  return value;
}

bool IsTrue(AttributeBytesReader& settings, std::uint32_t feature) {
  bool value = false;
  return settings.GetBooleanValueFromAttributeBytes(feature, value) && value;
}

CXString Formatted(const char16_t* format, const CXString& argument) {
  CXString text;
  text.Format(format, argument.c_str());
  return text;
}

CXString Block(const FeatureCommandEntry& row) {
  return BuildFeatureBlock(row.keyword, row.optionName, row.code);
}

const FeatureCommandEntry& RowOr(std::span<const FeatureCommandEntry> table, DWORD value,
                                 const FeatureCommandEntry& fallback) {
  const FeatureCommandEntry* row = FindFeatureCommand(table, value);
  return row != nullptr ? *row : fallback;
}

// Replaces the first "%d" of `text` by `value`.
void ReplaceNumber(CXString& text, long long value) {
  const std::size_t at = text.Find(u"%d");
  if (at == CXString::npos) return;
  text.Delete(at, 2);
  text.Insert(at, Number::GetStringValue(static_cast<std::int64_t>(value)).c_str());
}

// "YYYYMMDDhhmm00" of the next time the clock shows hour:minute.
CXString PrintAfterLine(AttributeBytesReader& settings) {
  CXString hourText;
  CXString minuteText;
  settings.GetStringValueFromAttributeBytes(kFeatureDelayedPrintHour, hourText);
  settings.GetStringValueFromAttributeBytes(kFeatureDelayedPrintMinute, minuteText);
  const int hour = Number::GetIntValue(hourText);
  const int minute = Number::GetIntValue(minuteText);
  const XDateTime day = DelayedPrintDay(hour, minute);
  CXString text;
  text.Format(u"%%%%OID_ATT_JOB_PRINT_AFTER \"%04d%02d%02d%02d%02d%02d\";\n", day.GetYear(), day.GetMonth(),
              day.GetDay(), hour, minute, 0);
  return text;
}

CXString JobTypeText(DWORD jobType, AttributeBytesReader& settings, const CXString& passwordLine,
                     const CXString& savedJobName) {
  switch (jobType) {
    case kValueOutputModeNormal:
      return u"%%OID_ATT_JOB_TYPE OID_VAL_JOB_TYPE_PRINT;\n";
    case kValueOutputModeSecure:
      return passwordLine.IsEmpty() ? CXString() : CXString(kSecurePrint) + passwordLine;
    case kValueJobProofPrint:
      return u"%%OID_ATT_JOB_TYPE OID_VAL_JOB_TYPE_PROOF_PRINT;\n";
    case kValueJobDelayedPrint:
      return PrintAfterLine(settings);
    case kValueOutputModeFax:
      return u"%%OID_ATT_JOB_TYPE OID_VAL_JOB_TYPE_FAX_SEND;\n";
    case kValueJobSaved: {
      CXString text;
      const DWORD disposition = OptionOr(settings, kFeatureSavedJobKind, kValueNone);
      if (disposition == kValueSavedJob)
        text += u"%%OID_ATT_SAVE_DISPOSITION OID_VAL_SAVE_DISPOSITION_SAVE_ONLY;\n";
      else if (disposition == kValueSavePrintAndSave)
        text += u"%%OID_ATT_SAVE_DISPOSITION OID_VAL_SAVE_DISPOSITION_PRINT_SAVE;\n";
      CXString location;
      if (ReadStoredJobString(settings, kFeatureStoredJobLocation, location) && !location.IsEmpty())
        text += Formatted(u"%%%%OID_ATT_SAVE_LOCATION \"%s\";\n", location);
      text += Formatted(u"%%%%OID_ATT_SAVE_NAME \"%s\";\n", savedJobName);
      if (IsTrue(settings, kFeatureSavedJobSecured) && !passwordLine.IsEmpty())
        text += CXString(kSecurePrint) + passwordLine;
      return text;
    }
    default:
      return CXString();
  }
}

CXString AccountingLines(HANDLE hPrinter, const XOemPdev& pdev) {
  const AccountingInfo info = GetAccountingInfo(hPrinter, pdev);
  if (!info.valid || (info.system != kValueAccountingTypedAccounts && info.system != kValueAccountingWithIds))
    return CXString();
  CXString text = Formatted(u"%%%%OID_ATT_ACCOUNTING_INFORMATION_AVP \"TMR_USERID,%s\";\r\n", info.userId);
  const char16_t* account = nullptr;
  if (info.system == kValueAccountingWithIds)
    account = u"TMR_ACCTID";
  else if (info.accountType == kValueAccountTypeGeneral)
    account = u"TMR_GENERALACCT";
  else if (info.accountType == kValueAccountTypeGroup)
    account = u"TMR_GROUPACCT";
  if (account != nullptr) {
    CXString line;
    line.Format(u"%%%%OID_ATT_ACCOUNTING_INFORMATION_AVP \"%s,%s\";\r\n", account, info.accountId.c_str());
    text += line;
  }
  return text;
}

CXString StartSheetLine(AttributeBytesReader& settings) {
  const DWORD sheet = IsTrue(settings, kFeatureStartSheetForcedUser)
                          ? static_cast<DWORD>(kValueNone)
                          : OptionOr(settings, kFeatureStartSheet, kValueNone);
  if (sheet == kValueStartSheetFull) return u"%%OID_ATT_START_SHEET OID_VAL_JOB_SHEET_FULL;\n";
  if (sheet == kValueNone) return u"%%OID_ATT_START_SHEET OID_VAL_JOB_SHEET_USER;\n";
  return u"%%OID_ATT_START_SHEET OID_VAL_JOB_SHEET_NONE;\n";
}

struct FinishingTexts {
  CXString staple = BuildFeatureBlock(u"Stapling", u"None", u"<< /Staple 0 >> setpagedevice\n");
  CXString punch = BuildFeatureBlock(u"Punching", u"None", u"%% Punch Off\n");
  CXString booklet;
  CXString fold;
};

// A later value of the same group replaces an earlier one.
FinishingTexts FinishingFor(AttributeBytesReader& settings, std::uint32_t orientation) {
  FinishingTexts texts;
  const AttributeBytesIndexedList& all = settings.GetAttributeBytesList();
  std::size_t count = 0;
  all.GetListCount(kFeatureFinishingList, count);
  for (std::size_t i = 0; i < count; ++i) {
    AttributeBytesValueEnum value = kValueNone;
    if (!all.GetOptionValueByIndex(kFeatureFinishingList, i, value)) continue;
    switch (value) {
      case kValueFinishingStapleSingle:
        texts.staple = orientation == kValueMsOrientationPortrait
                           ? BuildFeatureBlock(u"Stapling", u"Single-Portrait", kStapleSinglePortrait)
                           : BuildFeatureBlock(u"Stapling", u"Single-Landscape", kStapleSingleLandscape);
        break;
      case kValueFinishingStapleDual:
        texts.staple = BuildFeatureBlock(u"Stapling", u"Dual-Landscape", kStapleDualLandscape);
        break;
      case kValueFinishingStapleMultiple:
        texts.staple = BuildFeatureBlock(u"Stapling", u"Multiple", kStapleMultiple);
        break;
      case kValueFinishingPunch2:
        texts.punch = BuildFeatureBlock(u"Punching", u"2-Hole", kPunch2);
        break;
      case kValueFinishingPunch3:
        texts.punch = BuildFeatureBlock(u"Punching", u"3-Hole", kPunch3);
        break;
      case kValueFinishingPunch4:
        texts.punch = BuildFeatureBlock(u"Punching", u"4-Hole", kPunch4);
        break;
      case kValueFinishingFoldStaple:
        texts.booklet = BuildFeatureBlock(u"Booklet Fold", u"Fold, Staple", kBookletStaple);
        break;
      case kValueFinishingFoldNoStaple:
        texts.booklet = BuildFeatureBlock(u"Booklet Fold", u"Fold, No Staple", kBookletNoStaple);
        break;
      case kValueFoldC:
        texts.fold = BuildFeatureBlock(u"Fold", u"C Fold", kFoldC);
        break;
      case kValueFinishingFold:
        texts.fold = BuildFeatureBlock(u"Fold", u"Z Fold", kFoldZ);
        break;
      default:
        break;
    }
  }
  return texts;
}

// The page in whole points, for the per-page turn about its centre.
int WindowsPaperPoints(MsFeatureManager& features, int feature) {
  const Dimension length(static_cast<double>(features.GetMsFeatureValue(feature, false)), Dimension::kTenthMillimetre);
  return Number::GetIntValue(length.GetValue(Dimension::kPoint), 0.499999);
}

bool IsNupLayout(DWORD nup) {
  return nup >= kValueNupTwo && nup <= kValueNupSixteen;
}

// The job's half turn goes to the booklet path or to the N-up patch when
// either lays the pages out; otherwise every page is turned about its centre.
void EmitRotation(OidEmission& context, AttributeBytesReader& settings, MsFeatureManager& features, XOemPdev& pdev,
                  InjectionList& list) {
  bool rotate = OptionOr(settings, kFeatureRotate180, kValueNone) == kValueRotation180;
  if (context.autoRotationNeeded && context.autoRotationNeeded()) rotate = !rotate;
  if (IsTrue(settings, kFeatureBooklet)) {
    pdev.SetLong(kPdevBookletRotate, rotate ? 1 : 0);
    rotate = false;
  }
  if (IsNupLayout(OptionOr(settings, kFeatureNup, kValueNone)) && rotate) {
    CXString patch;
    patch.Format(kRotatedNup);
    AppendInjectionEntry(list, patch, PSINJECT_ENDSETUP, true);
    rotate = false;
  }
  if (!rotate) return;
  const int halfWidth = WindowsPaperPoints(features, kFeatureMsPaperWidth) / 2;
  const int halfLength = WindowsPaperPoints(features, kFeatureMsPaperLength) / 2;
  CXString text;
  text.Format(kRotate180, halfWidth, halfLength, -halfWidth, -halfLength);
  AppendInjectionEntry(list, text, PSINJECT_BEGINPAGESETUP, false);
}

CXString InterleaveLines(AttributeBytesReader& settings) {
  AttributeBytesIndexedList interleave;
  settings.GetCollectionFromAttributeBytes(kFeatureSlipSheetSettings, interleave);
  AttributeBytesValueEnum kind = kValueNone;
  interleave.GetOptionValue(kFeatureInterleaveKind, kind);
  const char16_t* kindName = kind == kValueInterleaveBlank    ? u"BLANK"
                             : kind == kValueInterleaveImaged ? u"IMAGED"
                                                              : u"NONE";
  CXString text = Formatted(u"%%%%OID_ATT_INTERLEAVE OID_VAL_INTERLEAVE_%s\n", kindName);
  if (kind == kValueNone) return text;
  AttributeBytesIndexedList media;
  AttributeBytesValueEnum color = kValueNone;
  if (interleave.GetCollection(kFeatureOutputPaperSize, media)) media.GetOptionValue(kFeatureMediaColor, color);
  if (color == kValueNone) color = kValuePaperColorWhite;
  const FeatureCommandEntry* row = FindFeatureCommand(oid::kMediaColor, color);
  text += Formatted(u"%%%%OID_ATT_INTERLEAVE_COLOR \"%s\"\n", row != nullptr ? row->optionName : u"Unspecified");
  return text;
}

// The cover's lines; its own media type and colour, else the job's.
CXString CoverLines(const char16_t* prefix, const AttributeBytesIndexedList& cover, DWORD jobMediaType,
                    DWORD jobMediaColor, MsFeatureManager& features) {
  CXString text;
  CXString line;
  AttributeBytesValueEnum imaged = kValueNone;
  cover.GetOptionValue(kFeatureCoverImaged, imaged);
  if (imaged == kValueCoverNotImaged || imaged == kValueCoverImaged) {
    line.Format(u"%sIMAGED %s;\r\n", prefix, imaged == kValueCoverImaged ? u"TRUE" : u"FALSE");
    text += line;
  }

  AttributeBytesIndexedList coverMedia;
  AttributeBytesIndexedList coverMediaDetails;
  const bool hasMedia = cover.GetCollection(kFeatureMediaSelection, coverMedia) &&
                        coverMedia.GetCollection(kFeatureOutputPaperSize, coverMediaDetails);
  AttributeBytesValueEnum mediaType = kValueNone;
  if (hasMedia) coverMediaDetails.GetOptionValue(kFeatureMediaType, mediaType);
  if (mediaType == kValueNone) mediaType = jobMediaType;
  line.Format(u"%sMEDIA_TYPE \"%s\";\r\n", prefix,
              RowOr(oid::kMediaType, mediaType, oid::kMediaTypeDefault).optionName);
  text += line;

  AttributeBytesIndexedList coverColor;
  AttributeBytesValueEnum color = kValueNone;
  if (cover.GetCollection(kFeatureOutputPaperSize, coverColor)) coverColor.GetOptionValue(kFeatureMediaColor, color);
  if (color == kValueNone) color = jobMediaColor;
  const FeatureCommandEntry* colorRow = FindFeatureCommand(oid::kMediaColor, color);
  line.Format(u"%sMEDIA_COLOR \"%s\";\r\n", prefix, colorRow != nullptr ? colorRow->optionName : u"Unspecified");
  text += line;

  Dimension width;
  Dimension length;
  if (!hasMedia || !coverMediaDetails.GetPaperSizeValues(kFeaturePaperSizeValues, width, length)) {
    width = Dimension(static_cast<double>(features.GetMsFeatureValue(kFeatureMsPaperWidth, false)),
                      Dimension::kTenthMillimetre);
    length = Dimension(static_cast<double>(features.GetMsFeatureValue(kFeatureMsPaperLength, false)),
                       Dimension::kTenthMillimetre);
  }
  CXString size;
  size.Format(u"%s %s", width.GetStringValue(Dimension::kMediaMillimetre, 0, 0.499999, false).c_str(),
              length.GetStringValue(Dimension::kMediaMillimetre, 0, 0.499999, false).c_str());
  line.Format(u"%sMEDIA_SIZE \"%s\";\r\n", prefix, size.c_str());
  text += line;
  return text;
}

// Without a workflow extension the ticket is the printer's only source for
// the covers, so their lines are written; with one, only when the extension's
// own ticket carries neither cover.
CXString CoversText(OidEmission& context, AttributeBytesReader& settings, DWORD jobMediaType, DWORD jobMediaColor,
                    MsFeatureManager& features) {
  AttributeBytesIndexedList front;
  AttributeBytesIndexedList back;
  const bool hasFront = settings.GetCollectionFromAttributeBytes(kFeatureCoverSettings, front);
  bool hasBack = settings.GetCollectionFromAttributeBytes(kFeatureBackCover, back);
  // A booklet's back cover is the other half of its front cover's sheet.
  if (IsTrue(settings, kFeatureBooklet)) hasBack = false;
  if (!hasFront && !hasBack) return CXString();
  if (context.workflow != nullptr && context.savedInExtensionTicket &&
      (context.savedInExtensionTicket(kFeatureCoverSettings) || context.savedInExtensionTicket(kFeatureBackCover)))
    return CXString();
  const char16_t* prefix = hasFront && hasBack ? u"%%OID_ATT_FIRSTLAST_PAGE_"
                           : hasFront          ? u"%%OID_ATT_FIRST_PAGE_"
                                               : u"%%OID_ATT_LAST_PAGE_";
  return CoverLines(prefix, hasFront ? front : back, jobMediaType, jobMediaColor, features);
}

AttributeBytesIndexedList DeviceSettings(HANDLE hPrinter) {
  Printer printer(hPrinter);
  if (!printer.GetPrinterDataW(PrinterDataNames::kDeviceSettings)) return AttributeBytesIndexedList();
  const PersistentAttributes image(printer.GetPrinterDataBuffer());
  return image.GetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace);
}

}  // namespace

CXString ObfuscatePasscode(const CXString& passcode) {
  CXString result;
  for (std::size_t i = 0; i < passcode.GetLength(); ++i) {
    const char16_t key = i < kPasscodeKeyLength ? kPasscodeKey[i] : u'\0';
    const auto unit = static_cast<char16_t>(passcode.GetAt(i) ^ key);
    if (unit == 0) break;
    result += unit;
  }
  return result;
}

AccountingInfo GetAccountingInfo(HANDLE hPrinter, const XOemPdev& pdev) {
  AccountingInfo info;
  const AttributeBytesIndexedList device = DeviceSettings(hPrinter);
  AttributeBytesValueEnum system = kValueNone;
  AttributeBytesValueEnum entryMode = kValueNone;
  if (!device.GetOptionValue(kFeatureAccountingSystem, system) ||
      !device.GetOptionValue(kFeatureAccountingEntryMode, entryMode) || system == kValueAccountingOff)
    return info;
  info.valid = true;
  info.system = system;
  if (entryMode == kValueAccountingIdsAtPrintTime) {
    pdev.GetString(kPdevAccountingUser, info.userId);
    pdev.GetString(kPdevAccountingAccount, info.accountId);
    DWORD code = kValueNone;
    pdev.GetLong(kPdevAccountingType, code);
    static constexpr std::uint32_t kTypes[] = {kValueAccountType0, kValueAccountTypeGeneral, kValueAccountTypeGroup};
    info.accountType = code < std::size(kTypes) ? kTypes[code] : static_cast<std::uint32_t>(kValueNone);
  } else {
    device.GetStringValue(kFeatureAccountingUserId, info.userId);
    device.GetStringValue(kFeatureAccountingAccountId, info.accountId);
    AttributeBytesValueEnum type = kValueNone;
    device.GetOptionValue(kFeatureAccountingAccountType, type);
    info.accountType = type;
  }
  if (info.system != kValueAccountingTypedAccounts) info.accountType = kValueNone;
  return info;
}

bool EmitOidFamilySettings(OidEmission& context, HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                           MsFeatureManager& features, InjectionList& list) {
  const auto stream = [&list](const CXString& text) { AppendInjectionEntry(list, text, PSINJECT_BEGINSTREAM, true); };
  const auto header = [&list](const CXString& text) { AppendInjectionEntry(list, text, PSINJECT_PSADOBE, true); };
  const auto setup = [&list](const CXString& text) { AppendInjectionEntry(list, text, PSINJECT_BEGINSETUP, true); };
  const auto setupAndPages = [&list](const CXString& text) {
    AppendInjectionEntry(list, text, PSINJECT_BEGINSETUP, true);
    AppendInjectionEntry(list, text, PSINJECT_BEGINPAGESETUP, true);
  };

  // The wrapper and the ticket's first lines.
  CXString jobName;
  pdev.GetString(kPdevDocumentName, jobName);
  if (jobName.IsEmpty()) settings.GetStringValueFromAttributeBytes(kFeatureJobName, jobName);
  EmitPjlJobNameWrapper(context.workspace, settings, list, jobName);
  stream(kTicketBegin);
  stream(Formatted(u"%%%%OID_ATT_JOB_OWNER \"%s\"\n", ResolveJobOwner(hPrinter, pdev, settings)));
  stream(Formatted(u"%%%%OID_ATT_JOB_NAME \"%s\"\n", jobName));

  // A device that cannot print colour is told so.
  MSDeviceCapabilities capabilities;
  DWORD colorDevice = 0;
  capabilities.DeviceCapabilities(hPrinter, MSDeviceCapabilities::kColorDevice, nullptr, 0, nullptr, 0, colorDevice);
  if (colorDevice == 0) stream(kBlackAndWhite);

  // Password and job type.
  CXString passcode;
  CXString passwordLine;
  if (settings.GetStringValueFromAttributeBytes(kFeatureJobPassword, passcode) &&
      passcode.GetLength() >= kPasscodeMinLength)
    passwordLine = Formatted(u"%%%%OID_ATT_JOB_PASSWORD \"%s\";\n", ObfuscatePasscode(passcode));
  const DWORD jobType = OptionOr(settings, kFeatureOutputMode, kValueNone);
  stream(JobTypeText(jobType, settings, passwordLine, context.workspace));

  // Orientation (kept for the pages when the first one is under way).
  const std::uint32_t orientation = GetEffectiveOrientation(hPrinter, settings, features);
  if (pdev.pageCounter == 1) pdev.SetLong(kPdevEffectiveOrientation, orientation);
  stream(orientation == kValueMsOrientationPortrait
             ? u"%%OID_ATT_CONTENT_ORIENTATION OID_VAL_CONTENT_ORIENTATION_PORTRAIT;\n"
             : u"%%OID_ATT_CONTENT_ORIENTATION OID_VAL_CONTENT_ORIENTATION_LANDSCAPE;\n");

  // The page device.
  CXString tonerSaver = kTonerSaver;
  LONG density = 0;
  settings.GetIntegerValueFromAttributeBytes(kFeatureDensity, density);
  ReplaceNumber(tonerSaver, -static_cast<long long>(density));
  ReplaceNumber(tonerSaver, OptionOr(settings, kFeatureTonerSaver, kValueNone) == kValueTonerSaverOn ? 1 : 0);
  setup(tonerSaver);
  setup(
      Block(RowOr(oid::kResolution, features.GetMsFeatureValue(kFeatureMsResolution, true), oid::kResolutionDefault)));
  setupAndPages(BuildIdentificationPageSizeBlock(features));
  setup(Block(RowOr(oid::kDuplex, features.GetMsFeatureValue(kFeatureMsSidesImaged, true), oid::kDuplex[0])));
  const int copies = features.GetMsFeatureValue(kFeatureMsCopies, false);
  if (copies > 1) {
    CXString count;
    count.Format(u"%d", copies);
    setup(BuildNonPpdFeatureBlock(u"NumCopies", count, kCopiesCode));
  }
  setup(Block(RowOr(oid::kCollation, features.GetMsFeatureValue(kFeatureMsCollation, true), oid::kCollation[0])));
  setupAndPages(Block(RowOr(oid::kInputTray, OptionOr(settings, kFeatureInputTray, kValueNone), oid::kInputTray[0])));

  // A fax carries nothing more than the end of its ticket.
  if (jobType != kValueOutputModeFax) {
    // Accounting, start sheet, colour correction.
    header(AccountingLines(hPrinter, pdev));
    header(StartSheetLine(settings));
    if (features.GetMsFeatureValue(kFeatureMsColorMode, true) == kValueMsColor)
      EmitFeatureFromTable(hPrinter, true, 1, settings, kFeatureColorCorrection, oid::kColorCorrection,
                           std::size(oid::kColorCorrection), list, PSINJECT_PSADOBE);

    // Output, finishing, media.
    if (const FeatureCommandEntry* bin =
            FindFeatureCommand(oid::kOutputBin, OptionOr(settings, kFeatureOutputBin, kValueNone)))
      setup(Block(*bin));
    setup(
        Block(RowOr(oid::kPageDelivery, OptionOr(settings, kFeaturePageDelivery, kValueNone), oid::kPageDelivery[0])));
    AttributeBytesValueEnum offset = kValueNone;
    settings.GetAttributeBytesList().GetOptionValueByIndex(kFeatureJobOffset, 0, offset);
    setup(Block(RowOr(oid::kJobOffset, offset, oid::kJobOffset[0])));

    const FinishingTexts finishing = FinishingFor(settings, orientation);
    setup(finishing.staple);
    setup(finishing.punch);
    setup(finishing.booklet);
    setup(finishing.fold);

    AttributeBytesIndexedList jobColor;
    AttributeBytesValueEnum jobMediaColor = kValueNone;
    if (settings.GetCollectionFromAttributeBytes(kFeatureOutputPaperSize, jobColor))
      jobColor.GetOptionValue(kFeatureMediaColor, jobMediaColor);
    setup(Block(RowOr(oid::kMediaColor, jobMediaColor, oid::kMediaColor[0])));

    AttributeBytesIndexedList jobMedia;
    AttributeBytesIndexedList jobMediaDetails;
    AttributeBytesValueEnum jobMediaType = kValueNone;
    if (settings.GetCollectionFromAttributeBytes(kFeatureMediaSelection, jobMedia) &&
        jobMedia.GetCollection(kFeatureOutputPaperSize, jobMediaDetails)) {
      jobMediaDetails.GetOptionValue(kFeatureMediaType, jobMediaType);
      setup(Block(RowOr(oid::kMediaType, jobMediaType, oid::kMediaTypeDefault)));
    }

    // Rotation, colour sources, interleaved transparencies, covers.
    EmitRotation(context, settings, features, pdev, list);
    EmitFeatureFromTable(hPrinter, true, 0, settings, kFeatureIntentRgbText, oid::kRgbSource,
                         std::size(oid::kRgbSource), list, PSINJECT_BEGINSETUP);
    EmitFeatureFromTable(hPrinter, true, 0, settings, kFeatureIntentCmykText, oid::kCmykSource,
                         std::size(oid::kCmykSource), list, PSINJECT_BEGINSETUP);
    if (jobMediaType == kValueMediaTypeTransparency) header(InterleaveLines(settings));
    header(CoversText(context, settings, jobMediaType, jobMediaColor, features));
  }

  // The end of the ticket and the driver's identification.
  header(kTicketEnd);
  AppendDriverIdentification(hPrinter, list);
  return true;
}

}  // namespace renpsoem
