#include "families/procset/ProcSetFamily.h"

#include "zqcore/DataModelIds.h"

#include "ModuleResources.h"
#include "families/plain/IdentificationFamily.h"
#include "families/procset/ProcSetPageDevice.h"
#include "injection/FeatureBlock.h"
#include "msdevmode/MsFeatureManager.h"
#include "pdev/XOemPdev.h"
#include "zqcore/FeatureId.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/PrintJob.h"
#include "zqutil/ProductData.h"
#include "zqutil/ResourceLoader.h"

namespace renpsoem {

using namespace DataModelIds;

namespace {

constexpr DWORD kProductModelType = 3;
constexpr DWORD kProductPdlType = 3;
// The product's own job patch, when it brings one, replaces ours.
constexpr const char16_t* kJobPatchCommand = u"korvid-jobpatch-cmd";

constexpr const char16_t* kWordPrefix = u"Microsoft Word - ";

constexpr const char16_t* kTicketHeader = u"%!PS\n%%TMRbegin\n";
constexpr const char16_t* kTicketEnd = u"%%TMRend\n";

constexpr const char16_t* kAccountingLog =
    u"mark {\n/RRCustomProcs /ProcSet findresource (logjobinfo) known {\n"
    u"(%s) /RRCustomProcs /ProcSet findresource begin logusername end\n"
    u"(%s) /RRCustomProcs /ProcSet findresource begin logfilename end\n"
    u"(%s) /RRCustomProcs /ProcSet findresource begin logjobname end\n"
    u"/RRCustomProcs /ProcSet findresource begin logjobinfo end\n}if\n} stopped cleartomark\n";
constexpr const char16_t* kClientJobId =
    u"mark {/RRCustomProcs /ProcSet findresource begin\n/logjobinfo where\n{pop\n"
    u"/logclientjobid where {pop (%s) logclientjobid} if\nlogjobinfo\n}if\nend\n } stopped cleartomark\n";
constexpr const char16_t* kJobName = u"userdict /tamor$jobname <%s> put\n";
constexpr const char16_t* kPinCode =
    u"   mark {\n       %s /RRCustomProcs /ProcSet findresource /validatecoloraccess get exec\n"
    u"   } stopped cleartomark\n";

// Pieces of the job type templates.
constexpr const char16_t* kDeferredMedia = u"tamor$pagedevice /DeferredMediaSelection true put\n";
constexpr const char16_t* kImmediateMedia = u"tamor$pagedevice /DeferredMediaSelection false put\n";
constexpr const char16_t* kPasswordLine = u"userdict /tamor$jobpassword <%s> put\n";
constexpr const char16_t* kNameCheck =
    u"userdict /tamor$validate_jobname {\n"
    u"  { tamor$jobname length 0 eq {exit} if\n"
    u"    tamor$jobname 0 get 32 eq\n"
    u"    { userdict /tamor$jobname tamor$jobname 1 tamor$jobname length 1 sub getinterval put }\n"
    u"    { exit } ifelse\n"
    u"  } loop\n"
    u"  tamor$jobname length 0 eq { userdict /tamor$jobname (unnamed) put } if\n"
    u"} put\n";
constexpr const char16_t* kPlainName = u"  tamor$jobname\n";
// The name behind four password characters, right-aligned over "0000".
constexpr const char16_t* kPasswordPrefixedName =
    u"  tamor$jobname length 4 add string\n"
    u"  dup 0 (0000) putinterval\n"
    u"  dup tamor$jobpassword dup length 4 sub neg exch putinterval\n"
    u"  dup 4 tamor$jobname putinterval\n";
constexpr const char16_t* kPrintWithFlag = u"  userdict /tamor$printWithJobType true put\n";
// A job the printer refuses must not print: the rest of it is read and dropped.
constexpr const char16_t* kFlushHandler =
    u"} stopped {\n/tamor$buffer 4096 string def\n"
    u"{currentfile tamor$buffer readstring exch pop not {exit} if} loop\n} if";

enum class NameOperand { kPlain, kPasswordPrefixed };
enum class Handling { kFlush, kIgnore };

CXString JobTypeCall(NameOperand operand, int number, bool printWith) {
  CXString call = u"tamor$set_job_type {\n  tamor$validate_jobname\n";
  call += operand == NameOperand::kPlain ? kPlainName : kPasswordPrefixedName;
  call += CXString::Formatted(u"  %d /RRCustomProcs /ProcSet findresource /setjobtype get exec\n", number);
  if (printWith) call += kPrintWithFlag;
  call += u"  userdict /tamor$set_job_type false put\n} if\n";
  return call;
}

CXString Protected(const CXString& part, Handling handling) {
  if (handling == Handling::kFlush) return CXString(u"{\n") + part + kFlushHandler;
  return CXString(u"mark {\n") + part + u"} stopped cleartomark";
}

CXString SecureTemplate(int number, const CXString& passwordHex) {
  const CXString part =
      FormatTexts(kPasswordLine, passwordHex) + kNameCheck + JobTypeCall(NameOperand::kPasswordPrefixed, number, false);
  return CXString(kDeferredMedia) + Protected(part, Handling::kFlush);
}

CXString PlainTemplate(int number, Handling handling) {
  return CXString(kDeferredMedia) + Protected(JobTypeCall(NameOperand::kPlain, number, false), handling);
}

CXString ProofTemplate() {
  return CXString(kImmediateMedia) + kNameCheck +
         Protected(JobTypeCall(NameOperand::kPlain, 1, false), Handling::kIgnore);
}

CXString PrintWithTemplate() {
  return CXString(u" ") + kDeferredMedia +
         Protected(JobTypeCall(NameOperand::kPasswordPrefixed, 12, true), Handling::kFlush);
}

CXString HexOfUnits(const CXString& text, std::size_t maxDigits) {
  CXString hex;
  for (char16_t unit : text.str()) {
    CXString digits = CXString::Formatted(unit < 16 ? u"0%x" : u"%x", static_cast<unsigned>(unit));
    hex += digits.Left(maxDigits);
  }
  return hex;
}

// Entry 0 of a list-valued feature, or the first attribute of a collection.
bool FirstCollectionEntry(const AttributeBytesIndexedList& list, std::uint32_t feature,
                          AttributeBytesIndexedList& entry) {
  if (list.GetCollectionByIndex(feature, 0, entry)) return true;
  return list.GetCollection(feature, entry);
}

// The name of a stored (saved or proof) job, when the settings carry one.
CXString StoredJobName(AttributeBytesIndexedList& settings) {
  AttributeBytesIndexedList storedJob;
  AttributeBytesIndexedList entry;
  CXString name;
  if (settings.GetCollection(kFeatureStoredJob, storedJob) &&
      FirstCollectionEntry(storedJob, kFeatureStoredJobEntries, entry))
    entry.GetStringValue(kFeatureStoredJobName, name);
  return name;
}

// The ids of the jobs a print-with job prints with. False when the feature
// holds no entry at all.
bool PrintWithJobs(const AttributeBytesIndexedList& settings, std::vector<CXString>& jobs) {
  const AttributeBytes* attribute = settings.Find(kFeaturePrintWithJobs);
  if (attribute == nullptr || !attribute->IsSpecified()) return false;
  auto add = [&jobs](const AttributeBytesValue* value) {
    if (value == nullptr) return;
    if (value->GetKind() == AttributeBytesKind::NewValueId)
      jobs.push_back(static_cast<const AttributeBytesNewValueId*>(value)->GetNewValueId());
    else if (value->GetKind() == AttributeBytesKind::OptionValue)
      jobs.push_back(ValueId(static_cast<const AttributeBytesOptionValue*>(value)->GetValue()).GetValueName());
  };
  const AttributeBytesValue* value = attribute->GetAttributeBytesValue();
  if (value == nullptr) return false;
  std::size_t entries = 0;
  if (value->GetKind() == AttributeBytesKind::List) {
    const auto* items = static_cast<const AttributeBytesListValue*>(value);
    entries = items->GetCount();
    for (std::size_t i = 0; i < entries; ++i) add(items->GetItem(i));
  } else if (value->GetKind() == AttributeBytesKind::Collection) {
    const AttributeBytesIndexedList& collection =
        static_cast<const AttributeBytesCollectionValue*>(value)->GetCollection();
    entries = collection.GetCount();
    for (auto it = collection.GetIterator(); collection.IsValid(it);)
      add(collection.GetNextAttributeBytes(it).GetAttributeBytesValue());
  }
  return entries > 0;
}

// The document name as the start of the document stored it, terminator
// included: the title is what stands before that last unit.
CXString StoredDocumentName(const XOemPdev& pdev) {
  ByteBuffer stored;
  if (!pdev.GetBuffer(kPdevDocumentName, stored)) return CXString();
  std::u16string units;
  for (std::size_t i = 0; i + 1 < stored.size(); i += 2)
    units.push_back(static_cast<char16_t>(stored.getLpbyte()[i] | (stored.getLpbyte()[i + 1] << 8)));
  // An empty name is no name: the title then comes from the settings.
  if (!units.empty() && units.front() == 0) units.clear();
  return CXString(std::move(units));
}

void AppendJobPatch(HANDLE hPrinter, InjectionList& list) {
  InjectionEntry entry;
  entry.injectionIndex = PSINJECT_BEGINDEFAULTS;
  entry.once = true;
  const ProductData product(hPrinter, CXString(), kProductModelType);
  CXString command;
  if (product.GetPDLCommand(kProductPdlType, kJobPatchCommand, CXString(), command)) {
    const std::string bytes = command.GetAsMultiByte();
    entry.data.setWithLpbyte(bytes.data(), bytes.size() - 1);
  } else {
    // Kept even when our resource cannot be read: the entry still marks where it goes.
    ResourceLoader::LoadCustomResource(kProcsetResourceType, kJobPatchResource, entry.data);
  }
  list.push_back(std::move(entry));
}

}  // namespace

CXString ProcSetDocumentTitle(const CXString& documentName, const CXString& fallback) {
  CXString title = documentName.IsEmpty() ? fallback : documentName.Left(documentName.GetLength() - 1);
  // Nothing after an embedded terminator belongs to the name.
  const std::size_t end = title.Find(u'\0');
  if (end != CXString::npos) title = title.Left(end);
  const std::size_t word = title.Find(kWordPrefix);
  if (word != CXString::npos) title.Delete(word, std::char_traits<char16_t>::length(kWordPrefix));
  title.Replace(u"\\", u"\\\\");
  title.Replace(u"(", u"\\(");
  title.Replace(u")", u"\\)");
  return title;
}

CXString HexOfJobName(const CXString& name) {
  return HexOfUnits(name, CXString::npos);
}

CXString HexOfPassword(const CXString& password) {
  return HexOfUnits(password, 3);
}

bool FourDigitPin(const CXString& text, CXString& pin) {
  if (!text.IsContainNumericCharsOnly()) return false;
  pin = text.GetLength() >= 4 ? text.Left(4) : CXString(std::u16string(4 - text.GetLength(), u'0')) + text;
  return true;
}

CXString BuildJobTypeBlock(const JobTypeRequest& request) {
  const char16_t* option = nullptr;
  CXString code;
  switch (request.jobType) {
    case kValueOutputModeNormal:
      option = u"normal-print";
      code = u"userdict /tamor$normal_job_type true put";
      break;
    case kValueOutputModeSecure:
      option = u"secure-print";
      code = SecureTemplate(3, request.passwordHex);
      break;
    case kValueOutputModePersonal:
      option = u"personal-print";
      code = PlainTemplate(6, Handling::kFlush);
      break;
    case kValueOutputModeSaved:
      if (request.savedKindPresent && request.savedKind == kValueSavedJob) {
        option = u"saved-print";
        code = PlainTemplate(2, Handling::kIgnore);
      } else if (request.savedKindPresent && request.savedKind == kValueSavedJobWithPassword) {
        option = u"personal-saved-print";
        code = SecureTemplate(11, request.passwordHex);
      }
      break;
    case kValueOutputModeProof:
      option = u"proof-print";
      code = ProofTemplate();
      break;
    case kValueOutputModePrintWith: {
      if (!request.printWithPresent) return CXString();
      CXString jobs = u"userdict /tamor$jobs [";
      for (const CXString& job : request.printWith) {
        jobs += u' ';
        jobs += job;
      }
      jobs += u"] put\n";
      return BuildFeatureBlock(u"TMRJobType PrintWith", CXString(), jobs + PrintWithTemplate());
    }
    default:
      break;
  }
  if (option == nullptr) return CXString();
  return BuildFeatureBlock(u"JobType", option, code);
}

void EmitProcSetFamilySettings(HANDLE hPrinter, XOemPdev& pdev, AttributeBytesReader& settings,
                               MsFeatureManager& features, InjectionList& list) {
  AttributeBytesIndexedList& all = settings.GetAttributeBytesList();
  DWORD jobType = 0;
  const bool hasJobType = settings.GetOptionValueFromAttributeBytes(kFeatureOutputMode, jobType);
  const bool ticketOnly = hasJobType && jobType == kValueOutputModeFax;

  if (ticketOnly) AppendInjectionEntry(list, kTicketHeader, PSINJECT_BEGINSTREAM, true);

  const CXString user = ResolveJobOwner(hPrinter, pdev, settings);
  const CXString documentName = StoredDocumentName(pdev);
  CXString featureTitle;
  settings.GetStringValueFromAttributeBytes(kFeatureJobName, featureTitle);
  const CXString title = ProcSetDocumentTitle(documentName, featureTitle);

  AppendInjectionEntry(list, FormatTexts(kAccountingLog, user, title, title), PSINJECT_COMMENTS, true);

  DWORD jobId = 0;
  if (pdev.GetLong(kPdevJobId, jobId) && jobId != 0) {
    const CXString key = PrintJob::GetKorvidPrintJobIDkey(hPrinter, jobId, user);
    if (!key.IsEmpty()) AppendInjectionEntry(list, FormatTexts(kClientJobId, key), PSINJECT_ENDPROLOG, true);
  }

  AppendJobPatch(hPrinter, list);

  CXString jobName = title;
  if (hasJobType && (jobType == kValueOutputModeProof || jobType == kValueOutputModeSaved)) {
    const CXString stored = StoredJobName(all);
    if (!stored.IsEmpty()) jobName = stored;
  }
  AppendInjectionEntry(list, FormatTexts(kJobName, HexOfJobName(jobName)), PSINJECT_BEGINSETUP, true);

  AppendProcSetDuplex(features, list);

  CXString pinText;
  CXString pin;
  if (settings.GetStringValueFromAttributeBytes(kFeatureColorAccessPin, pinText) && FourDigitPin(pinText, pin))
    AppendInjectionEntry(list, BuildFeatureBlock(u"JobType", u"color-access-pin", FormatTexts(kPinCode, pin)),
                         PSINJECT_BEGINSETUP, true);

  AppendProcSetPrintQuality(hPrinter, settings, list);

  JobTypeRequest request;
  request.jobType = hasJobType ? jobType : 0;
  DWORD savedKind = 0;
  request.savedKindPresent = settings.GetOptionValueFromAttributeBytes(kFeatureSavedJobKind, savedKind);
  request.savedKind = savedKind;
  const bool wantsPassword =
      request.jobType == kValueOutputModeSecure ||
      (request.savedKindPresent && request.jobType == kValueOutputModeSaved && savedKind == kValueSavedJobWithPassword);
  CXString password;
  if (wantsPassword && settings.GetStringValueFromAttributeBytes(kFeatureJobPassword, password))
    request.passwordHex = HexOfPassword(password);
  if (request.jobType == kValueOutputModePrintWith) request.printWithPresent = PrintWithJobs(all, request.printWith);
  AppendInjectionEntry(list, BuildJobTypeBlock(request), PSINJECT_BEGINSETUP, true);

  AppendProcSetPageDevice(settings, features, list);

  if (ticketOnly) AppendInjectionEntry(list, kTicketEnd, PSINJECT_PSADOBE, true);

  AppendDriverIdentification(hPrinter, list, PSINJECT_COMMENTS);
}

}  // namespace renpsoem
