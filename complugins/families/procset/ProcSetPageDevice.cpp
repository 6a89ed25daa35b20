#include "families/procset/ProcSetPageDevice.h"

#include "zqcore/DataModelIds.h"

#include <cstdint>
#include <iterator>
#include <vector>

#include "capabilities/MSDeviceCapabilities.h"
#include "injection/FeatureBlock.h"
#include "injection/PageSizeRule.h"
#include "msdevmode/MsFeatureManager.h"
#include "platform/text.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/Printer.h"

namespace renpsoem {

using namespace DataModelIds;

namespace {

void AppendBlock(InjectionList& list, const CXString& keyword, const CXString& option, const CXString& code) {
  AppendInjectionEntry(list, BuildFeatureBlock(keyword, option, code), PSINJECT_BEGINSETUP, true);
}

DWORD OptionOf(AttributeBytesReader& settings, std::uint32_t feature) {
  DWORD value = kValueNone;
  settings.GetOptionValueFromAttributeBytes(feature, value);
  return value;
}

// A missing setting counts as false.
bool FlagOf(AttributeBytesReader& settings, std::uint32_t feature) {
  bool value = false;
  return settings.GetBooleanValueFromAttributeBytes(feature, value) && value;
}

const char16_t* TrueFalse(bool value) {
  return value ? u"true" : u"false";
}

// The option values of a feature that holds several: the items of a list, the
// values of a collection's attributes, or a single value.
std::vector<std::uint32_t> OptionValuesOf(const AttributeBytesIndexedList& list, std::uint32_t feature) {
  std::vector<std::uint32_t> values;
  std::size_t count = 0;
  AttributeBytesIndexedList collection;
  AttributeBytesValueEnum value = 0;
  if (list.GetListCount(feature, count)) {
    for (std::size_t i = 0; i < count; ++i)
      if (list.GetOptionValueByIndex(feature, i, value)) values.push_back(value);
  } else if (list.GetCollection(feature, collection)) {
    for (auto it = collection.GetIterator(); collection.IsValid(it);) {
      const AttributeBytesValue* item = collection.GetNextAttributeBytes(it).GetAttributeBytesValue();
      if (item != nullptr &&
          (item->GetKind() == AttributeBytesKind::OptionValue || item->GetKind() == AttributeBytesKind::NewValueId))
        values.push_back(static_cast<const AttributeBytesOptionValue*>(item)->GetValue());
    }
  } else if (list.GetOptionValue(feature, value)) {
    values.push_back(value);
  }
  return values;
}

// Trays 2 to 5 as their number; 0 for any other value.
int UpperTrayNumber(std::uint32_t tray) {
  if (tray < kValueTray2 || tray > kValueTray5) return 0;
  return static_cast<int>(tray - kValueTray2) + 2;
}

// --- print quality ---

constexpr FeatureCommandEntry kQualityDriverTable[] = {
    {kValueQualityStandard, u"prnQuality", u"standard",
     u"<<\n     /HWResolution [1200 600]\n\t userdict /tamor$ValuesPerColorComponent 2 put\n"
     u"   >> tamor$pagedevice copy pop "},
    {kValueQualityEnhanced, u"prnQuality", u"enhanced",
     u"<<\n     /HWResolution [1200 1200]\n\t userdict /tamor$ValuesPerColorComponent 2 put\n"
     u"   >> tamor$pagedevice copy pop "},
    {kValueQualityPhoto, u"prnQuality", u"photo",
     u"<<\n     /HWResolution [600 600]\n\t userdict /tamor$ValuesPerColorComponent 16 put\n"
     u"   >> tamor$pagedevice copy pop "},
};
// Both options print at 600 by 600; the printer enhances after rendering.
constexpr const char16_t* kEnhanced600 =
    u"<<\n     /HWResolution [600 600]\n\t/PostRenderingEnhance true\n   >> tamor$pagedevice copy pop ";
constexpr FeatureCommandEntry kQualityEnhancedTable[] = {
    {kValueQualityStandard, u"prnQuality", u"600x600", kEnhanced600},
    {kValueQualityEnhanced, u"prnQuality", u"1200x1200", kEnhanced600},
    {kValueQuality600, u"prnQuality", u"600x600", kEnhanced600},
    {kValueQuality1200, u"prnQuality", u"1200x1200", kEnhanced600},
};
constexpr const char16_t* kPlain600 =
    u"<<\n     /HWResolution [600 600]\n\t/PostRenderingEnhance false\n   >> tamor$pagedevice copy pop ";
constexpr const char16_t* kPlain1200 =
    u"<<\n     /HWResolution [1200 1200]\n\t/PostRenderingEnhance false\n   >> tamor$pagedevice copy pop ";
constexpr FeatureCommandEntry kQualityHighResolutionTable[] = {
    {kValueQualityStandard, u"prnQuality", u"600x600", kPlain600},
    {kValueQualityEnhanced, u"prnQuality", u"1200x1200", kPlain1200},
    {kValueQuality600, u"prnQuality", u"600x600", kPlain600},
    {kValueQuality1200, u"prnQuality", u"1200x1200", kPlain1200},
};

// The driver's private capability says the printer takes the driver's own quality table.
bool DriverQualityTable(HANDLE hPrinter) {
  const Printer printer(hPrinter);
  CXString name;
  CXString port;
  if (!printer.HasValidHandle() || !printer.GetPrinterName(name)) return false;
  printer.GetPrinterPort(port);
  return DeviceCapabilitiesW(platform::W(name.c_str()), platform::W(port.c_str()),
                             MSDeviceCapabilities::kDriverResolutionFlags, nullptr, nullptr) == 1;
}

// --- finishing ---

constexpr const char16_t* kStapleCode =
    u"<< /Staple 3 /OutputType (Finisher Bin) /StapleDetails <</Type 6 /StapleMode %d>> >> tamor$pagedevice copy "
    u"pop\n";
constexpr const char16_t* kPunchCode =
    u"<< /Punch true /PunchDetails <</Type 1 /PunchHoles %d>> /OutputType (Finisher Bin) >> tamor$pagedevice copy "
    u"pop\n";

CXString StapleBlock(const char16_t* option, int mode) {
  return BuildFeatureBlock(u"Stapling", option, CXString::Formatted(kStapleCode, mode));
}

// A single staple sits at the front corner unless exactly one of the paper
// and the sheet's turn puts it at the rear.
bool SingleStapleAtFront(AttributeBytesReader& settings, MsFeatureManager& features) {
  const int paper = features.GetMsFeatureValue(kFeatureMsPaperSize, false);
  const bool paperTest = paper == DMPAPER_LETTER || paper == DMPAPER_A4 || paper == DMPAPER_B5;
  const int orientation = features.GetMsFeatureValue(kFeatureMsOrientation, true);
  const DWORD nup = OptionOf(settings, kFeatureNup);
  const bool orientationTest =
      orientation == kValueMsOrientationPortrait ||
      (orientation == kValueMsOrientationLandscape && (nup == kValueNupTwo || nup == kValueNupSix));
  return paperTest == orientationTest;
}

void AppendFinishing(AttributeBytesReader& settings, MsFeatureManager& features, InjectionList& list) {
  CXString staple = BuildFeatureBlock(u"Stapling", u"None", u"<< /Staple 0 >> tamor$pagedevice copy pop\n");
  CXString punch = BuildFeatureBlock(u"Punch", u"None", u"<< /Punch false >> tamor$pagedevice copy pop\n");
  CXString fold;
  for (std::uint32_t item : OptionValuesOf(settings.GetAttributeBytesList(), kFeatureFinishingList)) {
    switch (item) {
      case kValueFinishingStapleSingle: {
        const bool front = SingleStapleAtFront(settings, features);
        staple = StapleBlock(front ? u"Front" : u"Rear", front ? 0 : 1);
        break;
      }
      case kValueFinishingStapleDual:
        staple = StapleBlock(u"Dual", 2);
        break;
      case kValueFinishingStapleQuad:
        staple = StapleBlock(u"Quad", 4);
        break;
      case kValueFinishingPunch2:
      case kValueFinishingPunch3:
      case kValueFinishingPunch4: {
        const int holes = static_cast<int>(item - kValueFinishingPunch2) + 2;
        punch = BuildFeatureBlock(u"Punching", CXString::Formatted(u"%d-Hole", holes),
                                  CXString::Formatted(kPunchCode, holes));
        break;
      }
      // The fold carries its own staple request.
      case kValueFinishingFoldStaple:
        fold = BuildFeatureBlock(u"Booklet Fold", u"Fold, Staple", CXString::Formatted(kStapleCode, 3));
        staple.Empty();
        break;
      case kValueFinishingFoldNoStaple:
        fold = BuildFeatureBlock(u"Booklet Fold", u"Fold, No Staple", CXString::Formatted(kStapleCode, 5));
        staple.Empty();
        break;
      default:
        break;
    }
  }
  AppendInjectionEntry(list, staple, PSINJECT_BEGINSETUP, true);
  AppendInjectionEntry(list, punch, PSINJECT_BEGINSETUP, true);
  AppendInjectionEntry(list, fold, PSINJECT_BEGINSETUP, true);
}

// --- covers and slip sheets ---

void AppendCovers(AttributeBytesReader& settings, InjectionList& list) {
  AttributeBytesIndexedList& all = settings.GetAttributeBytesList();
  CXString coverOption = u"None";
  CXString coverCode;
  CXString sourceOption = u"Tray1";
  CXString sourceCode = u"userdict /tamor$CoverPageSource 0 put";
  AttributeBytesValueEnum cover = kValueNone;
  if (all.GetOptionValue(kFeatureCoverPages, cover) && cover != kValueCoverNone) {
    bool booklet = false;
    // A booklet's cover is its first sheet.
    if (all.GetBooleanValue(kFeatureBooklet, booklet) && booklet) cover = kValueCoverFirst;
    if (cover == kValueCoverFirst) {
      coverOption = u"First";
      coverCode =
          u"tamor$booklet_job {2}{1} ifelse\ntamor$CoverPageSource\n"
          u"/RRCustomProcs /ProcSet findresource /setcoverpages get exec ";
    } else {
      coverOption = u"FirstLast";
      coverCode = u"3 tamor$CoverPageSource\n/RRCustomProcs /ProcSet findresource /setcoverpages get exec ";
    }
    AttributeBytesIndexedList coverSettings;
    AttributeBytesValueEnum tray = kValueNone;
    if (all.GetCollection(kFeatureCoverSettings, coverSettings) &&
        coverSettings.GetOptionValue(kFeatureInputTray, tray) && UpperTrayNumber(tray) != 0) {
      const int number = UpperTrayNumber(tray);
      sourceOption = CXString::Formatted(u"Tray%d", number);
      sourceCode = CXString::Formatted(u"userdict /tamor$CoverPageSource %d put", number - 1);
    }
  }
  AppendBlock(list, u"TMRCoverPageSource", sourceOption, sourceCode);
  AppendBlock(list, u"TMRCoverPage", coverOption, coverCode);
}

void AppendSlipSheets(AttributeBytesReader& settings, InjectionList& list) {
  CXString sheetOption = u"None";
  int sheet = 0;
  CXString sourceOption = u"Tray1";
  int source = 0;
  AttributeBytesIndexedList slip;
  AttributeBytesValueEnum kind = kValueNone;
  if (settings.GetAttributeBytesList().GetCollection(kFeatureSlipSheetSettings, slip) &&
      !(slip.GetOptionValue(kFeatureSlipSheet, kind) && kind == kValueCoverNone)) {
    switch (kind) {
      case kValueSlipSheetEndOfJob:
        sheetOption = u"EndOfJob";
        sheet = 2;
        break;
      case kValueSlipSheetEndOfSet:
        sheetOption = u"EndOfSet";
        sheet = 3;
        break;
      case kValueSlipSheetEndOfPage:
        sheetOption = u"EndOfPage";
        sheet = 4;
        break;
      default:
        break;
    }
    AttributeBytesValueEnum tray = kValueNone;
    if (slip.GetOptionValue(kFeatureInputTray, tray) && UpperTrayNumber(tray) != 0) {
      sourceOption = CXString::Formatted(u"Tray%d", UpperTrayNumber(tray));
      source = UpperTrayNumber(tray) - 1;
    }
  }
  AppendBlock(list, u"TMRSlipSheetSource", sourceOption,
              CXString::Formatted(u"%d /RRCustomProcs /ProcSet findresource /setslipsheetsource get exec ", source));
  AppendBlock(list, u"Slipsheet", sheetOption, CXString::Formatted(u"tamor$pagedevice /SlipSheet %d put", sheet));
}

// --- colour ---

struct TransformName {
  std::uint32_t value;
  const char16_t* name;
};
constexpr TransformName kTransforms[] = {
    {kValueTransformDisplaySrgb, u"Display-sRGB"},
    {kValueTransformVivid, u"Vivid"},
    {kValueTransformDisplayLcd, u"Display-LCD"},
    {kValueTransformVoxCmyk, u"VoxCMYK"},
    {kValueTransformGray, u"Gray"},
    {kValueTransformAutomatic, u"Automatic"},
    {kValueTransformSwopCoated, u"SWOP-Coated"},
    {kValueTransformCommercialCoated, u"Commercial-Coated"},
    {kValueTransformSnapNewsprint, u"SNAP-Newsprint"},
    {kValueTransformEuroscaleCoated, u"Euroscale-Coated"},
    {kValueTransformJapanColor, u"JapanColor"},
    {kValueTransformIsoCoated, u"ISO-Coated"},
    {kValueTransformIsoUncoated, u"ISO-Uncoated"},
};

const char16_t* TransformNameOf(std::uint32_t value) {
  for (const auto& row : kTransforms)
    if (row.value == value) return row.name;
  return nullptr;
}

bool IsCmykEmulation(std::uint32_t value) {
  switch (value) {
    case kValueTransformSwopCoated:
    case kValueTransformCommercialCoated:
    case kValueTransformSnapNewsprint:
    case kValueTransformEuroscaleCoated:
    case kValueTransformJapanColor:
    case kValueTransformIsoCoated:
    case kValueTransformIsoUncoated:
      return true;
    default:
      return false;
  }
}

void AppendColorCorrection(AttributeBytesReader& settings, InjectionList& list) {
  const DWORD correction = OptionOf(settings, kFeatureColorCorrection);
  if (correction == kValueTransformGray) {
    AppendBlock(list, u"Color Correction", CXString(),
                u"tamor$VirtualColorDevice begin /Type 1 def /ColorTransform /Gray def end <</ProcessColorModel "
                u"/DeviceGray>> tamor$pagedevice copy pop ");
  } else if (const char16_t* name = TransformNameOf(correction)) {
    AppendBlock(list, u"Color Correction", CXString(),
                FormatTexts(u"tamor$VirtualColorDevice begin /Type 3 def /ColorTransform /%s def end", name));
  }
}

struct ObjectKind {
  const char16_t* name;
  std::uint32_t collection;  // 0: the job level, read from the settings themselves
  bool cmyk;
};
constexpr ObjectKind kObjectKinds[] = {
    {u"Job-Level", 0, false},
    {u"RGB: Text and Graphics", kFeatureAdjustRgbText, false},
    {u"RGB: Images", kFeatureAdjustRgbImages, false},
    {u"CMYK: Text and Graphics", kFeatureAdjustCmykText, true},
    {u"CMYK: Images", kFeatureAdjustCmykImages, true},
    {u"Spot: Text and Graphics", kFeatureAdjustSpotText, false},
    {u"Spot: Images", kFeatureAdjustSpotImages, false},
};

struct Slider {
  const char16_t* name;
  std::uint32_t feature;
};
constexpr Slider kSliders[] = {
    {u"Lightness", kFeatureLightness}, {u"Contrast", kFeatureContrast},         {u"Saturation", kFeatureSaturation},
    {u"CyanRed", kFeatureCyanRed},     {u"MagentaGreen", kFeatureMagentaGreen}, {u"YellowBlue", kFeatureYellowBlue},
};

// A slider that must not touch CMYK colours is still written, as 0, so the
// printer's value for that kind is the neutral one and not a leftover.
void AppendColorAdjustments(AttributeBytesReader& settings, InjectionList& list) {
  AttributeBytesIndexedList& all = settings.GetAttributeBytesList();
  const bool applyToCmyk = FlagOf(settings, kFeatureApplyToCmyk);
  const bool emulation = IsCmykEmulation(OptionOf(settings, kFeatureColorCorrection));
  for (std::size_t k = 0; k < std::size(kObjectKinds); ++k) {
    const ObjectKind& kind = kObjectKinds[k];
    AttributeBytesIndexedList collection;
    if (kind.collection != 0 && !all.GetCollection(kind.collection, collection)) continue;
    const AttributeBytesIndexedList& source = kind.collection == 0 ? all : collection;
    const bool suppressed = (kind.cmyk || emulation) && !applyToCmyk;
    for (const Slider& slider : kSliders) {
      std::int32_t value = 0;
      if (!source.GetIntegerValue(slider.feature, value)) continue;
      if (suppressed) value = 0;
      AppendBlock(list, FormatTexts(u"%s - %s", kind.name, slider.name), CXString(),
                  CXString::Formatted(u"tamor$%s %d %d put", slider.name, static_cast<int>(k), value));
    }
  }
}

struct Intent {
  std::uint32_t feature;
  const char16_t* keyword;
};
constexpr Intent kIntents[] = {
    {kFeatureIntentRgbText, u"RGB Text and Graphics Color Correction"},
    {kFeatureIntentRgbImages, u"RGB Images Color Correction"},
    {kFeatureIntentCmykText, u"CMYK Text and Graphics Color Correction"},
    {kFeatureIntentCmykImages, u"CMYK Images Color Correction"},
    {kFeatureIntentSpotText, u"Spot Text and Graphics Color Correction"},
    {kFeatureIntentSpotImages, u"Spot Images Color Correction"},
};

void AppendIntents(AttributeBytesReader& settings, InjectionList& list) {
  int number = 1;
  for (const Intent& intent : kIntents) {
    DWORD value = 0;
    if (!settings.GetOptionValueFromAttributeBytes(intent.feature, value)) continue;
    const char16_t* name = TransformNameOf(value);
    if (name == nullptr) continue;
    AppendBlock(list, intent.keyword, CXString(), CXString::Formatted(u"tamor$Intent %d (%s) put", number++, name));
  }
}

// --- media ---

struct MediaClass {
  std::uint32_t value;
  const char16_t* option;
  const char16_t* mediaClass;
};
constexpr MediaClass kMediaClasses[] = {
    {kValueMediaTypePlain, u"Plain", u"Paper"},
    {kValueMediaTypeTransparency, u"Transparency", u"Transparency"},
    {kValueMediaTypeLabels, u"Labels", u"Label"},
    {kValueMediaTypeEnvelopes, u"Envelopes", u"Envelope"},
    {kValueMediaTypeHeavyWeight, u"HeavyWeight", u"HeavyPaper"},
    {kValueMediaTypeGlossy, u"Glossy", u"CoatedPaper"},
    {kValueMediaTypeLetterhead, u"Letterhead", u"Letterhead"},
    {kValueMediaTypeCardstock, u"Cardstock", u"CardStock"},
    {kValueMediaTypeThinCardstock, u"Thin Cardstock", u"ThinCardStock"},
    {kValueMediaTypeThickCardstock, u"Thick Cardstock", u"ThickCardStock"},
    {kValueMediaTypeColored, u"Colored Paper", u"ColoredPaper"},
    {kValueMediaTypeSpecial, u"Special", u"Special"},
    {kValueMediaTypeDrilled, u"PrePunched", u"Prepunched"},
    {kValueMediaTypePrePrinted, u"PrePrinted", u"Preprinted"},
    {kValueMediaTypeExtraThickCardstock, u"Extra Thick Cardstock", u"ExtraThickCardStock"},
    {kValueMediaTypeThinGlossy, u"Thin Glossy", u"CoatedPaper"},
    {kValueMediaTypeThickGlossy, u"Thick Glossy", u"ThickCoatedPaper"},
    {kValueMediaTypeSecondSide, u"2ndSide", u"2ndSide"},
    {kValueMediaTypeCustom1, u"CustomType1", u"CustomType1"},
    {kValueMediaTypeCustom2, u"CustomType2", u"CustomType2"},
    {kValueMediaTypeCustom3, u"CustomType3", u"CustomType3"},
    {kValueMediaTypeCustom4, u"CustomType4", u"CustomType4"},
    {kValueMediaTypeCustom5, u"CustomType5", u"CustomType5"},
};

// A name the user gave goes inside a PostScript string.
CXString EscapedForString(CXString text) {
  text.Replace(u"\\", u"\\\\");
  text.Replace(u"(", u"\\(");
  text.Replace(u")", u"\\)");
  return text;
}

void AppendMediaType(AttributeBytesReader& settings, InjectionList& list) {
  AttributeBytesIndexedList selection;
  AttributeBytesIndexedList media;
  if (!settings.GetAttributeBytesList().GetCollection(kFeatureMediaSelection, selection) ||
      !selection.GetCollection(kFeatureOutputPaperSize, media))
    return;
  if (OptionOf(settings, kFeatureMediaTypePolicy) == kValueMediaTypePolicyIgnore) {
    AppendBlock(list, u"Media Type", u"Policy: Ignore Type", u"tamor$pagedevice /MediaClass null put");
    return;
  }
  AttributeBytesValueEnum value = kValueNone;
  CXString named;
  bool isNamed = false;
  if (!media.GetOptionValueOrNewId(kFeatureMediaType, value, named, isNamed)) return;
  if (value == kValueUserNamed) {
    if (!named.IsEmpty())
      AppendBlock(list, u"Media Type", named,
                  FormatTexts(u"tamor$pagedevice /MediaClass (%s) put", EscapedForString(named)));
    return;
  }
  for (const auto& row : kMediaClasses) {
    if (row.value != value) continue;
    AppendBlock(list, u"Media Type", row.option, FormatTexts(u"tamor$pagedevice /MediaClass (%s) put", row.mediaClass));
    return;
  }
}

constexpr const char16_t* kPageSize =
    u"\nfeaturebegin{\n%%%%BeginFeature: *PageSize\n<</PageSize [%s %s]>> /RRCustomProcs /ProcSet resourcestatus\n"
    u"{pop pop tamor$pagedevice copy tamor$setpagedevice}\n{setpagedevice} ifelse\n%%%% End Feature\n"
    u"}featurecleanup\n";

}  // namespace

void AppendProcSetDuplex(MsFeatureManager& features, InjectionList& list) {
  const char16_t* option = nullptr;
  const char16_t* request = nullptr;
  switch (features.GetMsFeatureValue(kFeatureMsSidesImaged, true)) {
    case kValueMsSimplex:
      option = u"One-sided";
      request = u"/Duplex false /Tumble false";
      break;
    case kValueMsDuplexLongEdge:
      option = u"Two-Sided Long Edge";
      request = u"/Duplex true /Tumble false";
      break;
    case kValueMsDuplexShortEdge:
      option = u"Two-Sided Short Edge";
      request = u"/Duplex true /Tumble true";
      break;
    default:
      return;
  }
  // Without the printer's procedures the request goes straight to the device.
  AppendBlock(list, u"Duplex", option,
              FormatTexts(u"<<%s>> /RRCustomProcs /ProcSet resourcestatus\n{pop pop tamor$pagedevice copy pop}\n"
                          u"{setpagedevice} ifelse",
                          request));
}

void AppendProcSetPrintQuality(HANDLE hPrinter, AttributeBytesReader& settings, InjectionList& list) {
  const FeatureCommandEntry* table = nullptr;
  std::size_t rows = 0;
  if (DriverQualityTable(hPrinter)) {
    table = kQualityDriverTable;
    rows = std::size(kQualityDriverTable);
  } else {
    switch (OptionOf(settings, kFeatureQualityTable)) {
      case kValueQualityTableEnhanced:
        table = kQualityEnhancedTable;
        rows = std::size(kQualityEnhancedTable);
        break;
      case kValueQualityTableHighResolution:
        table = kQualityHighResolutionTable;
        rows = std::size(kQualityHighResolutionTable);
        break;
      default:
        return;
    }
  }
  EmitFeatureFromTable(hPrinter, true, 0, settings, kFeaturePrintQuality, table, rows, list, PSINJECT_BEGINSETUP);
}

void AppendProcSetPageDevice(AttributeBytesReader& settings, MsFeatureManager& features, InjectionList& list) {
  // Edge to edge.
  switch (OptionOf(settings, kFeatureEdgeToEdge)) {
    case kValueEdgeToEdgeOff:
      AppendBlock(list, u"margins", u"standard",
                  u"userdict /tamor$edgetoedgedone known not {\n"
                  u"      true /RRCustomProcs /ProcSet findresource /edgetoedge get exec\n"
                  u"      userdict /tamor$edgetoedgedone true put\n   }if\n");
      break;
    case kValueEdgeToEdgeOn:
      AppendBlock(list, u"margins", u"none",
                  u"userdict /tamor$edgetoedgedone known not {\n"
                  u"      false /RRCustomProcs /ProcSet findresource /edgetoedge get exec\n"
                  u"      userdict /tamor$edgetoedgedone true put\n   } if\n");
      break;
    default:
      break;
  }

  // Output bin.
  const char16_t* bin = nullptr;
  const char16_t* binOption = nullptr;
  switch (OptionOf(settings, kFeatureOutputBin)) {
    case kValueOutputBinTop:
      binOption = u"TopBin";
      bin = u"Top Bin";
      break;
    case kValueOutputBinStacker:
      binOption = u"StackerBin";
      bin = u"Offset Bin";
      break;
    case kValueOutputBinFinisher:
      binOption = u"FinisherOutputBin";
      bin = u"Finisher Bin";
      break;
    default:
      break;
  }
  if (bin != nullptr)
    AppendBlock(list, u"OutputBin", binOption, FormatTexts(u"<< /OutputType (%s) >> tamor$pagedevice copy pop\n", bin));

  AppendFinishing(settings, features, list);
  AppendCovers(settings, list);
  AppendSlipSheets(settings, list);

  // Size mismatch.
  const DWORD mismatch = OptionOf(settings, kFeatureSizeMismatch);
  if (mismatch == kValueSizeMismatchNoScale || mismatch == kValueSizeMismatchScale) {
    const bool scale = mismatch == kValueSizeMismatchScale;
    AppendBlock(list, u"size mismatch policy", scale ? u"scale" : u"no scale",
                FormatTexts(u"userdict /tamor$media_mismatch_code {\n"
                            u"      %s /RRCustomProcs /ProcSet findresource /setautofit get exec\n"
                            u"      tamor$pagedevice /TraySwitch get not\n"
                            u"      tamor$pagedevice /ManualFeed get not and\n"
                            u"     {\n        tamor$pagedevice /MediaClass null put\n     } if\n  } put\n",
                            TrueFalse(scale)));
  }

  if (features.GetMsFeatureValue(kFeatureMsColorMode, true) == kValueMsMonochrome)
    AppendBlock(list, u"Color-Effects", u"Grayscale",
                u"tamor$VirtualColorDevice begin /Type 1 def /ColorTransform /Gray def end << /ProcessColorModel "
                u"/DeviceGray>> tamor$pagedevice copy pop ");

  // Job offset: the first request of the list.
  const auto offsets = OptionValuesOf(settings.GetAttributeBytesList(), kFeatureJobOffset);
  if (!offsets.empty() && offsets.front() == kValueJobOffsetOn)
    AppendBlock(list, u"job-offset", u"Enabled", u"userdict /tamor$jog 3 put");
  else if (!offsets.empty() && offsets.front() == kValueJobOffsetOff)
    AppendBlock(list, u"job-offset", u"Disabled", u"userdict /tamor$jog currentpagedevice /Jog get put");

  const int collation = features.GetMsFeatureValue(kFeatureMsCollation, true);
  if (collation == kValueMsCollated)
    AppendBlock(list, u"Collation", u"On",
                u"tamor$pagedevice /Collate true put\n"
                u"currentpagedevice /Jog known {tamor$pagedevice /Jog tamor$jog put} if");
  else if (collation == kValueMsUncollated)
    AppendBlock(list, u"Collation", u"Off", u"tamor$pagedevice /Collate false put");

  const DWORD smoothing = OptionOf(settings, kFeatureImageSmoothing);
  if (smoothing == kValueImageSmoothingOn || smoothing == kValueImageSmoothingOff) {
    const bool on = smoothing == kValueImageSmoothingOn;
    AppendBlock(list, u"xdrv-image-smoothing", on ? u"Enabled" : u"Disabled",
                FormatTexts(u"%s /RRCustomProcs /ProcSet findresource /setforceinterpolate get exec\n"
                            u"   tamor$pageSizeDone {tamor$pagedevice tamor$setpagedevice} if\n"
                            u"   userdict /tamor$smoothingDone true put\n",
                            TrueFalse(on)));
  }

  AppendColorCorrection(settings, list);

  // Four switches, always written.
  AppendBlock(list, u"Apply to CMYK", CXString(),
              FormatTexts(u"userdict /tamor$applyToCMYK %s put", TrueFalse(FlagOf(settings, kFeatureApplyToCmyk))));
  AppendBlock(
      list, u"Use Advanced Setup", CXString(),
      FormatTexts(u"userdict /tamor$useAdvancedSetup %s put", TrueFalse(FlagOf(settings, kFeatureAdvancedColorSetup))));
  AppendBlock(list, u"Print Settings on Page", CXString(),
              FlagOf(settings, kFeaturePrintSettingsOnPage) ? u"/SideBar1 /DocBox findresource exec " : u"");
  AppendBlock(
      list, u"Use Printer Halftones", CXString(),
      CXString::Formatted(u"<</HalftoneMode %d>> setuserparams", FlagOf(settings, kFeaturePrinterHalftones) ? 1 : 0));

  if (OptionOf(settings, kFeatureBlackTrapping) == kValueBlackTrappingOn)
    AppendBlock(list, u"Black-Trapping", u"ON",
                u" true /RRCustomProcs /ProcSet findresource /setblacktrapping get exec\n");

  const char16_t* grayLine = nullptr;
  switch (OptionOf(settings, kFeatureGrayLine)) {
    case kValueGrayLineComposite:
      grayLine = u"Composite";
      break;
    case kValueGrayLinePureBlack:
      grayLine = u"PureBlack";
      break;
    case kValueGrayLineAutomatic:
      grayLine = u"Automatic";
      break;
    default:
      break;
  }
  if (grayLine != nullptr)
    AppendBlock(list, u"sRGBNeutralGray", grayLine,
                FormatTexts(u"  userdict /tamor$grayline /%s put\n userdict /tamor$VCDOptions <<\n /Grayline /%s\n >> "
                            u"put\n",
                            grayLine, grayLine));

  AppendBlock(list, u"Allow Printer to Manage Spot Colors", CXString(),
              FormatTexts(u" userdict /tamor$useHostSpotColorValues %s put",
                          TrueFalse(FlagOf(settings, kFeatureSpotColorsByPrinter))));

  AppendColorAdjustments(settings, list);
  AppendIntents(settings, list);

  // Paper tray.
  const DWORD tray = OptionOf(settings, kFeatureInputTray);
  int trayNumber = UpperTrayNumber(tray);
  if (tray == kValueTray1 || tray == kValueTray1Alternate) trayNumber = 1;
  if (trayNumber != 0)
    AppendBlock(list, u"Media Tray", CXString::Formatted(u"Tray %d", trayNumber),
                CXString::Formatted(u" tamor$pagedevice /MediaPosition %d put tamor$pagedevice /TraySwitch false put",
                                    trayNumber - 1));

  if (OptionOf(settings, kFeatureManualFeed) == kValueManualFeedOn)
    AppendBlock(list, u"Manual Feed", u"On",
                u" tamor$normal_job_type { tamor$pagedevice /MediaPosition 0 put tamor$pagedevice /TraySwitch false "
                u"put tamor$pagedevice /ManualFeed true put } if");

  AppendMediaType(settings, list);

  // The page size, for the document and again for its first page.
  const PageSizeInPoints size = PageSizeFromWindowsFeatures(features);
  const CXString pageSize = FormatTexts(kPageSize, size.width, size.length);
  AppendInjectionEntry(list, pageSize, PSINJECT_BEGINSETUP, true);
  AppendInjectionEntry(list, pageSize, PSINJECT_BEGINPAGESETUP, true);
}

}  // namespace renpsoem
