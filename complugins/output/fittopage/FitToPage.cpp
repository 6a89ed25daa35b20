#include "output/fittopage/FitToPage.h"

#include <array>
#include <string>
#include <string_view>

#include "com/ModuleState.h"
#include "devmode/XDevmode.h"
#include "injection/FeatureBlock.h"
#include "msdevmode/MsFeatureManager.h"
#include "output/ProcsetResource.h"
#include "pdev/XOemPdev.h"
#include "zqcore/DataModelIds.h"
#include "zqutil/Dimension.h"
#include "zqutil/Number.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/TamorException.h"

namespace renpsoem {

namespace {

constexpr const char* kSource = "complugins/output/fittopage";

constexpr AttributeBytesFeatureId kFeatureOutputPaper = 210;  // collection
constexpr AttributeBytesFeatureId kFeatureOutputPaperSize = DataModelIds::kFeaturePageSize;
constexpr AttributeBytesFeatureId kFeatureOutputPaperDimensions = DataModelIds::kFeaturePaperSizeValues;
constexpr AttributeBytesFeatureId kFeatureScalingMode = 219;
constexpr AttributeBytesFeatureId kFeatureScalePercent = 160;
constexpr AttributeBytesFeatureId kFeatureAnchor = 161;

constexpr DWORD kScalingNone = 6261;    // 100 %
constexpr DWORD kScalingCustom = 6262;  // the percentage of feature 160
constexpr DWORD kAnchorFirst = 6460;

constexpr DWORD kPdlPostScript = 0x400;

constexpr std::size_t kInitBufferSize = 256;
constexpr const char16_t* kInitFormat =
    u"%%%%TMRFitToPageInit\r\n/TmrKvFtpInit where {pop %d %d %d %d %d %d %s %s %s %d %d TmrKvFtpInit} if\r\n";

// Anchor points of the procedure set, counted row by row from the top left
// of the sheet, for options 6460 to 6468. A landscape page lies turned on the
// sheet, so its top left is the sheet's bottom left.
struct AnchorRow {
  int portrait;
  int landscape;
};
constexpr std::array<AnchorRow, 9> kAnchors = {{
    {1, 7},  // 6460
    {4, 8},  // 6461
    {7, 9},  // 6462
    {3, 1},  // 6463
    {6, 2},  // 6464
    {9, 3},  // 6465
    {2, 4},  // 6466
    {5, 5},  // 6467
    {8, 6},  // 6468
}};

int AnchorPoint(bool hasOption, DWORD option, bool portrait) {
  const AnchorRow& row = hasOption && option >= kAnchorFirst && option - kAnchorFirst < kAnchors.size()
                             ? kAnchors[option - kAnchorFirst]
                             : kAnchors[0];
  return portrait ? row.portrait : row.landscape;
}

int Points(const Dimension& length) {
  return Number::GetIntValue(length.GetValue(Dimension::kPoint), 0.499999);
}

void Write(IPrintOemDriverPS* driver, PDEVOBJ pdevobj, std::string_view bytes) {
  if (driver == nullptr || bytes.empty()) return;
  DWORD written = 0;
  driver->DrvWriteSpoolBuf(pdevobj, const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written);
}

bool FitToPageWritten(XOemPdev& pdev) {
  DWORD written = 0;
  return pdev.GetLong(kPdevFitToPageWritten, written) && written == 1;
}

}  // namespace

bool FitToPageActive(HANDLE hPrinter, XDevmode& settings, XOemPdev* pdev) {
  bool namedPaper = false;
  AttributeBytesIndexedList outputPaper;
  if (settings.GetAttributeBytesList().GetCollection(kFeatureOutputPaper, outputPaper)) {
    AttributeBytesValueEnum paper{};
    CXString paperName;
    outputPaper.GetOptionValueOrNewId(kFeatureOutputPaperSize, paper, paperName, namedPaper);
  }
  DWORD mode = 0;
  settings.GetOptionValueFromAttributeBytes(kFeatureScalingMode, mode);
  LONG percent = 0;
  settings.GetIntegerValueFromAttributeBytes(kFeatureScalePercent, percent);
  if (!namedPaper && (mode != kScalingCustom || percent == 100)) return false;

  DWORD bookletMode = 0;
  if (pdev != nullptr) pdev->GetLong(kPdevBookletMode, bookletMode);
  return (PrintDriver::GetPDLTypeFromHandle(hPrinter) & kPdlPostScript) != 0 && bookletMode == 0;
}

void EmitFitToPageProcset(IPrintOemDriverPS* driver, PDEVOBJ pdevobj, XOemPdev* pdev) {
  if (pdevobj == nullptr || pdev == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__, "EmitFitToPageProcset");
  DWORD noProcset = 0;
  if (pdev->GetLong(kPdevNoCapture, noProcset) && noProcset != 0) return;
  std::unique_ptr<XDevmode> settings = XDevmode::XDevmodeWithCachingInPdev(pdevobj, pdev);
  if (!FitToPageActive(pdevobj->hPrinter, *settings, pdev)) return;
  std::string_view procset;
  if (TryLoadProcsetText(module_state::GetModuleHandle(), kFitToPageProcsetResource, procset))
    Write(driver, pdevobj, procset);
  pdev->SetLong(kPdevFitToPageWritten, 1);
}

void EmitFitToPageInit(IPrintOemDriverPS* driver, PDEVOBJ pdevobj, XOemPdev* pdev, MsFeatureManager* windowsFeatures) {
  if (pdevobj == nullptr || pdev == nullptr || windowsFeatures == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, __LINE__, "EmitFitToPageInit");
  if (!FitToPageWritten(*pdev)) return;
  std::unique_ptr<XDevmode> settings = XDevmode::XDevmodeWithCachingInPdev(pdevobj, pdev);
  DWORD mode = 0;
  settings->GetOptionValueFromAttributeBytes(kFeatureScalingMode, mode);

  // -1 leaves the application's page size as the sheet.
  int sheetWidth = -1;
  int sheetLength = -1;
  AttributeBytesIndexedList outputPaper;
  Dimension width;
  Dimension length;
  if (settings->GetAttributeBytesList().GetCollection(kFeatureOutputPaper, outputPaper) &&
      outputPaper.GetPaperSizeValues(kFeatureOutputPaperDimensions, width, length)) {
    sheetWidth = Points(width);
    sheetLength = Points(length);
  }

  const bool portrait = renpsoem::GetEffectiveOrientation(pdevobj->hPrinter, *settings, *windowsFeatures) ==
                        static_cast<std::uint32_t>(DataModelIds::kValueMsOrientationPortrait);

  // -1 fits the page to the sheet.
  int scale = -1;
  if (mode == kScalingCustom) {
    LONG percent = 0;
    if (settings->GetIntegerValueFromAttributeBytes(kFeatureScalePercent, percent)) scale = percent;
  } else if (mode == kScalingNone) {
    scale = 100;
  }

  DWORD anchorOption = 0;
  const bool hasAnchor = settings->GetOptionValueFromAttributeBytes(kFeatureAnchor, anchorOption);
  const int anchor = AnchorPoint(hasAnchor, anchorOption, portrait);

  CXString text;
  text.FormatSized(kInitBufferSize, kInitFormat, sheetWidth, sheetLength, 0, 0, 0, 0, u"false", u"false", u"false",
                   scale, anchor);
  const std::string bytes = text.GetAsMultiByte();
  // GetAsMultiByte keeps the terminating zero; the spool gets the text only.
  Write(driver, pdevobj, std::string_view(bytes).substr(0, text.GetLength()));
}

}  // namespace renpsoem
