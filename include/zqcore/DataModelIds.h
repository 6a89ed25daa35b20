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

  kFeatureOutputMode = 36,
  kFeatureJobPassword = 42,
  kFeatureDuplex = 46,
  // Which sheets the automatic rotation considers (kValueRotateAllSizes: every size).
  kFeatureRotationCandidates = 48,
  // Whether the driver, not the plug-in, handles the PostScript pass-through escapes.
  kFeaturePassThroughEscapes = 50,
  kFeatureJobName = 78,
  kFeatureJobOwner = 82,
  kFeatureRecipientName = 83,
  kFeatureFinishingList = 144,
  kFeatureJournalNumber = 155,
  // Available when the product has named papers.
  kFeatureNamedPapers = 162,
  kFeaturePaperSizeValues = 164,
  kFeaturePageSize = 168,
  kFeaturePageWidth = 172,
  kFeaturePageLength = 173,
  kFeatureMediaType = 175,
  kFeatureInputTray = 193,
  // The output paper-size collection (holds 164 and 168).
  kFeatureOutputPaperSize = 210,
  kFeatureNup = 215,
  kFeatureBooklet = 216,
  // Pinned together with kFeatureNupBorders.
  kFeatureNupBordersPair = 217,
  kFeatureNupBorders = 218,
  kFeatureDefaultMarginSelector = 231,
  kFeatureUnit = 237,
  kFeaturePaperUnit = 238,
  // Set from the finishing choice: whether the chosen finishing needs it.
  kFeatureFinishingDependent = 252,
  kFeatureFinishing = 263,
  kFeatureControllerFamily = 285,
  // Margins: kValueEdgeToEdgeOff keeps the printer's margins, kValueEdgeToEdgeOn has none.
  kFeatureEdgeToEdge = 311,

  // Fax settings (a collection) and its members.
  kFeatureFaxSettings = 332,
  kFeatureFaxConfirmation = 337,
  kFeatureFaxCreditCardOn = 338,
  kFeatureFaxPrefixOn = 339,
  kFeatureFaxDelayedSend = 341,
  kFeatureFaxSendHour = 342,
  kFeatureFaxSendMinute = 343,
  kFeatureFaxPrefix = 345,
  kFeatureFaxCreditCard = 346,
  kFeatureFaxType = 347,
  kFeatureFaxResolution = 348,
  // The printer's own margins (device settings), Dimension unit 10.
  kFeatureDeviceMarginLeft = 422,
  kFeatureDeviceMarginTop = 423,
  kFeatureDeviceMarginRight = 424,
  kFeatureDeviceMarginBottom = 425,
  // Name groups: "automatic" true fills the name in (document or user name),
  // "automatic" false with "remembered" true uses the stored name.
  kFeatureJobNameAutomatic = 438,
  kFeatureSenderNameAutomatic = 439,
  kFeatureRecipientNameAutomatic = 440,
  kFeatureUserName = 441,
  kFeatureDocumentNamePlaceholder = 442,
  kFeatureRecipientNameRemembered = 471,
  kFeatureSenderNameRemembered = 472,
  kFeatureJobNameRemembered = 473,
  kFeatureOutputMedia = 478,
  kFeatureRefreshRate = 571,
  kFeatureNamedPaperListMirror = 575,
  // Shown columns of the named-paper list: 580 to 590.
  kFeatureNamedPaperColumnFirst = 580,
  kFeatureNamedPaperColumnLast = 590,
  kFeatureNamedPaperList = 591,
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
  kValueRotateAllSizes = 4441,

  // Finishing list items.
  kValueFinishingStapleFirst = 5254,
  kValueFinishingStapleLast = 5265,
  kValueFinishingFold = 5280,
  kValueFinishingPunchFirst = 5285,
  kValueFinishingPunchLast = 5286,

  // Page sizes: kValuePageSizeFirstStandard + DMPAPER form id.
  kValuePageSizeFirstStandard = 5600,
  kValuePageSizeFirstAdded = 5800,
  kValuePageSizeLastAdded = 5999,
  kValuePageSizeCustom = 5732,

  // Media types (feature 175; numbers of that feature, beside the added forms
  // of the page size). Tabs to labels and drilled stock turn like envelopes.
  kValueMediaTypeTabs = 5802,
  kValueMediaTypeLabels = 5805,
  kValueMediaTypeDrilled = 5833,

  // Input trays.
  kValueTrayBypass = 6151,
  kValueTray1 = 6152,
  kValueTray1Alternate = 6153,
  kValueTray2 = 6154,
  kValueTray3 = 6155,
  kValueTray4 = 6156,
  kValueTray5 = 6157,

  // Pages per sheet (feature 215).
  kValueNupOne = 6240,
  kValueNupTwo = 6241,
  kValueNupFour = 6242,
  kValueNupSix = 6243,
  kValueNupNine = 6244,
  kValueNupSixteen = 6245,

  kValueDefaultMarginsWanted = 6363,

  // Units (features 237, 238); kValueUnitNotChosen is only ever stored, never set.
  kValueUnitNotChosen = 6490,
  kValueUnitMetric = 6491,
  kValueUnitInch = 6492,

  kValueNupBordersOn = 6610,
  kValueNupBordersOff = 6611,

  kValueFinishingDependentOn = 6720,
  kValueFinishingDependentOff = 6721,

  // Finishing choice (feature 263) that looks at the finishing list.
  kValueFinishingFromList = 6787,
  kValueOutputModeFax = 6894,

  kValueEdgeToEdgeOff = 7010,
  kValueEdgeToEdgeOn = 7011,
  kValuePassThroughEscapesOn = 7120,
  kValuePassThroughEscapesOff = 7121,

  // Controller families (feature 285).
  kValueFamilyProcSet = 7430,
  kValueFamilyOid = 7431,
  kValueFamilyPlain = 7432,
  kValueFamilyPjl = 7433,

  kValueNamedPaperListFirst = 7710,
  kValueNamedPaperListSecond = 7711,

  // Page-size entry types.
  kValuePageSizeTypeStandard = 25001,
  kValuePageSizeTypeTransverse = 25002,
  kValuePageSizeTypeAddedForm = 25003,
  kValuePageSizeTypeCustom = 25005,
};

// How a data model is used.
enum DataModelModeEnum : int {
  kDataModelModeUserInterface = 1,
  kDataModelModeRendering = 2,
};

// Notification numbers of the data model.
enum DataModelNotificationEnum : int {
  // Events.
  kEventSettingsSaved = 21002,
  kEventSettingsApplied = 21004,
  // The change kind of a feature change.
  kChangeFeature = 22003,
  // Settings instances: the current values, and the features' definitions
  // (defaults and value lists).
  kInstanceCurrentSettings = 23002,
  kInstanceFeatureDefinitions = 23003,
  // What of a definition an observer watches.
  kCapabilityDefaultValue = 24004,
  // Deliver after the change is made.
  kNotifyAfterChange = 26007,
};

}  // namespace DataModelIds
