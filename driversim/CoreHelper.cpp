#include "CoreHelper.h"

#include <array>
#include <charconv>
#include <cstring>
#include <optional>

#include "DevmodeLayout.h"

namespace driversim {
namespace {

constexpr std::array<const char*, 7> kPagesPerSheet = {"1", "2", "4", "6", "9", "16", "Booklet"};
constexpr std::array<const char*, 2> kPageOrder = {"FrontToBack", "BackToFront"};
constexpr std::array<const char*, 3> kDuplex = {"None", "DuplexNoTumble", "DuplexTumble"};  // dmDuplex 1..3
constexpr std::array<const char*, 2> kBoolean = {"False", "True"};
constexpr std::array<const char*, 4> kOutputFormat = {"Speed", "Portability", "EPS", "Archive"};
constexpr std::array<const char*, 3> kLanguageLevel = {"1", "2", "3"};  // level 1..3
constexpr std::array<const char*, 4> kTrueTypeDownload = {"Automatic", "Outline", "Bitmap", "NativeTrueType"};

template <std::size_t N>
const char* Name(const std::array<const char*, N>& names, std::int64_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= N) return nullptr;
  return names[static_cast<std::size_t>(index)];
}

template <std::size_t N>
std::optional<std::uint32_t> Index(const std::array<const char*, N>& names, const std::string& option) {
  for (std::size_t i = 0; i < N; ++i)
    if (option == names[i]) return static_cast<std::uint32_t>(i);
  return std::nullopt;
}

// "600x1200dpi" -> {600, 1200}
std::optional<std::pair<short, short>> ParseResolution(const std::string& option) {
  const auto x = option.find('x');
  if (x == std::string::npos || option.size() < x + 4 || option.compare(option.size() - 3, 3, "dpi") != 0)
    return std::nullopt;
  int horizontal = 0;
  int vertical = 0;
  const char* begin = option.data();
  const char* end = option.data() + option.size() - 3;
  auto first = std::from_chars(begin, begin + x, horizontal);
  auto second = std::from_chars(begin + x + 1, end, vertical);
  if (first.ec != std::errc() || first.ptr != begin + x || second.ec != std::errc() || second.ptr != end)
    return std::nullopt;
  if (horizontal <= 0 || vertical <= 0 || horizontal > 0x7FFF || vertical > 0x7FFF) return std::nullopt;
  return std::make_pair(static_cast<short>(horizontal), static_cast<short>(vertical));
}

}  // namespace

CoreHelper::CoreHelper(DEVMODEW* devmode, DWORD cbSize) : devmode_(devmode), size_(cbSize) {}

HRESULT STDMETHODCALLTYPE CoreHelper::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintCoreHelper)) {
    *ppvObject = static_cast<IPrintCoreHelper*>(this);
    AddRef();
    return S_OK;
  }
  *ppvObject = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CoreHelper::AddRef() {
  return ++references_;
}

ULONG STDMETHODCALLTYPE CoreHelper::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

bool CoreHelper::Resolve(const DEVMODEW* given, DWORD givenSize, const DEVMODEW*& devmode, DWORD& size) const {
  devmode = given != nullptr ? given : devmode_;
  size = given != nullptr ? givenSize : size_;
  return DriverPrivatePart(devmode, size) != nullptr;
}

const char* CoreHelper::Keep(std::string_view answer) {
  auto kept = answers_.find(answer);
  if (kept == answers_.end()) kept = answers_.emplace(answer).first;
  return kept->c_str();
}

