#include "families/plain/IdentificationFamily.h"

#include "injection/FeatureBlock.h"
#include "injection/PageSizeRule.h"
#include "msdevmode/MsFeatureManager.h"
#include "zqutil/DriverLoadedContext.h"
#include "zqutil/OperatingSystem.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/TextResourceLoader.h"

namespace renpsoem {

namespace {
// The years the program's copyright line names.
constexpr const char16_t* kCopyrightYears = u"2024-2026";

constexpr const char16_t* kStandardPageSize =
    u"(<<) cvx exec /PageSize [%s %s] /ImagingBBox null (>>) cvx exec setpagedevice";
constexpr const char16_t* kCustomPageSize =
    u"%s %s \n    2 dict begin\n               2 array astore\n               /PageSize exch def\n"
    u"               /ImagingBBox null def\n               currentdict\n       end\n       setpagedevice\n";
constexpr const char16_t* kCopiesCode =
    u"%% See Job Ticket for real copy count.  Force to 1 here:\n"
    u"/languagelevel where {pop languagelevel}{1} ifelse\n"
    u"2 ge { <</NumCopies 1>> setpagedevice }{ userdict /#copies 1 put } ifelse";
}  // namespace

void AppendDriverIdentification(HANDLE hPrinter, InjectionList& list) {
  AppendDriverIdentification(hPrinter, list, PSINJECT_PSADOBE);
}

void AppendDriverIdentification(HANDLE hPrinter, InjectionList& list, std::uint32_t injectionPoint) {
  CXString text;
  text.Format(u"%%%%DriverName: %s\n%%%%DriverLanguage: %s\n", PrintDriver::GetDriverName(hPrinter).c_str(),
              PrintDriver::GetDriverLanguageString(hPrinter).c_str());
  AppendInjectionEntry(list, text, injectionPoint, true);

  CXString copyright;
  copyright.Format(TextResourceLoader::LoadStringW(TextResourceLoader::kCopyright).c_str(), kCopyrightYears);
  text.Format(u"%%%%DriverBuildVer: %s\n%%%%%s\n%%%%%s\n", PrintDriver::GetDisplayableDriverVersion(hPrinter).c_str(),
              copyright.c_str(), TextResourceLoader::LoadStringW(TextResourceLoader::kRights).c_str());
  AppendInjectionEntry(list, text, injectionPoint, true);

  text.Format(u"%%%%RenOSVer: %s\n%%%%DataType: %s\n", OperatingSystem::GetDisplayableOsVersion().c_str(),
              DriverLoadedContext::IsSpoolerContext() ? u"EMF" : u"RAW");
  AppendInjectionEntry(list, text, injectionPoint, true);
}

CXString BuildIdentificationPageSizeBlock(MsFeatureManager& features) {
  const PageSizeInPoints size = PageSizeFromWindowsFeatures(features);
  CXString code;
  code.Format(size.standard ? kStandardPageSize : kCustomPageSize, size.width.c_str(), size.length.c_str());
  return size.standard ? BuildFeatureBlock(u"PageSize", u"Paper", code)
                       : BuildFeatureBlock(u"CustomPageSize", u"Custom", code);
}

bool EmitIdentificationFamilySettings(CXString& /*workspace*/, HANDLE hPrinter, XOemPdev& /*pdev*/,
                                      AttributeBytesReader& /*settings*/, MsFeatureManager& features,
                                      InjectionList& list) {
  AppendDriverIdentification(hPrinter, list);
  const CXString pageSize = BuildIdentificationPageSizeBlock(features);
  AppendInjectionEntry(list, pageSize, PSINJECT_BEGINSETUP, true);
  AppendInjectionEntry(list, pageSize, PSINJECT_BEGINPAGESETUP, true);
  AppendInjectionEntry(list, BuildFeatureBlock(u"TmrCopies", u"One", kCopiesCode), PSINJECT_BEGINSETUP, true);
  return true;
}

}  // namespace renpsoem
