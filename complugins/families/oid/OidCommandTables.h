// The OID-ticket family's page-device commands, one table per feature: the
// option value, the feature block's keyword and option name, and the code.
// The codes use the "(<<) cvx exec" form because the printers of this family
// read the setup with an interpreter that may not know "<<" as a token.
#pragma once

#include "zqcore/DataModelIds.h"

#include "injection/FeatureBlock.h"

namespace renpsoem::oid {

using namespace DataModelIds;

#define RENPS_OID_RESOLUTION(value, option, dpi)                                                                     \
  {                                                                                                                  \
    value, u"Resolution", option,                                                                                    \
        u"      (<<) cvx exec /DeviceRenderingInfo (<<) cvx exec /Type 4 /ValuesPerColorComponent 2 (>>) cvx exec "  \
        u"(>>) "                                                                                                     \
        u"cvx exec setpagedevice\n      (<<) cvx exec /HWResolution [" dpi u" " dpi u"] (>>) cvx exec setpagedevice" \
  }
#define RENPS_OID_TRAY(value, option, position)                                                    \
  {                                                                                                \
    value, u"TmrInputSlot", option,                                                                \
        u"      (<<) cvx exec /ManualFeed false (>>) cvx exec setpagedevice\n      (<<) cvx exec " \
        u"<</MediaPosition " position u">> setpagedevice"                                          \
  }
#define RENPS_OID_BIN(value, option, tray) \
  { value, u"output-bin", option, u"      (<<) cvx exec /OutputType (" tray u") (>>) cvx exec setpagedevice" }
#define RENPS_OID_MEDIA_TYPE(value, option) \
  { value, u"MediaType", option, u"      (<<) cvx exec /MediaType (" option u") (>>) cvx exec setpagedevice" }
#define RENPS_OID_MEDIA_COLOR(value, option) \
  { value, u"MediaColor", option, u"      (<<) cvx exec /MediaColor (" option u") (>>) cvx exec setpagedevice" }
#define RENPS_OID_CMYK(value, option, name) \
  { value, u"CmykSource", option, u"      userdict begin /X_UnspecCMYKInterpret /X_ColorSpace" name u"CMYK def end" }

// Keyed by the Windows resolution; a resolution without a row prints at 600 dpi.
inline constexpr FeatureCommandEntry kResolution[] = {
    RENPS_OID_RESOLUTION(kValueMsResolution200, u"DPI_200_X_200", u"200"),
    RENPS_OID_RESOLUTION(kValueMsResolution600, u"DPI_600_X_600", u"600"),
    RENPS_OID_RESOLUTION(kValueMsResolution1200, u"DPI_1200_X_1200", u"1200"),
    RENPS_OID_RESOLUTION(kValueMsResolution1800, u"DPI_1800_X_1800", u"1800"),
};
inline constexpr const FeatureCommandEntry& kResolutionDefault = kResolution[1];

// The bypass tray is fed by hand.
inline constexpr FeatureCommandEntry kInputTray[] = {
    RENPS_OID_TRAY(kValueNone, u"Auto_Select", u"0"),
    RENPS_OID_TRAY(kValueTray1Alternate, u"Tray_1", u"1"),
    RENPS_OID_TRAY(kValueTray2, u"Tray_2", u"2"),
    RENPS_OID_TRAY(kValueTray3, u"Tray_3", u"3"),
    RENPS_OID_TRAY(kValueTray4, u"Tray_4", u"4"),
    {kValueTrayBypass, u"TmrInputSlot", u"Bypass",
     u"      (<<) cvx exec /ManualFeed true (>>) cvx exec setpagedevice\n(<<) cvx exec <</MediaPosition 5>> "
     u"setpagedevice"},
    RENPS_OID_TRAY(kValueTray5, u"Tray_5", u"6"),
};

inline constexpr FeatureCommandEntry kDuplex[] = {
    {kValueMsSimplex, u"Duplex", u"None",
     u"      (<<) cvx exec /Duplex false /Tumble false (>>) cvx exec setpagedevice"},
    {kValueMsDuplexLongEdge, u"Duplex", u"NoTumble",
     u"      (<<) cvx exec /Duplex true /Tumble false (>>) cvx exec setpagedevice"},
    {kValueMsDuplexShortEdge, u"Duplex", u"Tumble",
     u"      (<<) cvx exec /Duplex true /Tumble true (>>) cvx exec setpagedevice"},
};

inline constexpr FeatureCommandEntry kCollation[] = {
    {kValueMsCollated, u"Collate", u"true", u"        << /Collate true >> setpagedevice"},
    {kValueMsUncollated, u"Collate", u"false", u"        << /Collate false >> setpagedevice"},
};

inline constexpr FeatureCommandEntry kOutputBin[] = {
    RENPS_OID_BIN(kValueOutputBinTop, u"top", u"TopTray"),
    RENPS_OID_BIN(kValueBinCenter, u"center", u"MiddleTray"),
    RENPS_OID_BIN(kValueBinRightTop, u"right-top", u"TopTray"),
    RENPS_OID_BIN(kValueBinRightCenter, u"right-center", u"Stacker"),
    RENPS_OID_BIN(kValueBinRightBottom, u"right-bottom", u"Stacker2"),
    RENPS_OID_BIN(kValueOutputBinStacker, u"stacker", u"Stacker"),
    RENPS_OID_BIN(kValueBinStacker1, u"stacker1", u"Stacker"),
    RENPS_OID_BIN(kValueBinStacker2, u"stacker2", u"Stacker2"),
    RENPS_OID_BIN(kValueBinOffsettingCatchTray, u"offsetting-catch-tray", u"MiddleTray"),
};

inline constexpr FeatureCommandEntry kPageDelivery[] = {
    {kValueDeliveryFaceDown, u"page-delivery", u"same-order-face-down",
     u"      (<<) cvx exec /OutputFaceUp false (>>) cvx exec setpagedevice"},
    {kValueDeliveryFaceUp, u"page-delivery", u"same-order-face-up",
     u"      (<<) cvx exec /OutputFaceUp true (>>) cvx exec setpagedevice"},
};

inline constexpr FeatureCommandEntry kJobOffset[] = {
    {kValueJobOffsetOff, u"job-offset", u"none", u"      (<<) cvx exec /Jog 0 (>>) cvx exec setpagedevice"},
    {kValueJobOffsetOn, u"job-offset", u"offset-set", u"      (<<) cvx exec /Jog 3 (>>) cvx exec setpagedevice"},
};

// A media type without a row is the printer's default media.
inline constexpr FeatureCommandEntry kMediaType[] = {
    RENPS_OID_MEDIA_TYPE(kValueNone, u"Unspecified"),
    RENPS_OID_MEDIA_TYPE(kValueMediaSystemDefault, u"System-Default"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypePlain, u"Standard"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeTransparency, u"Transparency"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeLabels, u"Labels"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeDrilled, u"Drilled"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypePrePrinted, u"PrePrinted"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeEnvelopes, u"Envelopes"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeHeavyWeight, u"CardStock"),
    RENPS_OID_MEDIA_TYPE(kValueMediaBond, u"Bond"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeTabs, u"Tabs"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypePreCutTab, u"PrecutTabs"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeLetterhead, u"Letterhead"),
    RENPS_OID_MEDIA_TYPE(kValueMediaRecycled, u"Recycled"),
    RENPS_OID_MEDIA_TYPE(kValueMediaRough, u"Rough"),
    RENPS_OID_MEDIA_TYPE(kValueMediaOther, u"Other"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeCustom1, u"Custom1"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeCustom2, u"Custom2"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeCustom3, u"Custom3"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeCustom4, u"Custom4"),
    RENPS_OID_MEDIA_TYPE(kValueMediaTypeCustom5, u"Custom5"),
    RENPS_OID_MEDIA_TYPE(kValueMediaCustom6, u"Custom6"),
    RENPS_OID_MEDIA_TYPE(kValueMediaCustom7, u"Custom7"),
};
inline constexpr const FeatureCommandEntry& kMediaTypeDefault = kMediaType[1];

inline constexpr FeatureCommandEntry kMediaColor[] = {
    RENPS_OID_MEDIA_COLOR(kValueNone, u"Unspecified"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorNone, u"Clear"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorYellow, u"Yellow"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorGreen, u"Green"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorBuff, u"Buff"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorWhite, u"White"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorRed, u"Red"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorIvory, u"Ivory"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorGray, u"Gray"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorPink, u"Pink"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorGoldenrod, u"Goldenrod"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorOrange, u"Orange"),
    RENPS_OID_MEDIA_COLOR(kValuePaperColorBlue, u"Blue"),
    RENPS_OID_MEDIA_COLOR(kValueColorOther, u"Other"),
    RENPS_OID_MEDIA_COLOR(kValueColorCustom1, u"Custom1"),
    RENPS_OID_MEDIA_COLOR(kValueColorCustom2, u"Custom2"),
    RENPS_OID_MEDIA_COLOR(kValueColorCustom3, u"Custom3"),
    RENPS_OID_MEDIA_COLOR(kValueColorCustom4, u"Custom4"),
    RENPS_OID_MEDIA_COLOR(kValueColorCustom5, u"Custom5"),
    RENPS_OID_MEDIA_COLOR(kValueColorCustom6, u"Custom6"),
    RENPS_OID_MEDIA_COLOR(kValueColorCustom7, u"Custom7"),
};

inline constexpr FeatureCommandEntry kRgbSource[] = {
    {kValueRgbSourceConsistent, u"RgbSource", u"tmrConsistent",
     u"      userdict begin /X_UnspecRGBInterpret /X_ColorSpaceTRGB def end"},
    {kValueTransformDisplaySrgb, u"RgbSource", u"sRgb",
     u"      userdict begin /X_UnspecRGBInterpret /X_ColorSpacesRGB def end"},
    {kValueRgbSourceApple, u"RgbSource", u"rgbApple",
     u"      userdict begin /X_UnspecRGBInterpret /X_ColorSpaceAppleRGB def end"},
};

inline constexpr FeatureCommandEntry kCmykSource[] = {
    RENPS_OID_CMYK(kValueTransformCommercialCoated, u"commercial", u"Commercial"),
    RENPS_OID_CMYK(kValueTransformSnapNewsprint, u"snap", u"SNAP"),
    RENPS_OID_CMYK(kValueTransformSwopCoated, u"swop", u"SWOP"),
    RENPS_OID_CMYK(kValueTransformEuroscaleCoated, u"euroScale", u"EuroScale"),
    RENPS_OID_CMYK(kValueTransformJapanColor, u"japanColor", u"Japan"),
};

// Written bare (no feature block) ahead of the driver's header: PJL comments
// that the printer's job parser reads. The first line ends without a carriage
// return, as the printers have always received it.
inline constexpr FeatureCommandEntry kColorCorrection[] = {
    {kValueTransformVoxCmyk, u"OutputColorCorrection", u"auto",
     u"@PJL COMMENT OID_ATT_COLOR_MODE OID_VAL_COLOR_MODE_NONE;\n"},
    {kValueTransformDisplaySrgb, u"OutputColorCorrection", u"srgb",
     u"@PJL COMMENT OID_ATT_COLOR_MODE OID_VAL_COLOR_MODE_SRGB_DISPLAY;\r\n"},
    {kValueTransformAutomatic, u"OutputColorCorrection", u"none",
     u"@PJL COMMENT OID_ATT_COLOR_MODE OID_VAL_COLOR_MODE_AUTOMATIC;\r\n"},
    {kValueColorCorrectionCmykSimulation, u"OutputColorCorrection", u"",
     u"@PJL COMMENT OID_ATT_COLOR_MODE OID_VAL_COLOR_MODE_CMYKSimulation;\r\n"},
};

#undef RENPS_OID_RESOLUTION
#undef RENPS_OID_TRAY
#undef RENPS_OID_BIN
#undef RENPS_OID_MEDIA_TYPE
#undef RENPS_OID_MEDIA_COLOR
#undef RENPS_OID_CMYK

}  // namespace renpsoem::oid
