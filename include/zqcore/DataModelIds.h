// Numbers of the data model: feature numbers and option values.
//
// The numbers are stored in users' settings, so they never change. Only the
// numbers this library and its callers name are listed; any other number of
// the model is used as a plain integer cast to the enumeration.
//
// Blocks the core library chooses itself:
//   5601..5718   the standard Windows paper sizes: 5600 + the DMPAPER form id
//   5800..5999   Windows forms added at run time (MediaHandler::AddWindowsForm)
//   25001..25005 page-size entry types (25003 and 25005 are written as custom sizes)
#pragma once

namespace DataModelIds {

enum FeatureEnum : int {
  kFeatureNone = 0,
  // The list-valued feature that holds the Windows devmode features 3..35.
  kFeatureMsFeatures = 2,
  kFeatureMsOrientation = 3,
  kFeatureMsScale = 4,
  kFeatureMsCopies = 5,
  kFeatureMsCollation = 6,
  kFeatureMsInputTrayDefaultSource = 7,
  kFeatureMsResolution = 8,
  kFeatureMsColorMode = 9,
  kFeatureMsSidesImaged = 10,
  kFeatureMsTrueTypeOption = 11,
  kFeatureMsPaperSize = 12,
  kFeatureMsPaperWidth = 13,
  kFeatureMsPaperLength = 14,
  kFeatureMsIcmMethod = 15,
  kFeatureMsIcmIntent = 16,
  kFeatureMsMediaType = 17,
  kFeatureMsDitherType = 18,
  kFeatureMsNup = 19,
  kFeatureMsBooklet = 20,
  kFeatureMsPageOrder = 21,
  kFeatureMsUniQualityMacro = 22,
  kFeatureMsAdvancedPrintingFeatures = 23,
  kFeatureMsPsOutputFormat = 24,
  kFeatureMsPsLanguageLevel = 25,
  kFeatureMsPsSendErrorHandler = 26,
  kFeatureMsPsMirroredImage = 27,
  kFeatureMsPsNegativeImage = 28,
  kFeatureMsPsTrueTypeDownloadOption = 29,
  kFeatureMsUniPrintOptimization = 30,
  kFeatureMsUniGraphicsMode = 31,
  kFeatureMsUniTrueTypeDownloadOption = 32,
  kFeatureMsUniHalftone = 33,
  kFeatureMsUniColorPrintingMode = 34,
  kFeatureMsUniEdgeToEdge = 35,

  kFeatureDuplex = 46,
  kFeatureRotate180 = 51,
  kFeaturePaperSizeValues = 164,
  kFeaturePageSize = 168,
  kFeaturePageWidth = 172,
  kFeaturePageLength = 173,
  kFeatureInputTray = 193,
  kFeatureOutputPaperSize = 210,  // collection; its 164 is the output (booklet) sheet
  kFeaturePageBorders = 218,
  kFeatureControllerFamily = 285,
  kFeatureEdgeToEdge = 311,
  kFeatureBookletGutter = 312,  // thousandths of a millimetre
  kFeatureBookletCreep = 313,   // per sheet, thousandths of a millimetre
  kFeatureOutputMedia = 478,
  kFeatureBookletVariant = 491,
};

enum ValueEnum : int {
  kValueNone = 4001,

  kValueMsOrientationPortrait = 4010,
  kValueMsOrientationLandscape = 4011,
  kValueMsOrientationRotatedLandscape = 4012,
  kValueMsSimplex = 4420,
  kValueMsColor = 4970,
  kValueMsMonochrome = 4971,
  kValueMsOutputFormatEps = 4162,
  kValueMsOutputFormatArchive = 4163,
  kValueMsNegativeOn = 4201,
  kValueMsEdgeToEdgeOff = 4260,
  kValueMsEdgeToEdgeOn = 4261,
  kValueRotate180On = 4461,

  // Page sizes: kValuePageSizeFirstStandard + DMPAPER form id.
  kValuePageSizeFirstStandard = 5600,
  kValuePageSizeFirstAdded = 5800,
  kValuePageSizeLastAdded = 5999,
  kValuePageSizeCustom = 5732,

  // Input trays.
  kValueTrayBypass = 6151,
  kValueTray1 = 6152,
  kValueTray1Alternate = 6153,
  kValueTray2 = 6154,
  kValueTray3 = 6155,
  kValueTray4 = 6156,
  kValueTray5 = 6157,

  kValuePageBordersOn = 6610,

  kValueEdgeToEdgeOff = 7010,  // the printer's margins
  kValueEdgeToEdgeOn = 7011,   // no margins

  // Booklet variants (feature 491).
  kValueBookletInvertSheet = 7651,
  kValueBookletReverseSides = 7652,
  kValueBookletInvertAndReverse = 7653,

  // Controller families (feature 285).
  kValueFamilyProcSet = 7430,
  kValueFamilyOid = 7431,
  kValueFamilyPlain = 7432,
  kValueFamilyPjl = 7433,

  // Page-size entry types.
  kValuePageSizeTypeStandard = 25001,
  kValuePageSizeTypeTransverse = 25002,
  kValuePageSizeTypeAddedForm = 25003,
  kValuePageSizeTypeCustom = 25005,
};

}  // namespace DataModelIds
