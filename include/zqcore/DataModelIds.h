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

  // The job ticket (DSC comments or XML) and the settings it carries.
  kFeatureCopies = 43,
  // kValueCopiesFromDevmode: the copy count is the devmode's.
  kFeatureCopiesSource = 44,
  kFeatureCollation = 45,
  kFeatureSignature = 59,
  kFeatureDisposition = 63,
  kFeatureJobName = 78,
  // The accounting ids the ticket carries (account, then user).
  kFeatureAccountingAccountId = 79,
  kFeatureAccountingUserId = 80,
  kFeatureRecipientName = 83,
  kFeatureMessage = 84,
  kFeatureJobStartMessage = 85,
  kFeatureRotation = 88,
  // Image shifts in hundredths (front x and y, back x and y).
  kFeatureImageShiftFrontX = 95,
  kFeatureImageShiftFrontY = 96,
  kFeatureImageShiftBackX = 97,
  kFeatureImageShiftBackY = 98,
  kFeatureHighlightPrintingColor = 101,
  kFeatureHighlightMappingColor = 102,
  kFeatureHighlightMappingAlgorithm = 103,
  kFeatureMismatchedHighlightColor = 104,
  kFeatureFinishingList = 144,
  kFeatureSlipSheeting = 145,
  kFeatureFinishingBypass = 146,
  kFeaturePaperColor = 174,
  kFeatureMediaType = 175,
  kFeatureTabCount = 176,
  kFeatureDrilled = 178,
  kFeaturePaperWeight = 179,
  // Which form of output the ticket announces, from the PDEV's output options.
  kFeatureTicketOutputForm = 236,
  // Device settings: the accounting mode, where its ids come from, and the
  // ids stored with the device.
  kFeatureAccountingMode = 239,
  kFeatureAccountingSource = 240,
  kFeatureAccountingDeviceUserId = 244,
  kFeatureAccountingDeviceAccountId = 245,
  // Private: whether a workflow printer's job gets a ticket at all.
  kFeatureJobTicketWanted = 286,
  // kValueCollationFromDevmode: collation is the devmode's.
  kFeatureCollationSource = 415,
  // Device setting: the ticket's form (kValueJobTicketDsc, otherwise XML).
  kFeatureJobTicketForm = 546,
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

  // Job ticket values, by feature.
  kValueCopiesFromDevmode = 4400,  // 44
  kValueCollated = 4410,           // 45
  kValueUncollated = 4411,
  kValueDuplexLongEdge = 4421,  // 46 (4420 is kValueMsSimplex)
  kValueDuplexShortEdge = 4422,
  kValueSignatureOff = 4510,  // 59
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
  kValueStapleSinglePortrait = 5254,
  kValueStapleSingleLandscape = 5255,
  kValueStapleRightSinglePortrait = 5256,
  kValueStapleRightSingleLandscape = 5257,
  kValueStapleDualLandscape = 5258,
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
  kValueMediaTypePlain = 5800,  // 175
  kValueMediaTypeTransparency = 5801,
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

  // Page-size entry types.
  kValuePageSizeTypeStandard = 25001,
  kValuePageSizeTypeTransverse = 25002,
  kValuePageSizeTypeAddedForm = 25003,
  kValuePageSizeTypeCustom = 25005,
};

}  // namespace DataModelIds
