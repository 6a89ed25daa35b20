#include "msdevmode/MsDevmodeValueMapper.h"

#include <optional>

#include "zqcore/DataModelIds.h"
#include "zqcore/MediaHandler.h"
#include "zqutil/AttributeBytes.h"
#include "zqutil/Number.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "complugins/msdevmodevaluemapper";
constexpr double kRounding = 0.499999;
constexpr int kStandardFormLast = 118;

using namespace DataModelIds;

int TenthsOf(const Dimension& length) {
  return Number::GetIntValue(length.GetValue(Dimension::kTenthMillimetre), kRounding);
}

}  // namespace

MsDevmodeValueMapper::MsDevmodeValueMapper(std::unique_ptr<MsDevmodeBase> accessor) : accessor_(std::move(accessor)) {
  if (!accessor_)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__, "MsDevmodeValueMapper::MsDevmodeValueMapper",
                                                    u"accessor");
}

void MsDevmodeValueMapper::SetMsPaperSizeFeaturesCurrentValues(int paperSize, int width, int length,
                                                               const CXString& formName) {
  accessor_->SetMsPaperSizeFeaturesCurrentValues(paperSize, width, length, formName);
}

int MsDevmodeValueMapper::GetDefaultValue(int feature) const {
  const ms::ValueTable table = accessor_->GetValueTable(feature);
  if (!table.empty()) return table.front().option;
  return feature == kFeatureMsScale ? 100 : 1;
}

void MsDevmodeValueMapper::WriteSettingsToDevmode(const AttributeBytesIndexedList& settings, int mode,
                                                  bool useDefaults) {
  if (mode < kWriteAll || mode > kWritePrivateSettings)
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, "MsDevmodeValueMapper::WriteSettingsToDevmode",
                                         CXString::Formatted(u"mode %d", mode));
  const bool publicPart = mode != kWritePrivateSettings;
  const bool privatePart = mode != kWritePublicFields;

  AttributeBytesIndexedList windowsFeatures;
  settings.GetCollection(kFeatureMsFeatures, windowsFeatures);
  for (const MsWorkingRow& row : accessor_->GetWorkingCatalogue()) {
    if (!row.row->inModel) continue;
    if (row.row->publicField ? !publicPart : !privatePart) continue;
    const int feature = row.row->feature;
    const AttributeBytes* held = windowsFeatures.Find(static_cast<AttributeBytesFeatureId>(feature));
    const AttributeBytesValue* value = held != nullptr ? held->GetAttributeBytesValue() : nullptr;
    if (!row.table.empty()) {
      // "No value" is written as it is unless defaults are wanted: the
      // mapping then fails rather than leave the devmode as it was.
      std::optional<AttributeBytesValueEnum> option;
      if (const auto* stored = dynamic_cast<const AttributeBytesOptionValue*>(value)) option = stored->GetValue();
      if (!option || (*option == kValueNone && useDefaults)) {
        if (!useDefaults) continue;
        option = static_cast<AttributeBytesValueEnum>(row.table.front().option);
      }
      accessor_->SetMsFeatureValue(feature, static_cast<int>(*option), true);
    } else {
      // An integer marked not specified still holds its value; it is written
      // unless defaults are wanted.
      std::optional<std::int32_t> number;
      if (const auto* stored = dynamic_cast<const AttributeBytesIntegerValue*>(value)) number = stored->GetValue();
      if (!number || (useDefaults && !windowsFeatures.IsSpecified(static_cast<AttributeBytesFeatureId>(feature)))) {
        if (!useDefaults) continue;
        number = GetDefaultValue(feature);
      }
      accessor_->SetMsFeatureValue(feature, *number, false);
    }
  }

  if (publicPart) {
    AttributeBytesIndexedList media;
    AttributeBytesValueEnum pageSizeId = kValueNone;
    // A page size the dictionary does not know fails the mapping.
    if (settings.GetCollection(kFeatureOutputMedia, media) && media.GetOptionValue(kFeaturePageSize, pageSizeId) &&
        pageSizeId != kValueNone && pageSizeId != static_cast<AttributeBytesValueEnum>(kValuePageSizeCustom)) {
      const PageSize pageSize = MediaHandler::GetPageSize(static_cast<int>(pageSizeId));
      accessor_->SetMsPaperSizeFeaturesCurrentValues(pageSize.GetWindowsFormId(), TenthsOf(pageSize.GetWidth()),
                                                     TenthsOf(pageSize.GetLength()), pageSize.GetWindowsFormName());
    }

    AttributeBytesValueEnum tray = kValueNone;
    int bin = MediaHandler::kBinFormSource;
    if (settings.GetOptionValue(kFeatureInputTray, tray) && tray != kValueNone) {
      bin = MediaHandler::GetMsTrayId(static_cast<int>(tray));
      if (bin == 0) bin = MediaHandler::kBinFormSource;
    }
    accessor_->SetMsFeatureValue(kFeatureMsInputTrayDefaultSource, bin, false);
  }

  if (privatePart && accessor_->FindWorkingRow(kFeatureMsUniEdgeToEdge) != nullptr &&
      settings.IsPresent(kFeatureEdgeToEdge)) {
    AttributeBytesValueEnum edge = kValueNone;
    const bool on = settings.GetOptionValue(kFeatureEdgeToEdge, edge) &&
                    edge == static_cast<AttributeBytesValueEnum>(kValueEdgeToEdgeOn);
    accessor_->SetMsFeatureValue(kFeatureMsUniEdgeToEdge, on ? kValueMsEdgeToEdgeOn : kValueMsEdgeToEdgeOff, true);
  }

  if (publicPart) {
    AttributeBytesValueEnum duplex = kValueNone;
    if (settings.GetOptionValue(kFeatureDuplex, duplex) && duplex != kValueNone)
      accessor_->SetMsFeatureValue(kFeatureMsSidesImaged, static_cast<int>(duplex), true);
  }

  accessor_->CompleteMsFeatureChanges();
}

