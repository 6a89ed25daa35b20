#include "families/pjl/PageDeviceFamily.h"

#include "zqcore/DataModelIds.h"

#include "families/pjl/PjlHeader.h"
#include "injection/FeatureBlock.h"
#include "injection/PageSizeRule.h"
#include "msdevmode/MsFeatureManager.h"
#include "zqutil/AttributeBytesReader.h"

namespace renpsoem {

namespace {

using namespace DataModelIds;

constexpr const char16_t* kCopiesCode =
    u"/languagelevel where {pop languagelevel}{1} ifelse\n"
    u"2 ge { 1 dict dup /NumCopies 4 -1 roll put setpagedevice }{ userdict /#copies 3 -1 roll put } ifelse";

constexpr FeatureCommandEntry kCollation[] = {
    {kValueMsCollated, u"Collate", u"true", u"        << /Collate true >> setpagedevice"},
    {kValueMsUncollated, u"Collate", u"false", u"        << /Collate false >> setpagedevice"},
};

constexpr FeatureCommandEntry kDuplex[] = {
    {kValueMsSimplex, u"Duplex", u"One-sided", u"<</Duplex false /Tumble false>> setpagedevice"},
    {kValueMsDuplexLongEdge, u"Duplex", u"Two-Sided Long Edge", u"<</Duplex true /Tumble false>> setpagedevice"},
    {kValueMsDuplexShortEdge, u"Duplex", u"Two-Sided Short Edge", u"<</Duplex true /Tumble true>> setpagedevice"},
};

// The first row is the answer for any other offset value.
constexpr FeatureCommandEntry kJobOffset[] = {
    {kValueNone, u"Offset", u"None", u"1 dict dup /Jog 0 put setpagedevice"},
    {kValueOffsetJob, u"Offset", u"Job",
     u"/Custom /ProcSet resourcestatus { pop pop /Custom /ProcSet findresource dup /setjobinstruction known   "
     u"{/setjobinstruction get 1 dict begin /Jog true def currentdict end exch exec} if }if  currentpagedevice "
     u"/OutputAttributes get 30 known {    1 dict dup /OutputType (STACKER TRAY) put setpagedevice  }if"},
    {kValueJobOffsetOn, u"Offset", u"Set",
     u"2 dict dup/Jog 3 put currentpagedevice/OutputAttributes get 30 known{dup/OutputType(STACKER TRAY)put}if "
     u"setpagedevice"},
};

constexpr const char16_t* kDeferredMedia =
    u"3 dict begin /MediaPosition null def /ManualFeed false def /DeferredMediaSelection true def currentdict end "
    u"setpagedevice";

constexpr FeatureCommandEntry kMediaType[] = {
    {kValueNone, u"MediaType", u"Unspecified", kDeferredMedia},
    {kValueMediaTypePlain, u"MediaType", u"Plain", u"1 dict dup/MediaClass(stationary)put setpagedevice"},
    {kValueMediaTypeTransparency, u"MediaType", u"Transparency",
     u"1 dict dup/MediaClass(transparency)put setpagedevice"},
    {kValueMediaTypeLabels, u"MediaType", u"Labels", u"1 dict dup/MediaClass(label)put setpagedevice"},
    {kValueMediaTypeHeavyWeight, u"MediaType", u"Heavyweight", u"1 dict dup/MediaClass(thick1)put setpagedevice"},
    {kValueMediaBond, u"MediaType", u"Bond", u"1 dict dup/MediaClass(fine)put setpagedevice"},
    {kValueMediaRecycled, u"MediaType", u"Recycled", u"1 dict dup/MediaClass(recycled)put setpagedevice"},
    {kValueMediaTypeCustom1, u"MediaType", u"Custom1", kDeferredMedia},
    {kValueMediaTypeCustom2, u"MediaType", u"Custom2", kDeferredMedia},
    {kValueMediaTypeCustom3, u"MediaType", u"Custom3", kDeferredMedia},
    {kValueMediaTypeCustom4, u"MediaType", u"Custom4", kDeferredMedia},
    {kValueMediaTypeCustom5, u"MediaType", u"Custom5", kDeferredMedia},
    {kValueMediaExtraHeavyweight, u"MediaType", u"ExtraHeavyweight", u"1 dict dup/MediaClass(thick2)put setpagedevice"},
    {kValueMediaExtraHeavyweightReloaded, u"MediaType", u"ExtraHeavyweightReloaded",
     u"1 dict dup/MediaClass(thick2 side2)put setpagedevice"},
    {kValueMediaGloss, u"MediaType", u"Gloss", u"1 dict dup/MediaClass(coating1 finisher)put setpagedevice"},
    {kValueMediaHeavyweightGloss, u"MediaType", u"HeavyweightGloss",
     u"1 dict dup/MediaClass(coating1)put setpagedevice"},
    {kValueMediaHeavyweightGlossReloaded, u"MediaType", u"HeavyweightGlossReloaded",
     u"1 dict dup/MediaClass(coating1 side2)put setpagedevice"},
    {kValueMediaExtraHeavyweightGloss, u"MediaType", u"ExtraHeavyweightGloss",
     u"1 dict dup/MediaClass(coating2)put setpagedevice"},
    {kValueMediaExtraHeavyweightGlossReloaded, u"MediaType", u"ExtraHeavyweightGlossReloaded",
     u"1 dict dup/MediaClass(coating2 side2)put setpagedevice"},
    {kValueMediaHeavyweightReloaded, u"MediaType", u"HeavyweightReloaded",
     u"1 dict dup/MediaClass(thick1 side2)put setpagedevice"},
};

constexpr const char16_t* kPageSize =
    u"6 dict dup /PageSize [%s %s] put dup /ImagingBBox null put     dup /LeadingEdge null put    dup /MediaPosition "
    u"null put currentpagedevice    /Policies 2 copy known     {get /PageSize 2 copy known       {get dup 3 ge exch 6 "
    u"le and {dup /DeferredMediaSelection false put} if}      {pop pop} ifelse    }{pop pop} ifelse setpagedevice";

// Staples. The multiple-staple request also serves dual stapling of a turned
// sheet; single stapling of an 8 x 10 inch sheet feeds its short edge first.
constexpr const char16_t* kStapleMultiple =
    u"4 dict begin /Staple 3 def /Collate true def /OutputType (STACKER TRAY) def currentpagedevice /Staple get 0 eq "
    u"{/LeadingEdge 1 def} if  2 dict begin  /Type 7 def  /Location 6 def currentdict end /StapleDetails exch def "
    u"currentdict end setpagedevice\n";
constexpr const char16_t* kStapleDualPortrait =
    u"4 dict begin /Staple 3 def /Collate true def /OutputType (STACKER TRAY) def currentpagedevice /Staple get 0 eq "
    u"{/LeadingEdge 0 def} if  2 dict begin  /Type 7 def  /Location 4 def currentdict end /StapleDetails exch def "
    u"currentdict end setpagedevice\n";
constexpr const char16_t* kStapleSinglePortrait =
    u"4 dict begin /Staple 3 def /Collate true def /OutputType (STACKER TRAY) def currentpagedevice /PageSize get "
    u"aload pop 720 eq exch 576 eq and {\t/LeadingEdge 0 def } if  2 dict begin  /Type 7 def  /Location 0 def "
    u"currentdict end /StapleDetails exch def currentdict end setpagedevice\n";
constexpr const char16_t* kStapleSingleLandscape =
    u"4 dict begin /Staple 3 def /Collate true def /OutputType (STACKER TRAY) def currentpagedevice /PageSize get "
    u"aload pop 720 eq exch 576 eq and {\t/LeadingEdge 0 def } if  2 dict begin  /Type 7 def  /Location 1 def "
    u"currentdict end /StapleDetails exch def currentdict end setpagedevice\n";

constexpr const char16_t* kPunchPortrait =
    u"4 dict begin /Punch 3 def currentpagedevice /Punch get 0 eq {/LeadingEdge 1 def} if  2 dict begin  /Type 5 def "
    u" /Position 2 def currentdict end /PunchDetails exch def currentdict end setpagedevice\n";
constexpr const char16_t* kPunchLandscape =
    u"4 dict begin /Punch 3 def currentpagedevice /Punch get 0 eq {/LeadingEdge 0 def} if  2 dict begin  /Type 5 def "
    u" /Position 1 def currentdict end /PunchDetails exch def currentdict end setpagedevice\n";
constexpr const char16_t* kTwoHoles = u"1 dict dup/PunchDetails 1 dict dup/NumHoles 2 put put setpagedevice\n";
constexpr const char16_t* kFourHoles = u"1 dict dup/PunchDetails 1 dict dup/NumHoles 4 put put setpagedevice\n";

constexpr const char16_t* kBookletFoldStaple =
    u"(<<)cvx exec /Booklet true (>>) cvx exec setpagedevice (<<) cvx exec /BookletDetails (<<) cvx exec /Type 2 "
    u"/Staples 2 (>>) cvx exec /LeadingEdge 2 (>>) cvx exec setpagedevice\n";
constexpr const char16_t* kBookletFoldNoStaple =
    u"5 dict\tdup /Collate true put\tdup /Booklet true put\tdup /OutputType (BOOKLET TRAY) put\tdup /LeadingEdge 0 "
    u"put\tdup /BookletDetails\t\t4 dict\t\tdup /Type 3 put\t\tdup /StapleType 0 put\t\tdup /PrintInside true "
    u"put\t\tdup "
    u"/PageSet true put\t\tput\tsetpagedevice\n";

CXString Block(const FeatureCommandEntry& row) {
  return BuildFeatureBlock(row.keyword, row.optionName, row.code);
}

struct FinishingTexts {
  CXString staple;
  CXString punch;
  CXString booklet;
};

FinishingTexts FinishingFor(AttributeBytesReader& settings, std::uint32_t orientation) {
  FinishingTexts texts{BuildFeatureBlock(u"Stapling", u"None", u"1 dict dup/Staple 0 put setpagedevice\n"),
                       BuildFeatureBlock(u"Punching", u"None", u"1 dict dup/Punch 0 put setpagedevice"), CXString()};
  const bool portrait = orientation == kValueMsOrientationPortrait;
  const CXString punchBase = portrait ? kPunchPortrait : kPunchLandscape;
  const AttributeBytesIndexedList& all = settings.GetAttributeBytesList();
  std::size_t count = 0;
  all.GetListCount(kFeatureFinishingList, count);
  for (std::size_t i = 0; i < count; ++i) {
    AttributeBytesValueEnum value = kValueNone;
    if (!all.GetOptionValueByIndex(kFeatureFinishingList, i, value)) continue;
    switch (value) {
      case kValueFinishingStapleSingle:
        texts.staple = portrait ? BuildFeatureBlock(u"Stapling", u"Single-Portrait", kStapleSinglePortrait)
                                : BuildFeatureBlock(u"Stapling", u"Single-Landscape", kStapleSingleLandscape);
        break;
      case kValueFinishingStapleDual:
        texts.staple = portrait ? BuildFeatureBlock(u"Stapling", u"Dual-Portrait", kStapleDualPortrait)
                                : BuildFeatureBlock(u"Stapling", u"Dual-Landscape", kStapleMultiple);
        break;
      case kValueFinishingStapleMultiple:
        texts.staple = BuildFeatureBlock(u"Stapling", u"Multiple", kStapleMultiple);
        break;
      case kValueFinishingPunch2:
        texts.punch = BuildFeatureBlock(u"Punching", u"2-Hole", CXString(kTwoHoles) + punchBase);
        break;
      case kValueFinishingPunch3:
        texts.punch = BuildFeatureBlock(u"Punching", u"3-Hole", punchBase);
        break;
      case kValueFinishingPunch4:
        texts.punch = BuildFeatureBlock(u"Punching", u"4-Hole", CXString(kFourHoles) + punchBase);
        break;
      case kValueFinishingFoldStaple:
        texts.booklet = BuildFeatureBlock(u"Booklet Fold", u"Fold-Staple", kBookletFoldStaple);
        break;
      case kValueFinishingFoldNoStaple:
        texts.booklet = BuildFeatureBlock(u"Booklet Fold", u"Fold-No Staple", kBookletFoldNoStaple);
        break;
      default:
        break;
    }
  }
  return texts;
}

}  // namespace

bool EmitPageDeviceFamilySettings(CXString& /*workspace*/, HANDLE hPrinter, XOemPdev& /*pdev*/,
                                  AttributeBytesReader& settings, MsFeatureManager& features, InjectionList& list) {
  const auto append = [&list](const CXString& text) { AppendInjectionEntry(list, text, PSINJECT_BEGINSETUP, true); };

  const int copies = features.GetMsFeatureValue(kFeatureMsCopies, false);
  if (copies > 1) {
    CXString count;
    count.Format(u"%d", copies);
    append(BuildNonPpdFeatureBlock(u"NumCopies", count, kCopiesCode));
  }

  const FeatureCommandEntry* collation =
      FindFeatureCommand(kCollation, static_cast<DWORD>(features.GetMsFeatureValue(kFeatureMsCollation, true)));
  append(Block(collation != nullptr ? *collation : kCollation[0]));

  if (const FeatureCommandEntry* duplex =
          FindFeatureCommand(kDuplex, static_cast<DWORD>(features.GetMsFeatureValue(kFeatureMsSidesImaged, true))))
    append(Block(*duplex));

  AttributeBytesValueEnum offset = kValueNone;
  settings.GetAttributeBytesList().GetOptionValueByIndex(kFeatureJobOffset, 0, offset);
  const FeatureCommandEntry* offsetRow = FindFeatureCommand(kJobOffset, offset);
  append(Block(offsetRow != nullptr ? *offsetRow : kJobOffset[0]));

  if (features.GetMsFeatureValue(kFeatureMsColorMode, true) == kValueMsColor)
    append(BuildFeatureBlock(u"TMColorMode", u"Color", u"1 dict dup/ProcessColorModel/DeviceCMYK put setpagedevice"));
  else
    append(BuildFeatureBlock(u"TMColorMode", u"Black", u"1 dict dup/ProcessColorModel/DeviceGray put setpagedevice"));

  LONG density = 0;
  settings.GetIntegerValueFromAttributeBytes(kFeatureDensity, density);
  // Wider than the setting, so that negating the most negative value stays defined.
  const long long brightness = -static_cast<long long>(density);
  CXString brightnessText;
  brightnessText.Format(u"%lld", brightness);
  CXString brightnessCode;
  brightnessCode.Format(
      u"1 dict dup 2 dict dup/Type 26 put dup/Brightness %lld put/DeviceRenderingInfo exch put setpagedevice",
      brightness);
  append(BuildFeatureBlock(u"XBrightness", brightnessText, brightnessCode));

  append(BuildFeatureBlock(u"TMOutputMode", u"HighSpeed",
                           u"2 dict dup /HWResolution [600 600] put dup 2 dict dup /Type 26 put dup "
                           u"/ValuesPerColorComponent 2 put/DeviceRenderingInfo exch put setpagedevice"));

  const PageSizeInPoints size = PageSizeFromWindowsFeatures(features);
  CXString sizeCode;
  sizeCode.Format(kPageSize, size.width.c_str(), size.length.c_str());
  const CXString pageSize = size.standard ? BuildFeatureBlock(u"PageSize", u"Paper", sizeCode)
                                          : BuildFeatureBlock(u"CustomPageSize", u"Custom", sizeCode + u"\n");
  append(pageSize);
  AppendInjectionEntry(list, pageSize, PSINJECT_BEGINPAGESETUP, true);

  AttributeBytesIndexedList jobMedia;
  AttributeBytesIndexedList media;
  AttributeBytesValueEnum mediaType = kValueNone;
  if (settings.GetCollectionFromAttributeBytes(kFeatureMediaSelection, jobMedia) &&
      jobMedia.GetCollection(kFeatureOutputPaperSize, media)) {
    media.GetOptionValue(kFeatureMediaType, mediaType);
    if (const FeatureCommandEntry* row = FindFeatureCommand(kMediaType, mediaType)) append(Block(*row));
  }

  const FinishingTexts finishing = FinishingFor(settings, GetEffectiveOrientation(hPrinter, settings, features));
  append(finishing.staple);
  append(finishing.punch);
  append(finishing.booklet);

  DWORD tonerSaver = kValueNone;
  settings.GetOptionValueFromAttributeBytes(kFeatureTonerSaver, tonerSaver);
  if (tonerSaver == kValueTonerSaverOn)
    append(BuildFeatureBlock(u"TMTonerSaver", u"On",
                             u"1 dict dup/PostRenderingEnhanceDetails 2 dict dup/Type 32 put dup/TonerSaver 1 put put "
                             u"setpagedevice"));
  else
    append(BuildFeatureBlock(u"TMTonerSaver", u"Off",
                             u"1 dict dup/PostRenderingEnhanceDetails 2 dict dup/Type 32 put dup/TonerSaver 0 put put "
                             u"setpagedevice"));
  return true;
}

void EmitPjlFamily(CXString& workspace, HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                   MsFeatureManager& features, InjectionList& list) {
  EmitPjlFamilyHeader(workspace, hPrinter, pdev, settings, features, list);
  EmitPageDeviceFamilySettings(workspace, hPrinter, pdev, settings, features, list);
}

}  // namespace renpsoem
