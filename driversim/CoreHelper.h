// The PostScript driver's IPrintCoreHelper as the plug-in sees it: GetOption
// and SetOptions over a devmode, for the public fields and the driver's own
// private options (DevmodeLayout.h), with the driver's keywords:
//
//   "%PagePerSheet"     "1" "2" "4" "6" "9" "16" "Booklet"
//   "%PageOrder"        "FrontToBack" "BackToFront"
//   "%Orientation"      "Portrait" "Landscape" "RotatedLandscape"
//   "Duplex"            "None" "DuplexNoTumble" "DuplexTumble"
//   "Resolution"        "<x>x<y>dpi" (dmPrintQuality x dmYResolution)
//   "%MetafileSpooling" "%Mirroring" "%Negative" "%PSErrorHandler"   "True" "False"
//   "%OutputFormat"     "Speed" "Portability" "EPS" "Archive"
//   "%OutputPSLevel"    "1" "2" "3"
//   "%TTDownloadFormat" "Automatic" "Outline" "Bitmap" "NativeTrueType"
//
// Keywords are matched exactly, as the driver does. A null devmode means the
// devmode the helper was made with. An unknown feature keyword, or a stored
// value that has no option, gives E_FAIL; an answer stays valid for the life
// of the helper. SetOptions commits only with bResolveConflicts (otherwise
// nothing is written and no pair counts) and answers E_INVALIDARG when a pair
// names an unknown feature or option. The other methods answer E_NOTIMPL.
//
// A real COM object: created with a reference count of 1, destroyed by its
// last Release, so it lives on the heap.
#pragma once

#include <atomic>
#include <cstddef>
#include <set>
#include <string>
#include <string_view>

#include "platform/oemps.h"

namespace driversim {

class CoreHelper final : public IPrintCoreHelper {
 public:
  // `devmode` (may be null) is the driver's current devmode, `cbSize` its full size.
  explicit CoreHelper(DEVMODEW* devmode = nullptr, DWORD cbSize = 0);
  CoreHelper(const CoreHelper&) = delete;
  CoreHelper& operator=(const CoreHelper&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetOption(const DEVMODEW* pDevmode, DWORD cbSize, PCSTR pszFeatureRequested,
                                      PCSTR* ppszOption) override;
  HRESULT STDMETHODCALLTYPE SetOptions(PDEVMODEW pDevmode, DWORD cbSize, BOOL bResolveConflicts,
                                       const PRINT_FEATURE_OPTION* pFOPairs, DWORD cPairs, PDWORD pcPairsWritten,
                                       PDWORD pdwResult) override;
  HRESULT STDMETHODCALLTYPE EnumConstrainedOptions(const DEVMODEW*, DWORD, PCSTR, PCSTR**, DWORD*) override;
  HRESULT STDMETHODCALLTYPE WhyConstrained(const DEVMODEW*, DWORD, PCSTR, PCSTR, const PRINT_FEATURE_OPTION**,
                                           DWORD*) override;
  HRESULT STDMETHODCALLTYPE EnumFeatures(PCSTR**, DWORD*) override;
  HRESULT STDMETHODCALLTYPE EnumOptions(PCSTR, PCSTR**, DWORD*) override;
  HRESULT STDMETHODCALLTYPE GetFontSubstitution(PCWSTR, PCWSTR*) override;
  HRESULT STDMETHODCALLTYPE SetFontSubstitution(PCWSTR, PCWSTR) override;
  HRESULT STDMETHODCALLTYPE CreateInstanceOfMSXMLObject(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) override;

  void SetCurrentDevmode(DEVMODEW* devmode, DWORD cbSize) {
    devmode_ = devmode;
    size_ = cbSize;
  }
  // A driver without this feature: the keyword is answered with E_FAIL.
  void HideFeature(const std::string& keyword) { hidden_.insert(keyword); }
  // Every later GetOption and SetOptions fails with this result (S_OK restores).
  void SetForcedResult(HRESULT result) { forcedResult_ = result; }

  std::size_t GetOptionCalls() const { return getCalls_; }
  std::size_t SetOptionsCalls() const { return setCalls_; }
  ULONG ReferenceCount() const { return references_.load(); }

 private:
  ~CoreHelper() = default;
  // The devmode a call works on and its private part, or false when the call
  // cannot use it.
  bool Resolve(const DEVMODEW* given, DWORD givenSize, const DEVMODEW*& devmode, DWORD& size) const;
  const char* Keep(std::string_view answer);
  bool WriteOne(DEVMODEW* devmode, DWORD size, const std::string& feature, const std::string& option);

  std::atomic<ULONG> references_{1};
  DEVMODEW* devmode_;
  DWORD size_;
  std::set<std::string, std::less<>> hidden_;
  std::set<std::string, std::less<>> answers_;
  HRESULT forcedResult_ = S_OK;
  std::size_t getCalls_ = 0;
  std::size_t setCalls_ = 0;
};

}  // namespace driversim
