#include "observers/LayoutFeatureManager.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "injection/FeatureBlock.h"
#include "msdevmode/MsFeatureManager.h"
#include "pdev/XOemPdev.h"
#include "zqcore/DeviceFeatureReader.h"
#include "zqcore/MediaHandler.h"
#include "zqutil/Dimension.h"
#include "zqutil/Number.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/Printer.h"
#include "zqutil/TamorException.h"

namespace {

using namespace DataModelIds;

// Reports of these failures carry the unit and line numbers the rest of the
// driver family reports for them, not this file's own.
constexpr const char* kSource = "complugins/layoutfeaturemanager";
constexpr int kInitializeLine = 819;
constexpr int kEndSetupLine = 1617;

constexpr DWORD kPostScriptPdl = 0x400;
constexpr double kRounding = 0.499999;
constexpr std::size_t kPatchBuffer = 255;

constexpr std::array<AttributeBytesFeatureId, 4> kMarginFeatures = {
    kFeatureDeviceMarginLeft, kFeatureDeviceMarginTop, kFeatureDeviceMarginRight, kFeatureDeviceMarginBottom};

// Default device margins (Dimension unit 10) of the procset family and of the others.
constexpr int kDefaultMarginProcSet = 1500;
constexpr int kDefaultMarginOther = 1152;

// Envelopes, width x length in tenths of a millimetre, matched within 1 mm.
struct Size {
  int width;
  int length;
};
constexpr std::array<Size, 5> kEnvelopes = {{{1620, 2290}, {984, 1905}, {1048, 2413}, {1100, 2200}, {1760, 2500}}};
constexpr int kEnvelopeTolerance = 10;
// Sheets outside these lengths in either direction are rotation candidates.
constexpr int kOrdinarySizeMin = 1390;
constexpr int kOrdinarySizeMax = 2980;
// The product whose envelopes and folds turn the other way.
constexpr char16_t kTurningProduct[] = u"QB42";

bool TurnsPagelets(DWORD nup) {
  return nup == kValueNupTwo || nup == kValueNupSix;
}

bool IsFold(const AttributeBytesValue* value) {
  const auto* option = dynamic_cast<const AttributeBytesOptionValue*>(value);
  return option != nullptr && option->GetValue() == static_cast<AttributeBytesValueEnum>(kValueFinishingFold);
}

bool CollectionHoldsFold(const AttributeBytesList& collection) {
  for (auto it = collection.GetIterator(); collection.IsValid(it);)
    if (IsFold(collection.GetNextAttributeBytes(it).GetAttributeBytesValue())) return true;
  return false;
}

// The finishing feature holds a fold: as its one option value, as an item of
// its list, or as a value inside a collection of it.
bool HoldsFold(AttributeBytesReader& settings) {
  const AttributeBytes* finishing = settings.GetAttributeBytesList().Find(kFeatureFinishingList);
  if (finishing == nullptr || !finishing->IsSpecified()) return false;
  const AttributeBytesValue* value = finishing->GetAttributeBytesValue();
  if (IsFold(value)) return true;
  if (const auto* collection = dynamic_cast<const AttributeBytesCollectionValue*>(value))
    return CollectionHoldsFold(collection->GetCollection());
  const auto* list = dynamic_cast<const AttributeBytesListValue*>(value);
  for (std::size_t i = 0; list != nullptr && i < list->GetCount(); ++i) {
    const AttributeBytesValue* item = list->GetItem(i);
    if (IsFold(item)) return true;
    if (const auto* collection = dynamic_cast<const AttributeBytesCollectionValue*>(item))
      if (CollectionHoldsFold(collection->GetCollection())) return true;
  }
  return false;
}

}  // namespace