HRESULT STDMETHODCALLTYPE CoreHelper::GetOption(const DEVMODEW* pDevmode, DWORD cbSize, PCSTR pszFeatureRequested,
                                                PCSTR* ppszOption) {
  ++getCalls_;
  if (ppszOption == nullptr || pszFeatureRequested == nullptr) return E_INVALIDARG;
  *ppszOption = nullptr;
  if (FAILED(forcedResult_)) return forcedResult_;
  const DEVMODEW* dm = nullptr;
  DWORD size = 0;
  if (!Resolve(pDevmode, cbSize, dm, size)) return E_INVALIDARG;
  const std::string_view feature = pszFeatureRequested;
  if (!hidden_.empty() && hidden_.find(feature) != hidden_.end()) return E_FAIL;
  const DriverOptions options = ReadDriverOptions(DriverPrivatePart(dm, size));

  const char* answer = nullptr;
  if (feature == "%PagePerSheet") {
    if (options.booklet)
      answer = kPagesPerSheet[layout::kPagesPerSheetBooklet];
    else if (options.pagesPerSheet < layout::kPagesPerSheetBooklet)
      answer = Name(kPagesPerSheet, options.pagesPerSheet);
  } else if (feature == "%PageOrder") {
    answer = Name(kPageOrder, options.pageOrder);
  } else if (feature == "%Orientation") {
    if (dm->dmOrientation == DMORIENT_PORTRAIT) answer = "Portrait";
    if (dm->dmOrientation == DMORIENT_LANDSCAPE) answer = options.rotatedLandscape ? "RotatedLandscape" : "Landscape";
  } else if (feature == "Duplex") {
    answer = Name(kDuplex, dm->dmDuplex - 1);
  } else if (feature == "Resolution") {
    if (dm->dmPrintQuality > 0) {
      const int vertical = dm->dmYResolution > 0 ? dm->dmYResolution : dm->dmPrintQuality;
      char text[32];
      char* end = std::to_chars(text, text + 8, dm->dmPrintQuality).ptr;
      *end++ = 'x';
      end = std::to_chars(end, end + 8, vertical).ptr;
      std::memcpy(end, "dpi", 3);
      answer = Keep(std::string_view(text, static_cast<std::size_t>(end + 3 - text)));
    }
  } else if (feature == "%MetafileSpooling") {
    answer = Name(kBoolean, options.metafileSpooling);
  } else if (feature == "%OutputFormat") {
    answer = Name(kOutputFormat, options.outputFormat);
  } else if (feature == "%Mirroring") {
    answer = Name(kBoolean, options.mirror);
  } else if (feature == "%Negative") {
    answer = Name(kBoolean, options.negative);
  } else if (feature == "%OutputPSLevel") {
    answer = Name(kLanguageLevel, static_cast<std::int64_t>(options.languageLevel) - 1);
  } else if (feature == "%PSErrorHandler") {
    answer = Name(kBoolean, options.errorHandler);
  } else if (feature == "%TTDownloadFormat") {
    answer = Name(kTrueTypeDownload, options.ttDownload);
  }
  if (answer == nullptr) return E_FAIL;
  *ppszOption = answer;
  return S_OK;
}

