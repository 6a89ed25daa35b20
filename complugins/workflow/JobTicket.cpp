#include "workflow/JobTicket.h"

#include <span>
#include <string>
#include <string_view>

#include "CoreLibrary.h"
#include "devmode/XDevmode.h"
#include "pdev/XOemPdev.h"
#include "zqcore/DataModelIds.h"
#include "zqcore/TicketXml.h"
#include "zqutil/PersistentAttributes.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"

namespace renpsoem {

namespace {

using namespace DataModelIds;

// Output option bits that announce another form than PostScript; nothing in
// the plug-in sets them, the ticket still reports them.
constexpr std::uint64_t kOtherOutputForms = 0x80 | 0x100;

struct ValueText {
  DWORD value;
  std::string_view text;
};

constexpr ValueText kPlexTexts[] = {
    {kValueMsSimplex, "simplex"},
    {kValueMsDuplexLongEdge, "duplex"},
    {kValueMsDuplexShortEdge, "duplex(tumble)"},
};

// Line 7 is written for an absent signature too: no value reads as 4001.
constexpr ValueText kSignatureTexts[] = {
    {kValueSignatureOn, "True"},
    {kValueSignatureOff, "False"},
    {kValueNone, "False"},
};

constexpr ValueText kCollationTexts[] = {
    {kValueMsCollated, "collated"},
    {kValueMsUncollated, "uncollated"},
};

constexpr ValueText kRotationAngles[] = {
    {kValueRotation0, "0"},
    {kValueRotation90, "90"},
    {kValueRotation180, "180"},
    {kValueRotation270, "270"},
};

constexpr ValueText kDispositionTexts[] = {
    {kValueNone, "PRINT"},
    {kValueDispositionPrint, "PRINT"},
    {kValueDispositionSave, "SAVE"},
    {kValueDispositionPrintAndSave, "PRINT&SAVE"},
};

// 4761 is a printing colour too, but one the ticket does not name.
constexpr ValueText kHighlightPrintingColors[] = {
    {kValueHighlightPrintRed, "red"},           {kValueHighlightPrintGreen, "green"},
    {kValueHighlightPrintBlue, "blue"},         {kValueHighlightPrintCyan, "cyan"},
    {kValueHighlightPrintMagenta, "magenta"},   {kValueHighlightPrintBlack, "black"},
    {kValueHighlightPrintCardinal, "cardinal"}, {kValueHighlightPrintRoyal, "royal"},
    {kValueHighlightPrintRuby, "ruby"},         {kValueHighlightPrintViolet, "violet"},
    {kValueHighlightPrintBrown, "brown"},       {kValueHighlightPrintOther, "other"},
};

constexpr ValueText kHighlightMappingColors[] = {
    {kValueHighlightMapRed, "red"},           {kValueHighlightMapGreen, "green"},
    {kValueHighlightMapBlue, "blue"},         {kValueHighlightMapCyan, "cyan"},
    {kValueHighlightMapMagenta, "magenta"},   {kValueHighlightMapBlack, "black"},
    {kValueHighlightMapCardinal, "cardinal"}, {kValueHighlightMapRoyal, "royal"},
    {kValueHighlightMapRuby, "ruby"},         {kValueHighlightMapViolet, "violet"},
    {kValueHighlightMapBrown, "brown"},       {kValueHighlightMapYellow, "yellow"},
    {kValueHighlightMapOther, "other"},
};

constexpr ValueText kHighlightAlgorithms[] = {
    {kValueHighlightAutomatic, "Automatic"},
    {kValueHighlightPictorial, "Pictorial"},
    {kValueHighlightPresentation, "Presentation"},
    {kValueHighlightPictorialTable, "PictorialTable"},
    {kValueHighlightColorToHighlight, "ColorToHighlight"},
    {kValueHighlightMonochrome, "Monochrome"},
};

constexpr ValueText kMismatchedHighlightTexts[] = {
    {kValueMismatchSelectCurrent, "selectCurrent"},
    {kValueMismatchHold, "hold"},
    {kValueMismatchAbort, "abort"},
};

constexpr ValueText kEdgeStitching[] = {
    {kValueFinishingStapleSingle, "SinglePortrait"},
    {kValueStapleSingleLandscape, "SingleLandscape"},
    {kValueStapleRightSinglePortrait, "RightSinglePortrait"},
    {kValueStapleRightSingleLandscape, "RightSingleLandscape"},
    {kValueFinishingStapleDual, "DualLandscape"},
    {kValueStapleDualPortrait, "DualPortrait"},
    {kValueStapleRightDualLandscape, "RightDualLandscape"},
    {kValueStapleRightDualPortrait, "RightDualPortrait"},
};

constexpr ValueText kBindings[] = {
    {kValueBindingLeft, "left"},
    {kValueBindingRight, "right"},
};

constexpr ValueText kPaperColors[] = {
    {kValuePaperColorNone, "noColor"},  {kValuePaperColorWhite, "white"},         {kValuePaperColorPink, "pink"},
    {kValuePaperColorYellow, "yellow"}, {kValuePaperColorBlue, "blue"},           {kValuePaperColorGreen, "green"},
    {kValuePaperColorBuff, "buff"},     {kValuePaperColorGoldenrod, "goldenrod"}, {kValuePaperColorRed, "red"},
    {kValuePaperColorGray, "gray"},     {kValuePaperColorIvory, "ivory"},         {kValuePaperColorOrange, "orange"},
};

// Pre-finish text by media type; with a tab count the count follows the text.
struct PreFinish {
  DWORD mediaType;
  std::string_view plain;
  std::string_view drilled;
  bool tabCount;
};

constexpr PreFinish kPreFinishTexts[] = {
    {kValueMediaTypePlain, "Plain 0 0", "PlainDrilled 3 0", false},
    {kValueMediaTypeTransparency, "Plain 0 0", "PlainDrilled 3 0", false},
    {kValueMediaTypePreCutTab, "PlainPreCutTab 0 ", "DrilledPreCutTab 3 ", true},
    {kValueMediaTypePreCutTabAlternate, "PlainPreCutTab 0 ", "DrilledPreCutTab 3 ", true},
    {kValueMediaTypePreprinted, "Preprinted 0 0", "PreprintedDrilled 3 0", false},
};

const std::string_view* FindText(std::span<const ValueText> table, DWORD value) {
  for (const ValueText& row : table)
    if (row.value == value) return &row.text;
  return nullptr;
}

// Text as the printer's code page takes it: one byte per unit below 256.
std::string Narrow(const CXString& text) {
  std::string bytes = text.GetAsMultiByte();
  bytes.pop_back();  // the terminating zero
  return bytes;
}

// The settings the ticket reads; a feature the list does not hold is absent.
class TicketReader {
 public:
  explicit TicketReader(const AttributeBytesList& settings) : settings_(settings) {}

