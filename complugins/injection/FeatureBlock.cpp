#include "injection/FeatureBlock.h"

#include "zqcore/DataModelIds.h"

#include "msdevmode/MsFeatureManager.h"
#include "pdev/XOemPdev.h"
#include "zqcore/FeatureId.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/PrintJob.h"
#include "zqutil/ProductData.h"
#include "zqutil/TamorException.h"

namespace renpsoem {

namespace {
constexpr DWORD kProductModelType = 3;
constexpr DWORD kProductPdlType = 3;
}  // namespace

const FeatureCommandEntry* FindFeatureCommand(std::span<const FeatureCommandEntry> table, std::uint32_t optionValue) {
  for (const FeatureCommandEntry& row : table)
    if (row.optionValue == optionValue) return &row;
  return nullptr;
}

CXString BuildFeatureBlock(const CXString& keyword, const CXString& option, const CXString& code) {
  return FormatTexts(u"\nfeaturebegin{\n%%%%BeginFeature: *%s %s\n\t%s\n%%%% End Feature\n}featurecleanup\n", keyword,
                     option, code);
}

CXString BuildNonPpdFeatureBlock(const CXString& keyword, const CXString& option, const CXString& code) {
  CXString text;
  text.Format(u"\nfeaturebegin{\n%%%%BeginNonPPDFeature: *%s %s\n%s %s\n%%%%EndNonPPDFeature\n}featurecleanup\n",
              keyword.c_str(), option.c_str(), option.c_str(), code.c_str());
  return text;
}

bool MakeInjectionEntry(InjectionEntry& entry, const CXString& text, std::uint32_t injectionIndex, bool once) {
  if (text.IsEmpty()) return false;
  const std::string bytes = text.GetAsMultiByte();
  if (bytes.size() <= 1) return false;
  entry.data.setWithLpbyte(bytes.data(), bytes.size() - 1);
  entry.injectionIndex = injectionIndex;
  entry.once = once;
  entry.lastPage = 0;
  return true;
}

void AppendInjectionEntry(InjectionList& list, const CXString& text, std::uint32_t injectionIndex, bool once) {
  InjectionEntry entry;
  if (MakeInjectionEntry(entry, text, injectionIndex, once)) list.push_back(std::move(entry));
}

void EmitFeatureFromTable(HANDLE hPrinter, bool useProductCommands, int mode, AttributeBytesReader& settings,
                          std::uint32_t feature, const FeatureCommandEntry* table, std::size_t rowCount,
                          InjectionList& list, std::uint32_t injectionPoint) {
  // Without a value the feature reads as "no value", which a product may
  // still give a command of its own.
  DWORD value = DataModelIds::kValueNone;
  const bool hasValue = settings.GetOptionValueFromAttributeBytes(feature, value);
  const FeatureCommandEntry* row = nullptr;
  for (std::size_t i = 0; hasValue && table != nullptr && i < rowCount && row == nullptr; ++i)
    if (table[i].optionValue == value) row = &table[i];

  if (useProductCommands) {
    ProductData product(hPrinter, CXString(), kProductModelType);
    const CXString featureName = FeatureId(feature).GetName();
    const CXString optionName = ValueId(value).GetValueName();
    CXString featureCommand;
    CXString optionCommand;
    const bool foundFeature = product.GetPDLCommand(kProductPdlType, featureName, CXString(), featureCommand);
    const bool foundOption = product.GetPDLCommand(kProductPdlType, featureName, optionName, optionCommand);
    if (foundFeature) AppendInjectionEntry(list, featureCommand, injectionPoint, true);
    if (foundOption) AppendInjectionEntry(list, optionCommand, injectionPoint, true);
    if (foundFeature || foundOption) return;
  }
  if (row == nullptr) return;
  CXString text;
  if (mode == 0)
    text = BuildFeatureBlock(row->keyword, row->optionName, row->code);
  else if (mode == 1)
    text = CXString(row->code);
  // Table codes are written as printer description files quote them.
  text.Remove(u'"');
  text.Replace(u"\\n", u"\n");
  AppendInjectionEntry(list, text, injectionPoint, true);
}

CXString ResolveJobOwner(HANDLE hPrinter, const XOemPdev& pdev, AttributeBytesReader& settings) {
  CXString owner;
  if (settings.GetStringValueFromAttributeBytes(DataModelIds::kFeatureJobOwner, owner) && !owner.IsEmpty())
    return owner;
  DWORD jobId = 0;
  if (!pdev.GetLong(kPdevJobId, jobId)) return CXString();
  try {
    PrintJob job;
    job.GetJobInfo(hPrinter, jobId, 1);
    const JOB_INFO_1W* info = job.GetJobInfoPtr();
    if (info == nullptr || info->pUserName == nullptr) return CXString();
    return CXString(reinterpret_cast<const char16_t*>(info->pUserName));
  } catch (const ExceptionPrintJobFailure&) {
    return CXString();
  }
}

std::uint32_t GetEffectiveOrientation(HANDLE /*hPrinter*/, AttributeBytesReader& settings, MsFeatureManager& features) {
  const std::uint32_t orientation = features.GetMsFeatureValue(DataModelIds::kFeatureMsOrientation, true);
  DWORD nup = 0;
  bool booklet = false;
  const bool nupTurns =
      settings.GetOptionValueFromAttributeBytes(DataModelIds::kFeatureNup, nup) && (nup == 6241 || nup == 6243);
  const bool bookletTurns =
      settings.GetBooleanValueFromAttributeBytes(DataModelIds::kFeatureBooklet, booklet) && booklet;
  if (!nupTurns && !bookletTurns) return orientation;
  return orientation == DataModelIds::kValueMsOrientationPortrait ? DataModelIds::kValueMsOrientationLandscape
                                                                  : DataModelIds::kValueMsOrientationPortrait;
}

}  // namespace renpsoem
