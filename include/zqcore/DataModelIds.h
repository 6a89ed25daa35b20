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
  kFeatureDuplex = 46,
  // Whether the driver, not the plug-in, handles the PostScript pass-through escapes.
  kFeaturePassThroughEscapes = 50,
  kFeatureJobOwner = 82,
  kFeatureJournalNumber = 155,
  kFeaturePaperSizeValues = 164,
  kFeaturePageSize = 168,
  kFeaturePageWidth = 172,
  kFeaturePageLength = 173,
  kFeatureInputTray = 193,
  // The output paper-size collection (holds 164 and 168).
  kFeatureOutputPaperSize = 210,
  kFeatureNup = 215,
  kFeatureBooklet = 216,
  kFeatureControllerFamily = 285,
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

  kFeatureOutputMedia = 478,

  // Job ticket: job type (kFeatureOutputMode), holding and saving, start sheet.
  kFeatureSaveDisposition = 37,
  kFeatureSavedJobSecured = 38,
  kFeatureDelayedPrintHour = 39,
  kFeatureDelayedPrintMinute = 40,
  kFeatureJobPassword = 42,
  kFeatureStartSheet = 47,
  kFeatureStoredJobName = 65,
  kFeatureStoredJobLocation = 66,
  kFeatureDocumentTitle = 78,
  kFeatureRotate180 = 88,
  kFeatureStoredJob = 202,         // collection holding the list 203
  kFeatureStoredJobEntries = 203,  // list of collections with 65 and 66
  kFeatureStartSheetForcedUser = 490,

  // Colour, density and output handling.
  kFeatureRgbColorSource = 125,
  kFeatureCmykColorSource = 131,
  kFeatureOutputBin = 139,
  kFeatureOutputColorCorrection = 143,
  kFeatureFinishingList = 144,  // list of finishing option values
  kFeatureJobOffset = 147,      // list; its first option value counts
  kFeatureTonerSaver = 150,
  kFeatureDensity = 152,
  kFeaturePageDelivery = 154,

  // Media: the media collection 210 (also the output paper-size collection at
  // the top level) holds the paper size 164, colour 174 and type 175; the job
  // media 477 and the covers hold one.
  kFeatureMedia = 210,
  kFeatureMediaColor = 174,
  kFeatureMediaType = 175,
  kFeatureCoverImaged = 186,
  kFeatureFrontCover = 197,
  kFeatureBackCover = 198,
  kFeatureInterleaveKind = 419,
  kFeatureTransparencyInterleave = 420,  // collection: 419 and 210
  kFeatureJobMedia = 477,

  // Accounting (device settings).
  kFeatureAccountingSystem = 239,
  kFeatureAccountingEntryMode = 240,
  kFeatureAccountingUserId = 244,
  kFeatureAccountingAccountId = 245,
  kFeatureAccountingAccountType = 246,
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

  kValueOutputModeFax = 6894,
  kValueEdgeToEdgeOn = 7011,
  kValuePassThroughEscapesOn = 7120,

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

  // Job types (feature 36; fax is kValueOutputModeFax) and their settings.
  kValueJobPrint = 6890,
  kValueJobSecurePrint = 6891,
  kValueJobProofPrint = 6892,
  kValueJobDelayedPrint = 6893,
  kValueJobSaved = 6900,
  kValueSaveOnly = 7070,
  kValueSavePrintAndSave = 7072,
  kValueStartSheetNone = 4430,
  kValueStartSheetFull = 4431,
  kValueRotate180On = 4602,
  kValueTonerSaverOn = 6060,

  // Pages per sheet (feature 215).
  kValueNup1 = 6240,
  kValueNup2 = 6241,
  kValueNup4 = 6242,
  kValueNup6 = 6243,
  kValueNup9 = 6244,
  kValueNup16 = 6245,

  // Windows collation, duplex and resolution options.
  kValueMsCollated = 4410,
  kValueMsUncollated = 4411,
  kValueMsDuplexLongEdge = 4421,
  kValueMsDuplexShortEdge = 4422,
  kValueMsResolution200 = 4020,
  kValueMsResolution600 = 4023,
  kValueMsResolution1200 = 4026,
  kValueMsResolution1800 = 4027,

  // Colour sources and output colour correction.
  kValueRgbSourceConsistent = 5010,
  kValueColorSrgb = 5012,
  kValueRgbSourceApple = 5014,
  kValueColorCorrectionAuto = 5017,
  kValueColorCorrectionNone = 5019,
  kValueCmykSourceSwop = 5061,
  kValueCmykSourceCommercial = 5063,
  kValueCmykSourceSnap = 5074,
  kValueCmykSourceEuroScale = 5075,
  kValueCmykSourceJapanColor = 5076,
  kValueColorCorrectionCmykSimulation = 5080,

  // Finishing (feature 144).
  kValueStapleSingle = 5254,
  kValueStapleDual = 5258,
  kValuePunch2 = 5270,
  kValuePunch3 = 5271,
  kValuePunch4 = 5272,
  kValueBookletFoldStaple = 5277,
  kValueBookletFoldNoStaple = 5278,
  kValueFoldC = 5279,
  kValueFoldZ = 5280,
  kValueStapleMultiple = 5286,

  // Job offset (feature 147).
  kValueOffsetNone = 5360,
  kValueOffsetJob = 5361,
  kValueOffsetSet = 5362,

  // Output bins (feature 139).
  kValueBinTop = 5381,
  kValueBinCenter = 5382,
  kValueBinRightTop = 5383,
  kValueBinRightCenter = 5384,
  kValueBinRightBottom = 5385,
  kValueBinStacker = 5386,
  kValueBinStacker1 = 5387,
  kValueBinStacker2 = 5388,
  kValueBinOffsettingCatchTray = 5392,

  // Page delivery (feature 154).
  kValueDeliveryFaceUp = 6100,
  kValueDeliveryFaceDown = 6101,

  // Media colours (feature 174).
  kValueColorClear = 5750,
  kValueColorWhite = 5751,
  kValueColorPink = 5752,
  kValueColorYellow = 5753,
  kValueColorBlue = 5754,
  kValueColorGreen = 5755,
  kValueColorBuff = 5756,
  kValueColorGoldenrod = 5757,
  kValueColorRed = 5758,
  kValueColorGray = 5759,
  kValueColorIvory = 5760,
  kValueColorOrange = 5761,
  kValueColorOther = 5762,
  kValueColorCustom1 = 5764,
  kValueColorCustom2 = 5765,
  kValueColorCustom3 = 5766,
  kValueColorCustom4 = 5767,
  kValueColorCustom5 = 5768,
  kValueColorCustom6 = 5769,
  kValueColorCustom7 = 5770,

  // Media types (feature 175).
  kValueMediaPlain = 5800,
  kValueMediaTransparency = 5801,
  kValueMediaTabs = 5802,
  kValueMediaPrecutTabs = 5803,
  kValueMediaLabels = 5805,
  kValueMediaEnvelopes = 5806,
  kValueMediaHeavyweight = 5807,
  kValueMediaBond = 5808,
  kValueMediaOther = 5809,
  kValueMediaSystemDefault = 5810,
  kValueMediaLetterhead = 5821,
  kValueMediaDrilled = 5833,
  kValueMediaPrePrinted = 5834,
  kValueMediaRecycled = 5839,
  kValueMediaCustom1 = 5840,
  kValueMediaCustom2 = 5841,
  kValueMediaCustom3 = 5842,
  kValueMediaCustom4 = 5843,
  kValueMediaCustom5 = 5844,
  kValueMediaCustom6 = 5845,
  kValueMediaCustom7 = 5846,
  kValueMediaExtraHeavyweight = 5850,
  kValueMediaExtraHeavyweightReloaded = 5851,
  kValueMediaGloss = 5856,
  kValueMediaHeavyweightGloss = 5858,
  kValueMediaHeavyweightGlossReloaded = 5859,
  kValueMediaExtraHeavyweightGloss = 5860,
  kValueMediaExtraHeavyweightGlossReloaded = 5861,
  kValueMediaHeavyweightReloaded = 5863,
  kValueMediaRough = 5864,

  // Covers and interleaved transparencies.
  kValueCoverNotImaged = 4950,
  kValueCoverImaged = 4953,
  kValueInterleaveBlank = 7140,
  kValueInterleaveImaged = 7141,

  // Accounting.
  kValueAccountingOff = 6620,
  kValueAccountingTypedAccounts = 6621,  // accounts of a type (general, group)
  kValueAccountingAccountId = 6622,
  kValueAccountingEnteredAtPrintTime = 6641,
  kValueAccountType0 = 6680,
  kValueAccountTypeGeneral = 6681,
  kValueAccountTypeGroup = 6682,
};

}  // namespace DataModelIds