  bool String(FeatureEnum feature, CXString& value) const { return settings_.GetStringValue(feature, value); }
  bool Integer(FeatureEnum feature, std::int32_t& value) const { return settings_.GetIntegerValue(feature, value); }
  // An option, or the first item of a list of options.
  bool Option(FeatureEnum feature, DWORD& value) const {
    AttributeBytesValueEnum option = 0;
    if (!settings_.GetOptionValue(feature, option) && !settings_.GetOptionValueByIndex(feature, 0, option))
      return false;
    value = option;
    return true;
  }
  // The option's own name: the id it was given when the model did not know
  // it, else its number.
  std::string OptionName(FeatureEnum feature, DWORD value) const {
    CXString name;
    if (settings_.GetNewValueId(feature, name) && !name.IsEmpty()) return Narrow(name);
    return std::to_string(value);
  }

 private:
  const AttributeBytesList& settings_;
};

class TicketLines {
 public:
  void Add(std::string_view keyword, std::string_view value) {
    lines_.appendAscii(keyword);
    lines_.appendAscii(value);
    lines_.appendAscii("\n");
  }
  void AddFrom(std::string_view keyword, std::span<const ValueText> table, DWORD value) {
    if (const std::string_view* text = FindText(table, value)) Add(keyword, *text);
  }
  const ByteBuffer& bytes() const { return lines_; }

