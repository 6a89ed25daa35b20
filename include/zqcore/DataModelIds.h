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

  // What the printer does with the job (kValueOutputMode*).
  kFeatureOutputMode = 36,
  // Kind of a saved job (kValueSavedJob*).
  kFeatureSavedJobKind = 37,
  kFeatureJobPassword = 42,
  kFeatureDuplex = 46,
  // Which sheets the automatic rotation considers (kValueRotateAllSizes: every size).
  kFeatureRotationCandidates = 48,
  // Whether the driver, not the plug-in, handles the PostScript pass-through escapes.
  kFeaturePassThroughEscapes = 50,
  // Inverts both booklet rotation flags (kValueBookletRotationInverted).
  kFeatureBookletRotation = 51,
  kFeaturePrintQuality = 52,
  kFeatureImageSmoothing = 53,
  // Which resolutions the print-quality options ask for (kValueQualityTable*).
  kFeatureQualityTable = 54,
  // Digits that unlock colour printing.
  kFeatureColorAccessPin = 55,
  kFeatureBlackTrapping = 56,
  kFeatureGrayLine = 57,
  // Name of a stored job, inside an entry of kFeatureStoredJobEntries.
  kFeatureStoredJobName = 65,
  kFeatureJobName = 78,
  kFeatureJobOwner = 82,
  kFeatureRecipientName = 83,
  // Colour sliders, each an integer, at the job level or in one object kind's collection.
  kFeatureLightness = 120,
  kFeatureContrast = 121,
  kFeatureSaturation = 122,
  // Colour intents by object kind (values: the colour transforms).
  kFeatureIntentRgbImages = 123,
  kFeatureIntentRgbText = 125,
  kFeatureIntentCmykImages = 129,
  kFeatureIntentCmykText = 131,
  kFeatureOutputBin = 139,
  kFeatureCyanRed = 140,
  kFeatureMagentaGreen = 141,
  kFeatureYellowBlue = 142,
  kFeatureColorCorrection = 143,
  kFeatureFinishingList = 144,
  kFeatureJobOffset = 147,
  kFeatureJournalNumber = 155,
  // Available when the product has named papers.
  kFeatureNamedPapers = 162,
  kFeaturePaperSizeValues = 164,
  kFeaturePageSize = 168,
  kFeaturePageWidth = 172,
  kFeaturePageLength = 173,
  kFeatureMediaType = 175,
  kFeatureInputTray = 193,
  kFeatureManualFeed = 194,
  // Cover settings (a collection holding kFeatureInputTray).
  kFeatureCoverSettings = 197,
  // The stored job (a collection) and its entries (collections holding kFeatureStoredJobName).
  kFeatureStoredJob = 202,
  kFeatureStoredJobEntries = 203,
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
  kFeatureCoverPages = 272,
  kFeatureControllerFamily = 285,
  kFeatureIntentSpotImages = 293,
  kFeatureIntentSpotText = 295,
  // The printer, not the host, manages spot colours.
  kFeatureSpotColorsByPrinter = 296,
  // Colour-slider collections by object kind.
  kFeatureAdjustRgbText = 298,
  kFeatureAdjustRgbImages = 299,
  kFeatureAdjustCmykText = 301,
  kFeatureAdjustCmykImages = 302,
  kFeatureAdjustSpotText = 304,
  kFeatureAdjustSpotImages = 305,
  kFeaturePrintSettingsOnPage = 307,
  kFeaturePrinterHalftones = 308,
  kFeatureAdvancedColorSetup = 309,
  kFeatureApplyToCmyk = 310,
  kFeatureEdgeToEdge = 311,

  kFeatureSavedJobSecured = 38,
  kFeatureDelayedPrintHour = 39,
  kFeatureDelayedPrintMinute = 40,
  // The job ticket (DSC comments or XML) and the settings it carries.
  kFeatureCopies = 43,
  // kValueCopiesFromDevmode: the copy count is the devmode's.
  kFeatureCopiesSource = 44,
  kFeatureCollation = 45,
  kFeatureStartSheet = 47,
  kFeatureSignature = 59,
  kFeatureDisposition = 63,
  kFeatureStoredJobLocation = 66,
  kFeatureMessage = 84,
  kFeatureJobStartMessage = 85,
  kFeatureRotate180 = 88,
  // Image shifts in hundredths (front x and y, back x and y).
  kFeatureImageShiftFrontX = 95,
  kFeatureImageShiftFrontY = 96,
  kFeatureImageShiftBackX = 97,
  kFeatureImageShiftBackY = 98,
  kFeatureHighlightPrintingColor = 101,
  kFeatureHighlightMappingColor = 102,
  kFeatureHighlightMappingAlgorithm = 103,
  kFeatureMismatchedHighlightColor = 104,
  kFeatureSlipSheeting = 145,
  kFeatureFinishingBypass = 146,

  kFeatureTonerSaver = 150,
  kFeatureDensity = 152,
  kFeaturePageDelivery = 154,
  kFeatureMediaColor = 174,
  kFeatureTabCount = 176,
  kFeatureDrilled = 178,
  kFeaturePaperWeight = 179,
  kFeatureCoverImaged = 186,
  kFeatureBackCover = 198,
  // Which form of output the ticket announces, from the PDEV's output options.
  kFeatureTicketOutputForm = 236,

  // Accounting (device settings).
  kFeatureAccountingSystem = 239,
  kFeatureAccountingEntryMode = 240,
  kFeatureAccountingUserId = 244,
  kFeatureAccountingAccountId = 245,
  kFeatureAccountingAccountType = 246,
  // Private: whether a workflow printer's job gets a ticket at all.
  kFeatureJobTicketWanted = 286,
  kFeatureBookletGutter = 312,  // thousandths of a millimetre
  kFeatureBookletCreep = 313,   // per sheet, thousandths of a millimetre

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
  // kValueCollationFromDevmode: collation is the devmode's.
  kFeatureCollationSource = 415,

  // Slip sheets (a collection holding kFeatureSlipSheet and kFeatureInputTray).
  kFeatureSlipSheet = 418,
  kFeatureInterleaveKind = 419,
  kFeatureSlipSheetSettings = 420,
  // The printer's own margins (device settings), Dimension unit 10.
  kFeatureDeviceMarginLeft = 422,
  kFeatureDeviceMarginTop = 423,
  kFeatureDeviceMarginRight = 424,
  kFeatureDeviceMarginBottom = 425,
  // What the printer does when the paper in the tray does not match.
  kFeatureSizeMismatch = 426,
  kFeatureMediaTypePolicy = 427,
  // Name groups: "automatic" true fills the name in (document or user name),
  // "automatic" false with "remembered" true uses the stored name.
  kFeatureJobNameAutomatic = 438,
  kFeatureSenderNameAutomatic = 439,
  kFeatureRecipientNameAutomatic = 440,
  kFeatureUserName = 441,
  kFeatureDocumentNamePlaceholder = 442,
  // The jobs a print-with job prints with (a list of option values with new-value ids).
  kFeaturePrintWithJobs = 465,
  kFeatureRecipientNameRemembered = 471,
  kFeatureSenderNameRemembered = 472,
  kFeatureJobNameRemembered = 473,
  // Media selection (a collection holding kFeatureOutputPaperSize).
  kFeatureMediaSelection = 477,
  kFeatureOutputMedia = 478,
  kFeatureStartSheetForcedUser = 490,
  kFeatureBookletVariant = 491,
  // Device setting: the ticket's form (kValueJobTicketDsc, otherwise XML).
  kFeatureJobTicketForm = 546,
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
  kValueMsCollated = 4410,
  kValueMsUncollated = 4411,
  kValueMsSimplex = 4420,
  kValueMsDuplexLongEdge = 4421,
  kValueMsDuplexShortEdge = 4422,
  kValueMsColor = 4970,
  kValueMsMonochrome = 4971,
  kValueMsOutputFormatEps = 4162,
  kValueMsOutputFormatArchive = 4163,
  kValueMsNegativeOn = 4201,
  kValueMsEdgeToEdgeOff = 4260,
  kValueMsEdgeToEdgeOn = 4261,
  kValueRotateAllSizes = 4441,
  kValueBookletRotationInverted = 4461,

  // Print quality (feature 52).
  kValueQualityEnhanced = 4470,
  kValueQualityStandard = 4471,
  kValueQualityPhoto = 4472,
  kValueQuality600 = 4476,
  kValueQuality1200 = 4477,
  kValueImageSmoothingOff = 4490,
  kValueImageSmoothingOn = 4491,

  // Colour transforms (colour correction and intents); 5061, 5063 and
  // 5074..5078 emulate CMYK presses.
  kValueTransformDisplaySrgb = 5012,
  kValueTransformVivid = 5015,
  kValueTransformDisplayLcd = 5016,
  kValueTransformVoxCmyk = 5017,
  kValueTransformGray = 5018,
  kValueTransformAutomatic = 5019,
  kValueTransformSwopCoated = 5061,
  kValueTransformCommercialCoated = 5063,
  kValueTransformSnapNewsprint = 5074,
  kValueTransformEuroscaleCoated = 5075,
  kValueTransformJapanColor = 5076,
  kValueTransformIsoCoated = 5077,
  kValueTransformIsoUncoated = 5078,

  // Finishing list items (feature 144).
  // Staple values run from kValueFinishingStapleFirst to kValueFinishingStapleLast.
  kValueFinishingStapleFirst = 5254,
  kValueFinishingStapleSingle = 5254,
  kValueFinishingStapleDual = 5258,
  kValueFinishingStapleLast = 5265,
  kValueFinishingPunch2 = 5270,
  kValueFinishingPunch3 = 5271,
  kValueFinishingPunch4 = 5272,
  kValueFinishingFoldStaple = 5277,
  kValueFinishingFoldNoStaple = 5278,
  kValueFinishingFold = 5280,
  kValueFinishingStapleQuad = 5285,
  kValueFinishingStapleMultiple = 5286,

  kValueJobOffsetOff = 5360,
  kValueJobOffsetOn = 5362,

  // Output bins (feature 139).
  kValueOutputBinTop = 5381,
  kValueOutputBinStacker = 5386,
  kValueOutputBinFinisher = 5391,

  // Page sizes: kValuePageSizeFirstStandard + DMPAPER form id.
  kValuePageSizeFirstStandard = 5600,
  kValuePageSizeFirstAdded = 5800,
  kValuePageSizeLastAdded = 5999,
  kValuePageSizeCustom = 5732,

  // Media types (feature 175).
  kValueMediaTypePlain = 5800,
  kValueMediaTypeTransparency = 5801,
  // Media types (feature 175; numbers of that feature, beside the added forms
  // of the page size). Tabs to labels and drilled stock turn like envelopes.
  kValueMediaTypeTabs = 5802,
  kValueMediaTypeLabels = 5805,
  kValueMediaTypeEnvelopes = 5806,
  kValueMediaTypeHeavyWeight = 5807,
  kValueMediaTypeGlossy = 5820,
  kValueMediaTypeLetterhead = 5821,
  kValueMediaTypeCardstock = 5822,
  kValueMediaTypeThinCardstock = 5823,
  kValueMediaTypeThickCardstock = 5824,
  kValueMediaTypeColored = 5830,
  kValueMediaTypeSpecial = 5831,
  kValueMediaTypeDrilled = 5833,
  kValueMediaTypePrePrinted = 5834,
  kValueMediaTypeExtraThickCardstock = 5835,
  kValueMediaTypeThinGlossy = 5836,
  kValueMediaTypeThickGlossy = 5837,
  kValueMediaTypeSecondSide = 5838,
  kValueMediaTypeCustom1 = 5840,
  kValueMediaTypeCustom2 = 5841,
  kValueMediaTypeCustom3 = 5842,
  kValueMediaTypeCustom4 = 5843,
  kValueMediaTypeCustom5 = 5844,

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

  kValueManualFeedOn = 6550,

  kValueNupBordersOn = 6610,
  kValueNupBordersOff = 6611,

  kValueFinishingDependentOn = 6720,
  kValueFinishingDependentOff = 6721,

  // Cover pages (feature 272); also "none" of the slip sheets (feature 418).
  kValueCoverNone = 6760,
  kValueCoverFirst = 6761,

  // Finishing choice (feature 263) that looks at the finishing list.
  kValueFinishingFromList = 6787,

  // Output modes (feature 36).
  kValueOutputModeNormal = 6890,
  kValueOutputModeSecure = 6891,
  kValueOutputModeFax = 6894,
  kValueOutputModePersonal = 6897,
  kValueOutputModeSaved = 6898,
  kValueOutputModeProof = 6899,
  kValueOutputModePrintWith = 6901,

  kValueMediaTypePolicyIgnore = 6932,
  kValueSizeMismatchScale = 6933,
  kValueSizeMismatchNoScale = 6934,

  kValueEdgeToEdgeOff = 7010,
  kValueEdgeToEdgeOn = 7011,
  kValueSavedJob = 7070,
  kValueSavedJobWithPassword = 7071,
  kValuePassThroughEscapesOn = 7120,
  kValuePassThroughEscapesOff = 7121,

  // Slip sheets (feature 418).
  kValueSlipSheetEndOfJob = 7130,
  kValueSlipSheetEndOfSet = 7131,
  kValueSlipSheetEndOfPage = 7132,

  kValueQualityTableHighResolution = 7390,
  kValueQualityTableEnhanced = 7391,
  kValueBlackTrappingOn = 7400,
  kValueGrayLineAutomatic = 7410,
  kValueGrayLinePureBlack = 7411,
  kValueGrayLineComposite = 7412,

  // Booklet variants (feature 491).
  kValueBookletInvertSheet = 7651,
  kValueBookletReverseSides = 7652,
  kValueBookletInvertAndReverse = 7653,

  // Controller families (feature 285).
  kValueFamilyProcSet = 7430,
  kValueFamilyOid = 7431,
  kValueFamilyPlain = 7432,
  kValueFamilyPjl = 7433,

  // Job ticket values, by feature.
  kValueCopiesFromDevmode = 4400,  // 44
  kValueSignatureOff = 4510,       // 59
  kValueSignatureOn = 4511,
  kValueDispositionPrint = 4530,  // 63
  kValueDispositionSave = 4531,
  kValueDispositionPrintAndSave = 4532,
  kValueRotation0 = 4600,  // 88
  kValueRotation90 = 4601,
  kValueRotation180 = 4602,
  kValueRotation270 = 4603,
  kValueHighlightPrintRed = 4750,  // 101
  kValueHighlightPrintGreen = 4751,
  kValueHighlightPrintBlue = 4752,
  kValueHighlightPrintCyan = 4753,
  kValueHighlightPrintMagenta = 4754,
  kValueHighlightPrintBlack = 4755,
  kValueHighlightPrintCardinal = 4756,
  kValueHighlightPrintRoyal = 4757,
  kValueHighlightPrintRuby = 4758,
  kValueHighlightPrintViolet = 4759,
  kValueHighlightPrintBrown = 4760,
  kValueHighlightPrintOther = 4762,
  kValueHighlightMapRed = 4800,  // 102
  kValueHighlightMapGreen = 4801,
  kValueHighlightMapBlue = 4802,
  kValueHighlightMapCyan = 4803,
  kValueHighlightMapMagenta = 4804,
  kValueHighlightMapBlack = 4805,
  kValueHighlightMapCardinal = 4806,
  kValueHighlightMapRoyal = 4807,
  kValueHighlightMapRuby = 4808,
  kValueHighlightMapViolet = 4809,
  kValueHighlightMapBrown = 4810,
  kValueHighlightMapYellow = 4811,
  kValueHighlightMapOther = 4812,
  kValueHighlightAutomatic = 4850,  // 103
  kValueHighlightPictorial = 4851,
  kValueHighlightPresentation = 4852,
  kValueHighlightPictorialTable = 4853,
  kValueHighlightColorToHighlight = 4854,
  kValueHighlightMonochrome = 4855,
  kValueMismatchSelectCurrent = 4900,  // 104
  kValueMismatchHold = 4901,
  kValueMismatchAbort = 4902,
  kValueFinishingBookletMaker = 5252,  // 144
  kValueStapleSingleLandscape = 5255,
  kValueStapleRightSinglePortrait = 5256,
  kValueStapleRightSingleLandscape = 5257,
  kValueStapleDualPortrait = 5259,
  kValueStapleRightDualLandscape = 5260,
  kValueStapleRightDualPortrait = 5261,
  kValueBindingLeft = 5275,
  kValueBindingRight = 5276,
  kValuePaperColorNone = 5750,  // 174
  kValuePaperColorWhite = 5751,
  kValuePaperColorPink = 5752,
  kValuePaperColorYellow = 5753,
  kValuePaperColorBlue = 5754,
  kValuePaperColorGreen = 5755,
  kValuePaperColorBuff = 5756,
  kValuePaperColorGoldenrod = 5757,
  kValuePaperColorRed = 5758,
  kValuePaperColorGray = 5759,
  kValuePaperColorIvory = 5760,
  kValuePaperColorOrange = 5761,
  kValueMediaTypePreCutTab = 5803,
  kValueMediaTypePreCutTabAlternate = 5804,
  kValueMediaTypePreprinted = 5890,
  kValueDrilled = 5921,                   // 178
  kValueAccountingOff = 6620,             // 239
  kValueAccountingWithIds = 6622,         // the ids go into the ticket
  kValueAccountingIdsAtPrintTime = 6641,  // 240: entered when printing (PDEV state)
  kValueCollationFromDevmode = 7090,      // 415
  kValueTicketOutputPostScript = 7630,    // 236
  kValueTicketOutputOther = 7631,
  kValueJobTicketDsc = 7701,  // 546
  kValueNamedPaperListFirst = 7710,
  kValueNamedPaperListSecond = 7711,
  // An option the user named: its new-value id is the name.
  kValueUserNamed = 9000,

  // Page-size entry types.
  kValuePageSizeTypeStandard = 25001,
  kValuePageSizeTypeTransverse = 25002,
  kValuePageSizeTypeAddedForm = 25003,
  kValuePageSizeTypeCustom = 25005,

  kValueJobProofPrint = 6892,
  kValueJobDelayedPrint = 6893,
  kValueJobSaved = 6900,
  kValueSavePrintAndSave = 7072,
  kValueStartSheetNone = 4430,
  kValueStartSheetFull = 4431,
  kValueTonerSaverOn = 6060,

  kValueMsResolution200 = 4020,
  kValueMsResolution600 = 4023,
  kValueMsResolution1200 = 4026,
  kValueMsResolution1800 = 4027,

  // Colour sources and output colour correction.
  kValueRgbSourceConsistent = 5010,
  kValueRgbSourceApple = 5014,
  kValueColorCorrectionCmykSimulation = 5080,

  kValueFoldC = 5279,

  kValueOffsetJob = 5361,

  kValueBinCenter = 5382,
  kValueBinRightTop = 5383,
  kValueBinRightCenter = 5384,
  kValueBinRightBottom = 5385,
  kValueBinStacker1 = 5387,
  kValueBinStacker2 = 5388,
  kValueBinOffsettingCatchTray = 5392,

  // Page delivery (feature 154).
  kValueDeliveryFaceUp = 6100,
  kValueDeliveryFaceDown = 6101,

  kValueColorOther = 5762,
  kValueColorCustom1 = 5764,
  kValueColorCustom2 = 5765,
  kValueColorCustom3 = 5766,
  kValueColorCustom4 = 5767,
  kValueColorCustom5 = 5768,
  kValueColorCustom6 = 5769,
  kValueColorCustom7 = 5770,

  kValueMediaBond = 5808,
  kValueMediaOther = 5809,
  kValueMediaSystemDefault = 5810,
  kValueMediaRecycled = 5839,
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

  kValueAccountingTypedAccounts = 6621,  // accounts of a type (general, group)
  kValueAccountType0 = 6680,
  kValueAccountTypeGeneral = 6681,
  kValueAccountTypeGroup = 6682,
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