void MsDevmodeValueMapper::ReadDevmodeToSettings(AttributeBytesIndexedList& settings) {
  AttributeBytesIndexedList windowsFeatures;
  settings.GetCollection(kFeatureMsFeatures, windowsFeatures);
  for (const MsWorkingRow& row : accessor_->GetWorkingCatalogue()) {
    if (!row.row->inModel) continue;
    const int feature = row.row->feature;
    const auto id = static_cast<AttributeBytesFeatureId>(feature);
    if (!row.table.empty())
      windowsFeatures.SetOptionValue(id,
                                     static_cast<AttributeBytesValueEnum>(accessor_->GetMsFeatureValue(feature, true)));
    else
      windowsFeatures.SetIntegerValue(id, accessor_->GetMsFeatureValue(feature, false));
  }
  settings.SetCollection(kFeatureMsFeatures, windowsFeatures);

  ReadPaper(settings);

  // The default source as the input tray, when it names one.
  const int tray =
      MediaHandler::GetTrayValueFromMsBin(accessor_->GetMsFeatureValue(kFeatureMsInputTrayDefaultSource, false));
  if (tray != 0) settings.SetOptionValue(kFeatureInputTray, static_cast<AttributeBytesValueEnum>(tray));

  // Duplex as the document's duplex.
  settings.SetOptionValue(
      kFeatureDuplex, static_cast<AttributeBytesValueEnum>(accessor_->GetMsFeatureValue(kFeatureMsSidesImaged, true)));
}

void MsDevmodeValueMapper::ReadPaper(AttributeBytesIndexedList& settings) {
  const DEVMODEW* devmode = accessor_->GetDevmode();
  const DWORD fields = devmode->dmFields;
  const int paper = accessor_->GetMsFeatureValue(kFeatureMsPaperSize, false);
  const int width = accessor_->GetMsFeatureValue(kFeatureMsPaperWidth, false);
  const int length = accessor_->GetMsFeatureValue(kFeatureMsPaperLength, false);
  const CXString formName = accessor_->GetFormName();

  std::vector<PageSize> candidates;
  bool scoreFormName = false;
  if ((fields & DM_PAPERSIZE) != 0 && paper >= 1 && paper <= kStandardFormLast) {
    candidates = MediaHandler::GetPageSizes(paper);
  } else if ((fields & (DM_PAPERWIDTH | DM_PAPERLENGTH)) == (DM_PAPERWIDTH | DM_PAPERLENGTH)) {
    candidates = MediaHandler::GetPageSizes(Dimension(width, Dimension::kTenthMillimetre),
                                            Dimension(length, Dimension::kTenthMillimetre));
  } else if ((fields & DM_FORMNAME) != 0) {
    candidates = MediaHandler::GetPageSizes(formName);
    scoreFormName = true;
  } else if ((fields & DM_PAPERSIZE) != 0) {
    candidates = MediaHandler::GetPageSizes(paper);
  } else {
    candidates = MediaHandler::GetPageSizes(formName);
  }
  if (candidates.empty()) return;

  // The last candidate that scores wins; when none scores, the first.
  const PageSize* chosen = &candidates.front();
  for (const PageSize& candidate : candidates) {
    int score = 0;
    if (candidate.GetWindowsFormId() == paper) ++score;
    if (TenthsOf(candidate.GetWidth()) == width && TenthsOf(candidate.GetLength()) == length) ++score;
    if (scoreFormName && candidate.GetWindowsFormName().CompareNoCase(formName.c_str()) == 0) ++score;
    if (score > 0) chosen = &candidate;
  }

  AttributeBytesIndexedList media;
  settings.GetCollection(kFeatureOutputMedia, media);
  media.SetDimensionValue(kFeaturePageWidth, Dimension(width, Dimension::kTenthMillimetre));
  media.SetDimensionValue(kFeaturePageLength, Dimension(length, Dimension::kTenthMillimetre));
  AttributeBytesValueEnum current = kValueNone;
  if (media.GetOptionValue(kFeaturePageSize, current) &&
      current == static_cast<AttributeBytesValueEnum>(kValuePageSizeCustom))
    media.SetIsSpecified(kFeaturePaperSizeValues, false);
  else
    media.SetOptionValue(kFeaturePageSize, static_cast<AttributeBytesValueEnum>(chosen->GetValueId()));
  settings.SetCollection(kFeatureOutputMedia, media);
}