 private:
  ByteBuffer lines_;
};

// Hundredths as "%f" prints them after a division in single precision.
std::string ImageShift(std::int32_t hundredths) {
  const float shift = static_cast<float>(hundredths) / 100.0f;
  return Narrow(CXString::Formatted(u"%f", static_cast<double>(shift)));
}

void AddFinishing(const TicketReader& read, TicketLines& lines) {
  CXString text;
  if (read.String(kFeatureFinishingBypass, text)) {
    lines.Add("%TMRoutputLocation: FinishingBypass ", Narrow(text));
    return;
  }
  std::string_view binding, edgeStitching, bookletMaker;
  if (read.String(kFeatureSlipSheeting, text)) {
    lines.Add("%TMRrequirements: ", "slipSheeting");
  } else if (DWORD finishing = 0; read.Option(kFeatureFinishingList, finishing)) {
    if (finishing == kValueFinishingBookletMaker) bookletMaker = "True";
    if (const std::string_view* stitching = FindText(kEdgeStitching, finishing)) edgeStitching = *stitching;
    if (const std::string_view* side = FindText(kBindings, finishing)) binding = *side;
  }
  lines.Add("%TMRbinding: ", binding.empty() ? "None" : binding);
  lines.Add("%TMRedgeStitching: ", edgeStitching.empty() ? "None" : edgeStitching);
  lines.Add("%TMRbookletMaker: ", bookletMaker.empty() ? "False" : bookletMaker);
}

std::string PreFinishText(const TicketReader& read, DWORD mediaType) {
  DWORD drilledValue = 0;
  const bool drilled = read.Option(kFeatureDrilled, drilledValue) && drilledValue == kValueDrilled;
  std::int32_t tabs = 0;
  read.Integer(kFeatureTabCount, tabs);
  const std::string tabCount = std::to_string(tabs);
  for (const PreFinish& row : kPreFinishTexts) {
    if (row.mediaType != mediaType) continue;
    std::string text(drilled ? row.drilled : row.plain);
    return row.tabCount ? text + tabCount : text;
  }
  // Another media type: its name as one token (blanks would split the line's
  // fields, so they become backspaces), then the same fields.
  std::string token = read.OptionName(kFeatureMediaType, mediaType);
  for (char& c : token)
    if (c == ' ') c = '\x08';
  return token + (drilled ? " 3 " : " 0 ") + tabCount;
}

// The printer's device settings ("TmrDeviceSettings"); empty when it has none.
AttributeBytesIndexedList DeviceSettings(HANDLE hPrinter) {
  Printer printer;
  if (!printer.GetPrinterDataW(hPrinter, CXString(PrinterDataNames::kDeviceSettings))) return {};
  const PersistentAttributes image(printer.GetPrinterDataBuffer(), false);
  return image.GetAttributeBytesListForNameSpace(PersistentAttributes::skoDataModelDocPropNameSpace);
}

}  // namespace

Accounting ReadAccounting(const AttributeBytesList& deviceSettings, const XOemPdev& pdev) {
  Accounting accounting{kValueNone, CXString(), CXString()};
  AttributeBytesValueEnum mode = 0;
  AttributeBytesValueEnum source = 0;
  if (!deviceSettings.GetOptionValue(kFeatureAccountingSystem, mode) ||
      !deviceSettings.GetOptionValue(kFeatureAccountingEntryMode, source) || mode == kValueAccountingOff)
    return accounting;
  accounting.mode = mode;
  if (source == kValueAccountingIdsAtPrintTime) {
    pdev.GetString(kPdevAccountingUser, accounting.first);
    pdev.GetString(kPdevAccountingAccount, accounting.second);
  } else {
    deviceSettings.GetStringValue(kFeatureAccountingUserId, accounting.first);
    deviceSettings.GetStringValue(kFeatureAccountingAccountId, accounting.second);
  }
  return accounting;
}

AttributeBytesIndexedList TicketSettings(const AttributeBytesList& documentSettings,
                                         const AttributeBytesList& deviceSettings, const DEVMODEW* devmode,
                                         const XOemPdev& pdev, std::uint64_t outputOptions) {
  AttributeBytesIndexedList settings(documentSettings);
  const Accounting accounting = ReadAccounting(deviceSettings, pdev);
  if (accounting.mode == kValueAccountingWithIds) {
    settings.SetStringValue(kFeatureAccountingAccountId, accounting.second);
    settings.SetStringValue(kFeatureAccountingUserId, accounting.first);
  }
  if (devmode != nullptr) {
    AttributeBytesValueEnum value = 0;
    if (settings.GetOptionValue(kFeatureCopiesSource, value) && value == kValueCopiesFromDevmode)
      settings.SetIntegerValue(kFeatureCopies, devmode->dmCopies);
    if (settings.GetOptionValue(kFeatureCollationSource, value) && value == kValueCollationFromDevmode)
      settings.SetOptionValue(kFeatureCollation,
                              devmode->dmCollate == DMCOLLATE_TRUE ? kValueMsCollated : kValueMsUncollated);
    if (settings.GetOptionValue(kFeatureDuplex, value) && value != kValueNone) {
      switch (devmode->dmDuplex) {
        case DMDUP_SIMPLEX:
          settings.SetOptionValue(kFeatureDuplex, kValueMsSimplex);
          break;
        case DMDUP_VERTICAL:
          settings.SetOptionValue(kFeatureDuplex, kValueMsDuplexLongEdge);
          break;
        case DMDUP_HORIZONTAL:
          settings.SetOptionValue(kFeatureDuplex, kValueMsDuplexShortEdge);
          break;
        default:
          break;
      }
    }
  }
  if ((outputOptions & kOtherOutputForms) != 0)
    settings.SetOptionValue(kFeatureTicketOutputForm, kValueTicketOutputOther);
  if ((outputOptions & kOutputOptionPostScriptForm) != 0)
    settings.SetOptionValue(kFeatureTicketOutputForm, kValueTicketOutputPostScript);
  return settings;
}

bool WriteJobTicket(HANDLE hPrinter, const DEVMODEW* devmode, XOemPdev& pdev, XDevmode& settings, ByteBuffer& out,
                    std::uint64_t outputOptions, DWORD /*workflowValue*/) {
  bool wanted = false;
  if (!settings.GetBooleanValueFromAttributeBytes(kFeatureJobTicketWanted, wanted) || !wanted) return false;
  const AttributeBytesIndexedList device = DeviceSettings(hPrinter);
  const AttributeBytesIndexedList ticket =
      TicketSettings(settings.GetDocumentAttributeBytesList(), device, devmode, pdev, outputOptions);
  AttributeBytesValueEnum form = 0;
  if (device.GetOptionValue(kFeatureJobTicketForm, form) && form == kValueJobTicketDsc)
    return BuildDscJobTicket(ticket, out);
  core_library::ExportTicketXml(ticket, zqcore::kTpifTicketSchema, out);
  return true;
}

bool BuildDscJobTicket(const AttributeBytesList& settings, ByteBuffer& out) {
  const TicketReader read(settings);
  TicketLines lines;
  CXString text;
  std::int32_t number = 0;
  DWORD option = 0;

  lines.Add("%TMRbegin: ", "001.0300");
  lines.Add("%TMRtitle: ", read.String(kFeatureJobName, text) ? Narrow(text) : "Default job");
  lines.Add("%TMRsenderName: ", read.String(kFeatureJobOwner, text) ? Narrow(text) : "Default Sender");
  if (read.String(kFeatureRecipientName, text)) lines.Add("%TMRrecipientName: ", Narrow(text));
  if (read.String(kFeatureMessage, text)) lines.Add("%TMRmessage: ", Narrow(text));
  if (read.String(kFeatureJobStartMessage, text)) lines.Add("%TMRjobStartMessage: ", Narrow(text));
  // Read without asking whether it is there: no value is 4001.
  DWORD signature = kValueNone;
  read.Option(kFeatureSignature, signature);
  lines.AddFrom("%TMRsignature: ", kSignatureTexts, signature);
  if (read.Integer(kFeatureCopies, number)) lines.Add("%TMRcopyCount: ", std::to_string(number));
  DWORD plex = kValueNone;
  if (read.Option(kFeatureDuplex, plex)) lines.AddFrom("%TMRrequirements: ", kPlexTexts, plex);
  AddFinishing(read, lines);
  if (read.Option(kFeatureCollation, option)) lines.AddFrom("%TMRrequirements: ", kCollationTexts, option);
  if (read.Option(kFeatureRotate180, option)) lines.AddFrom("%TMRrotation: ", kRotationAngles, option);
  if (read.Integer(kFeatureImageShiftFrontX, number)) lines.Add("%TMRxImageShift: ", ImageShift(number));
  if (read.Integer(kFeatureImageShiftFrontY, number)) lines.Add("%TMRyImageShift: ", ImageShift(number));
  // A simplex job has no back side to shift.
  if (plex != kValueMsSimplex) {
    if (read.Integer(kFeatureImageShiftBackX, number)) lines.Add("%TMRx2ImageShift: ", ImageShift(number));
    if (read.Integer(kFeatureImageShiftBackY, number)) lines.Add("%TMRy2ImageShift: ", ImageShift(number));
  }
  if (read.Option(kFeatureDisposition, option)) lines.AddFrom("%TMRdisposition: ", kDispositionTexts, option);
  if (read.Option(kFeatureHighlightPrintingColor, option))
    lines.AddFrom("%TMRhighlightPrintingColor: ", kHighlightPrintingColors, option);
  if (read.Option(kFeatureHighlightMappingColor, option))
    lines.AddFrom("%TMRhighlightMappingColor: ", kHighlightMappingColors, option);
  if (read.Option(kFeatureHighlightMappingAlgorithm, option))
    lines.AddFrom("%TMRhighlightMappingAlgorithm: ", kHighlightAlgorithms, option);
  if (read.Option(kFeatureMismatchedHighlightColor, option))
    lines.AddFrom("%TMRmismatchedHighlightPrintingColor: ", kMismatchedHighlightTexts, option);
  if (read.Option(kFeatureMediaColor, option)) {
    const std::string_view* color = FindText(kPaperColors, option);
    lines.Add("%TMRdocumentPaperColors: ",
              color != nullptr ? std::string(*color) : read.OptionName(kFeatureMediaColor, option));
  }
  if (DWORD mediaType = 0; read.Option(kFeatureMediaType, mediaType)) {
    lines.Add("%TMRpaperType-opacity: ", mediaType == kValueMediaTypeTransparency ? "transparency" : "opaque");
    lines.Add("%TMRpaperType-preFinish: ", PreFinishText(read, mediaType));
  }
  if (read.Integer(kFeaturePaperWeight, number)) lines.Add("%TMRpaperType-weight: ", std::to_string(number));
  out.append(lines.bytes());
  return true;
}

}  // namespace renpsoem