void LayoutFeatureManager::Initialize(HANDLE hPrinter, DEVMODEW* devmode) {
  if (devmode == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, kInitializeLine, "LayoutFeatureManager::Initialize");
  pdlFlag_ = (PrintDriver::GetPDLTypeFromHandle(hPrinter) & kPostScriptPdl) != 0;
  settings_ = std::make_unique<XDevmode>(devmode);
  bool booklet = false;
  DWORD nup = kValueNone;
  settings_->GetBooleanValueFromAttributeBytes(kFeatureBooklet, booklet);
  settings_->GetOptionValueFromAttributeBytes(kFeatureNup, nup);
  nupValue_ = nup != kValueNone && !booklet ? nup : static_cast<DWORD>(kValueNupOne);
  marginsOption_ = kValueNone;
  settings_->GetOptionValueFromAttributeBytes(kFeatureEdgeToEdge, marginsOption_);
}

std::string LayoutFeatureManager::GetEndSetupPatch(HANDLE hPrinter) const {
  if (!pdlFlag_ || nupValue_ == kValueNupOne || !settings_) return std::string();
  DWORD borders = kValueNone;
  settings_->GetOptionValueFromAttributeBytes(kFeatureNupBorders, borders);
  if (borders != kValueNupBordersOn) return "\r\n%TMR Disable Nup Borders\r\n/framenup false def\r\n";
  if (marginsOption_ == kValueEdgeToEdgeOn) return std::string();
  int margins[4] = {};
  GetPrinterMargins(hPrinter, margins, Dimension::kPoint);
  // A negative margin in the device settings is a mistake; no margin is the
  // nearest thing the printer can do.
  const int largest = std::max({0, margins[0], margins[1], margins[2], margins[3]});
  CXString patch;
  patch.FormatSized(kPatchBuffer, u"\r\n%%TMR Nup Margin Patch\r\n/papermarg_nup %u def\r\n",
                    static_cast<unsigned>(largest));
  std::string bytes = patch.GetAsMultiByte();
  bytes.pop_back();  // the terminating zero is not written
  return bytes;
}

void LayoutFeatureManager::Handle_PSINJECT_ENDSETUP(PDEVOBJ pdevobj, IPrintOemDriverPS* driver) {
  if (pdevobj == nullptr || driver == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, kEndSetupLine,
                                                    "LayoutFeatureManager::Handle_PSINJECT_ENDSETUP");
  Initialize(pdevobj->hPrinter, pdevobj->pPublicDM);
  std::string patch = GetEndSetupPatch(pdevobj->hPrinter);
  if (patch.empty()) return;
  DWORD written = 0;
  driver->DrvWriteSpoolBuf(pdevobj, patch.data(), static_cast<DWORD>(patch.size()), &written);
}

void LayoutFeatureManager::GetPrinterMargins(HANDLE hPrinter, int margins[4], int unit) {
  DeviceFeatureReader reader(hPrinter);
  for (std::size_t i = 0; i < kMarginFeatures.size(); ++i) {
    LONG value = 0;
    reader.GetIntegerValueFromAttributeBytes(kMarginFeatures[i], value);
    margins[i] = Number::GetIntValue(Dimension(value, Dimension::kHundredthPoint).GetValue(unit), kRounding);
  }
}

bool LayoutFeatureManager::ShrinkToPrinterMargins(HANDLE hPrinter, AttributeBytesReader& settings,
                                                  RECTL& imageableArea) {
  DWORD margins = kValueNone;
  if (!settings.GetOptionValueFromAttributeBytes(kFeatureEdgeToEdge, margins) || margins != kValueEdgeToEdgeOff)
    return false;
  int m[4] = {};
  GetPrinterMargins(hPrinter, m, Dimension::kThousandthMillimetre);
  imageableArea.left += m[0];
  imageableArea.top += m[1];
  imageableArea.right -= m[2];
  imageableArea.bottom -= m[3];
  return true;
}