bool CoreHelper::WriteOne(DEVMODEW* dm, DWORD size, const std::string& feature, const std::string& option) {
  if (hidden_.count(feature) != 0) return false;
  std::uint8_t* privatePart = DriverPrivatePart(dm, size);
  DriverOptions options = ReadDriverOptions(privatePart);

  auto setFlag = [&](bool& flag) {
    auto index = Index(kBoolean, option);
    if (!index) return false;
    flag = *index == 1;
    return true;
  };
  auto setNumber = [&](std::uint32_t& field, auto& names, std::uint32_t base) {
    auto index = Index(names, option);
    if (!index) return false;
    field = *index + base;
    return true;
  };

  bool known = false;
  if (feature == "%PagePerSheet") {
    auto index = Index(kPagesPerSheet, option);
    if (index) {
      options.booklet = *index == layout::kPagesPerSheetBooklet;
      options.pagesPerSheet = options.booklet ? 0 : *index;
      known = true;
    }
  } else if (feature == "%PageOrder") {
    known = setNumber(options.pageOrder, kPageOrder, 0);
  } else if (feature == "%Orientation") {
    if (option == "Portrait" || option == "Landscape" || option == "RotatedLandscape") {
      dm->dmOrientation = option == "Portrait" ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
      dm->dmFields |= DM_ORIENTATION;
      options.rotatedLandscape = option == "RotatedLandscape";
      known = true;
    }
  } else if (feature == "Duplex") {
    auto index = Index(kDuplex, option);
    if (index) {
      dm->dmDuplex = static_cast<short>(*index + 1);
      dm->dmFields |= DM_DUPLEX;
      known = true;
    }
  } else if (feature == "Resolution") {
    auto resolution = ParseResolution(option);
    if (resolution) {
      dm->dmPrintQuality = resolution->first;
      dm->dmYResolution = resolution->second;
      dm->dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
      known = true;
    }
  } else if (feature == "%MetafileSpooling") {
    known = setFlag(options.metafileSpooling);
  } else if (feature == "%OutputFormat") {
    known = setNumber(options.outputFormat, kOutputFormat, 0);
  } else if (feature == "%Mirroring") {
    known = setFlag(options.mirror);
  } else if (feature == "%Negative") {
    known = setFlag(options.negative);
  } else if (feature == "%OutputPSLevel") {
    known = setNumber(options.languageLevel, kLanguageLevel, 1);
  } else if (feature == "%PSErrorHandler") {
    known = setFlag(options.errorHandler);
  } else if (feature == "%TTDownloadFormat") {
    known = setNumber(options.ttDownload, kTrueTypeDownload, 0);
  }
  if (known) WriteDriverOptions(privatePart, options);
  return known;
}

HRESULT STDMETHODCALLTYPE CoreHelper::SetOptions(PDEVMODEW pDevmode, DWORD cbSize, BOOL bResolveConflicts,
                                                 const PRINT_FEATURE_OPTION* pFOPairs, DWORD cPairs,
                                                 PDWORD pcPairsWritten, PDWORD pdwResult) {
  ++setCalls_;
  if (pcPairsWritten != nullptr) *pcPairsWritten = 0;
  if (pdwResult != nullptr) *pdwResult = SETOPTIONS_RESULT_NO_CONFLICT;
  if (FAILED(forcedResult_)) return forcedResult_;
  if (pFOPairs == nullptr || cPairs == 0) return E_INVALIDARG;
  const DEVMODEW* resolved = nullptr;
  DWORD size = 0;
  if (!Resolve(pDevmode, cbSize, resolved, size)) return E_INVALIDARG;
  // The devmode to change is the caller's, or the helper's own current one.
  DEVMODEW* dm = pDevmode != nullptr ? pDevmode : devmode_;

  bool allKnown = true;
  DWORD written = 0;
  for (DWORD i = 0; i < cPairs; ++i) {
    const PRINT_FEATURE_OPTION& pair = pFOPairs[i];
    if (pair.pszFeature == nullptr || pair.pszOption == nullptr) {
      allKnown = false;
      continue;
    }
    if (!bResolveConflicts) continue;  // not committed
    if (WriteOne(dm, size, pair.pszFeature, pair.pszOption))
      ++written;
    else
      allKnown = false;
  }
  if (pcPairsWritten != nullptr) *pcPairsWritten = written;
  return allKnown ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE CoreHelper::EnumConstrainedOptions(const DEVMODEW*, DWORD, PCSTR, PCSTR**, DWORD*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CoreHelper::WhyConstrained(const DEVMODEW*, DWORD, PCSTR, PCSTR, const PRINT_FEATURE_OPTION**,
                                                     DWORD*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CoreHelper::EnumFeatures(PCSTR**, DWORD*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CoreHelper::EnumOptions(PCSTR, PCSTR**, DWORD*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CoreHelper::GetFontSubstitution(PCWSTR, PCWSTR*) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CoreHelper::SetFontSubstitution(PCWSTR, PCWSTR) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CoreHelper::CreateInstanceOfMSXMLObject(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) {
  return E_NOTIMPL;
}

}  // namespace driversim