LayoutFeatureManager::PaperSize LayoutFeatureManager::GetEffectivePaperSize(HANDLE /*hPrinter*/,
                                                                            AttributeBytesReader& settings,
                                                                            MsFeatureManager& windowsFeatures) {
  AttributeBytesIndexedList output;
  Dimension width;
  Dimension length;
  if (settings.GetCollectionFromAttributeBytes(kFeatureOutputPaperSize, output) &&
      output.GetPaperSizeValues(kFeaturePaperSizeValues, width, length)) {
    return {Number::GetIntValue(width.GetValue(Dimension::kTenthMillimetre), kRounding),
            Number::GetIntValue(length.GetValue(Dimension::kTenthMillimetre), kRounding)};
  }
  PaperSize size{windowsFeatures.GetMsFeatureValue(kFeatureMsPaperWidth, false),
                 windowsFeatures.GetMsFeatureValue(kFeatureMsPaperLength, false)};
  // A devmode that names a standard form need not carry its size.
  if (size.width <= 0 || size.length <= 0) {
    const auto forms = MediaHandler::GetPageSizes(windowsFeatures.GetMsFeatureValue(kFeatureMsPaperSize, false));
    if (!forms.empty())
      size = {Number::GetIntValue(forms.front().GetWidth().GetValue(Dimension::kTenthMillimetre), kRounding),
              Number::GetIntValue(forms.front().GetLength().GetValue(Dimension::kTenthMillimetre), kRounding)};
  }
  return size;
}

bool LayoutFeatureManager::IsSheetRotated(HANDLE /*hPrinter*/, AttributeBytesReader& settings,
                                          MsFeatureManager& windowsFeatures) {
  const int orientation = windowsFeatures.GetMsFeatureValue(kFeatureMsOrientation, true);
  DWORD nup = kValueNone;
  bool booklet = false;
  settings.GetOptionValueFromAttributeBytes(kFeatureNup, nup);
  settings.GetBooleanValueFromAttributeBytes(kFeatureBooklet, booklet);
  // Two and six pages per sheet turn the sheet; on a PostScript printer the
  // driver's own layout makes that the portrait case, elsewhere the landscape one.
  const int turningOrientation = (windowsFeatures.GetAccessor().GetPdlBits() & kPostScriptPdl) != 0
                                     ? kValueMsOrientationPortrait
                                     : kValueMsOrientationLandscape;
  bool rotated = orientation == turningOrientation && TurnsPagelets(nup);
  if (booklet) rotated = rotated || orientation == kValueMsOrientationLandscape;
  return rotated;
}

bool LayoutFeatureManager::IsAutoRotationNeeded(HANDLE hPrinter, AttributeBytesReader& settings,
                                                MsFeatureManager& windowsFeatures, XOemPdev* pdev) {
  DWORD family = kValueNone;
  if (!settings.GetOptionValueFromAttributeBytes(kFeatureControllerFamily, family) || family != kValueFamilyOid)
    return false;
  DWORD outputMode = kValueNone;
  if (settings.GetOptionValueFromAttributeBytes(kFeatureOutputMode, outputMode) && outputMode == kValueOutputModeFax)
    return false;
  DWORD noCapture = 0;
  if (pdev != nullptr && pdev->GetLong(kPdevNoCapture, noCapture) && noCapture != 0) return false;
  if ((windowsFeatures.GetAccessor().GetPdlBits() & kPostScriptPdl) != 0) {
    const int format = windowsFeatures.GetMsFeatureValue(kFeatureMsPsOutputFormat, true);
    if (format == kValueMsOutputFormatEps || format == kValueMsOutputFormatArchive) return false;
  }

  const PaperSize size = GetEffectivePaperSize(hPrinter, settings, windowsFeatures);
  const bool envelope = std::any_of(kEnvelopes.begin(), kEnvelopes.end(), [&](const Size& e) {
    return std::abs(size.width - e.width) < kEnvelopeTolerance && std::abs(size.length - e.length) < kEnvelopeTolerance;
  });
  DWORD media = kValueNone;
  settings.GetOptionValueFromAttributeBytes(kFeatureMediaType, media);
  const bool envelopeMedia =
      (media >= kValueMediaTypeTabs && media <= kValueMediaTypeLabels) || media == kValueMediaTypeDrilled;
  const auto outside = [](int v) { return v < kOrdinarySizeMin || v > kOrdinarySizeMax; };
  DWORD candidates = kValueNone;
  settings.GetOptionValueFromAttributeBytes(kFeatureRotationCandidates, candidates);
  const bool candidate = candidates == kValueRotateAllSizes || outside(size.width) || outside(size.length);
  const std::uint32_t orientation = renpsoem::GetEffectiveOrientation(hPrinter, settings, windowsFeatures);
  const bool trayMatch = HoldsFold(settings);
  bool rotated = IsSheetRotated(hPrinter, settings, windowsFeatures);

  if (Printer(hPrinter).GetPrinterProductUniqueId() == CXString(kTurningProduct)) {
    if (!envelopeMedia && !envelope && candidate && orientation == kValueMsOrientationLandscape) rotated = !rotated;
    if (envelope || trayMatch) return !rotated;
  }
  return rotated;
}

void LayoutFeatureManager::RegisterObserver(DataModelManager& model) {
  model.GetFeatureServices().RegisterFeatureObserver(*this, kChangeFeature, kFeatureDefaultMarginSelector,
                                                     kInstanceFeatureDefinitions, kCapabilityDefaultValue,
                                                     kNotifyAfterChange);
}

void LayoutFeatureManager::RegisterForIntegrateSourceDataChanges(DataModelManager& model) {
  RegisterObserver(model);
}

void LayoutFeatureManager::RegisterForCurrentSettingsChanges(DataModelManager& model) {
  RegisterObserver(model);
}

void LayoutFeatureManager::IntegrateSourceData(DataModelManager& model) {
  DataModelFeatureServices& services = model.GetFeatureServices();
  // A feature another source declared (the device's margins) keeps its declaration.
  const auto declare = [&](std::uint32_t feature, FeatureKind kind) {
    if (services.IsFeatureAvailable(feature)) return;
    FeatureDefinition definition;
    definition.feature = feature;
    definition.kind = kind;
    services.DeclareFeature(definition);
  };
  if (restrictLayout_) {
    declare(kFeatureBooklet, FeatureKind::Boolean);
    declare(kFeatureNupBorders, FeatureKind::Option);
    declare(kFeatureNup, FeatureKind::Option);
    declare(kFeatureNupBordersPair, FeatureKind::Option);
  }
  for (AttributeBytesFeatureId feature : kMarginFeatures) declare(feature, FeatureKind::Integer);
  if (!restrictLayout_) return;
  services.SetValueList(kFeatureNupBorders, {kValueNupBordersOn, kValueNupBordersOff});
  services.SetValueList(kFeatureNupBordersPair, {kValueNupBordersOn, kValueNupBordersOff});
  services.SetValueList(kFeatureNup,
                        {kValueNupOne, kValueNupTwo, kValueNupFour, kValueNupSix, kValueNupNine, kValueNupSixteen});
  services.SetCurrentValue(kFeatureBooklet, FeatureValue::MakeBoolean(false));
  services.SetCurrentValue(kFeatureNupBorders, FeatureValue::MakeOption(kValueNupBordersOff));
  services.SetCurrentValue(kFeatureNup, FeatureValue::MakeOption(kValueNupOne));
  services.SetCurrentValue(kFeatureNupBordersPair, FeatureValue::MakeOption(kValueNupBordersOff));
}

void LayoutFeatureManager::Notify(const NotificationBundle& /*bundle*/) {
  DataModelManager* model = GetDataModel();
  if (model == nullptr) return;
  DataModelFeatureServices& services = model->GetFeatureServices();
  ListOfFeaturesRef features = model->GetFeatureList();
  if (OptionFeatureRef(features, FeatureId(kFeatureDefaultMarginSelector)).GetDefaultValue().GetValueEnum() !=
      static_cast<std::uint32_t>(kValueDefaultMarginsWanted))
    return;
  const int margin = OptionFeatureRef(features, FeatureId(kFeatureControllerFamily)).GetDefaultValue().GetValueEnum() ==
                             static_cast<std::uint32_t>(kValueFamilyProcSet)
                         ? kDefaultMarginProcSet
                         : kDefaultMarginOther;
  for (AttributeBytesFeatureId feature : kMarginFeatures)
    services.SetCurrentValue(feature, FeatureValue::MakeInteger(margin));
  const Dimension m(margin, Dimension::kHundredthPoint);
  MediaHandler::SetDefaultMargins(m, m, m, m);
}
