// The published Windows PostScript driver plug-in interfaces, structures and
// constants. No mingw-w64 header carries them, so they are declared here once
// for both platforms from the published interface documentation.
//
// Each interface is a single-inheritance chain of pure virtual methods in the
// published slot order, without a virtual destructor: the object begins with
// its vtable pointer exactly as a C client declaring the vtable expects.
#pragma once

#include "platform/win32.h"

struct DEVOBJ;
using PDEVOBJ = DEVOBJ*;
using PDEVOEM = PVOID;

struct DEVOBJ {
  DWORD dwSize;
  PDEVOEM pdevOEM;
  HANDLE hEngine;
  HANDLE hPrinter;
  HANDLE hOEM;
  PDEVMODEW pPublicDM;
  PVOID pOEMDM;
  PVOID pDrvProcs;
};

struct OEMDMPARAM {
  DWORD cbSize;
  PVOID pdriverobj;
  HANDLE hPrinter;
  HANDLE hModule;
  PDEVMODEW pPublicDMIn;
  PDEVMODEW pPublicDMOut;
  PVOID pOEMDMIn;
  PVOID pOEMDMOut;
  DWORD cbBufSize;
};
using POEMDMPARAM = OEMDMPARAM*;

struct OEM_DMEXTRAHEADER {
  DWORD dwSize;
  DWORD dwSignature;
  DWORD dwVersion;
};
using POEM_DMEXTRAHEADER = OEM_DMEXTRAHEADER*;

struct PUBLISHERINFO {
  DWORD dwMode;
  WORD wMinoutlinePPEM;
  WORD wMaxbitmapPPEM;
};

struct PDEV_ADJUST_PAPER_MARGIN {
  RECTL rcImageableArea;
};
struct PDEV_HOSTFONT_ENABLED {
  BOOL bHostfontEnabled;
};
struct PDEV_USE_TRUE_COLOR {
  BOOL bUseTrueColor;
};

struct PRINT_FEATURE_OPTION {
  PCSTR pszFeature;
  PCSTR pszOption;
};

#define OEMGI_GETSIGNATURE 1
#define OEMGI_GETINTERFACEVERSION 2
#define OEMGI_GETVERSION 3
#define OEMGI_GETPUBLISHERINFO 4
#define OEMGI_GETREQUESTEDHELPERINTERFACES 5
#define OEMPUBLISH_DEFAULT 0
#define OEMPUBLISH_IPRINTCOREHELPER 0x1
#define OEM_MODE_PUBLISHER 0x00000001
#define PRINTER_OEMINTF_VERSION 0x00010000u

#define OEMDM_SIZE 1
#define OEMDM_DEFAULT 2
#define OEMDM_CONVERT 3
#define OEMDM_MERGE 4

#define PDEV_ADJUST_PAPER_MARGIN_TYPE 1
#define PDEV_HOSTFONT_ENABLED_TYPE 2
#define PDEV_USE_TRUE_COLOR_TYPE 3
#define PDEV_ADJUST_GRAPHICS_RESOLUTION_TYPE 0x4
#define PDEV_ADJUST_IMAGEABLE_ORIGIN_AREA_TYPE 0x8
#define PDEV_ADJUST_PHYSICAL_PAPER_SIZE_TYPE 0x10

#define SETOPTIONS_FLAG_RESOLVE_CONFLICT 0x1
#define SETOPTIONS_FLAG_KEEP_CONFLICT 0x2
#define SETOPTIONS_RESULT_NO_CONFLICT 0
#define SETOPTIONS_RESULT_CONFLICT_RESOLVED 1
#define SETOPTIONS_RESULT_CONFLICT_REMAINED 2

inline constexpr CLSID CLSID_OEMRENDER = {0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
inline constexpr IID IID_IPrintOemCommon = {
    0x7f42285e, 0x91d5, 0x11d1, {0x88, 0x20, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
inline constexpr IID IID_IPrintOemEngine = {
    0x63d17590, 0x91d8, 0x11d1, {0x88, 0x20, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
inline constexpr IID IID_IPrintOemPS = {0x688342b5, 0x8e1a, 0x11d1, {0x88, 0x1f, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
inline constexpr IID IID_IPrintOemPS2 = {0xbecf7f34, 0x51b3, 0x46c9, {0x8a, 0x1c, 0x18, 0x67, 0x9b, 0xd2, 0x1f, 0x36}};
inline constexpr IID IID_IPrintOemDriverPS = {
    0xd90060c7, 0x8e1a, 0x11d1, {0x88, 0x1f, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
inline constexpr IID IID_IPrintCorePS2 = {0xcdbb0b0b, 0xa917, 0x40d7, {0x9f, 0xbf, 0x48, 0x3b, 0x3b, 0xe7, 0xef, 0x22}};
inline constexpr IID IID_IPrintCoreHelper = {
    0xa89ec53e, 0x3905, 0x49c6, {0x9c, 0x1a, 0xc0, 0xa8, 0x81, 0x17, 0xfd, 0xb6}};
inline constexpr IID IID_IPrintCoreHelperPS = {
    0xc2c14f6f, 0x95d3, 0x4d63, {0x96, 0xcf, 0x6b, 0xd9, 0xe6, 0xc9, 0x07, 0xc2}};

struct IPrintOemCommon : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) = 0;
  virtual HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) = 0;
};

struct IPrintOemEngine : IPrintOemCommon {
  virtual HRESULT STDMETHODCALLTYPE EnableDriver(DWORD DriverVersion, DWORD cbSize, PDRVENABLEDATA pded) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisableDriver() = 0;
  virtual HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns,
                                               HSURF* phsurfPatterns, ULONG cjGdiInfo, GDIINFO* pGdiInfo,
                                               ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
                                               PDEVOEM* pDevOem) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ pdevobj) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) = 0;
};

struct IPrintOemPS : IPrintOemEngine {
  virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) = 0;
  virtual HRESULT STDMETHODCALLTYPE Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize,
                                            DWORD* pdwResult) = 0;
};

struct IPrintOemPS2 : IPrintOemPS {
  virtual HRESULT STDMETHODCALLTYPE WritePrinter(PDEVOBJ pdevobj, PVOID pBuf, DWORD cbBuffer, PDWORD pcbWritten) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPDEVAdjustment(PDEVOBJ pdevobj, DWORD dwAdjustType, PVOID pBuf, DWORD cbBuffer,
                                                      BOOL* pbAdjustmentDone) = 0;
};

struct IPrintOemDriverPS : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pdriverobj, PCSTR Feature, PVOID pOutput, DWORD cbSize,
                                                        PDWORD pcbNeeded, PDWORD pdwOptionsReturned) = 0;
  virtual HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize,
                                                     DWORD* pdwResult) = 0;
};

struct IPrintCoreHelper : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetOption(const DEVMODEW* pDevmode, DWORD cbSize, PCSTR pszFeatureRequested,
                                              PCSTR* ppszOption) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOptions(PDEVMODEW pDevmode, DWORD cbSize, BOOL bResolveConflicts,
                                               const PRINT_FEATURE_OPTION* pFOPairs, DWORD cPairs,
                                               PDWORD pcPairsWritten, PDWORD pdwResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumConstrainedOptions(const DEVMODEW* pDevmode, DWORD cbSize,
                                                           PCSTR pszFeatureKeyword, PCSTR** pConstrainedOptionList,
                                                           DWORD* pdwNumOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE WhyConstrained(const DEVMODEW* pDevmode, DWORD cbSize, PCSTR pszFeatureKeyword,
                                                   PCSTR pszOptionKeyword, const PRINT_FEATURE_OPTION** ppFOConstraints,
                                                   DWORD* pdwNumOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumFeatures(PCSTR** pFeatureList, DWORD* pdwNumFeatures) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumOptions(PCSTR pszFeatureKeyword, PCSTR** pOptionList, DWORD* pdwNumOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFontSubstitution(PCWSTR pszTrueTypeFontName, PCWSTR* ppszDevFontName) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFontSubstitution(PCWSTR pszTrueTypeFontName, PCWSTR pszDevFontName) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateInstanceOfMSXMLObject(REFCLSID rclsid, LPUNKNOWN pUnkOuter,
                                                                DWORD dwClsContext, REFIID riid, LPVOID* ppv) = 0;
};

static_assert(sizeof(void*) != 8 || sizeof(DEVOBJ) == 64);
static_assert(sizeof(void*) != 8 || offsetof(DEVOBJ, hPrinter) == 24);
static_assert(sizeof(void*) != 8 || offsetof(DEVOBJ, pPublicDM) == 40);
static_assert(sizeof(void*) != 8 || sizeof(OEMDMPARAM) == 72);
static_assert(sizeof(void*) != 8 || offsetof(OEMDMPARAM, cbBufSize) == 64);
static_assert(sizeof(OEM_DMEXTRAHEADER) == 12);
static_assert(sizeof(PUBLISHERINFO) == 8);
static_assert(sizeof(void*) != 8 || sizeof(PRINT_FEATURE_OPTION) == 16);

// The plug-in module exports DllGetClassObject and DllCanUnloadNow with these
// signatures (declared where they are defined; the host finds them by name).
using PFN_DllGetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
using PFN_DllCanUnloadNow = HRESULT(STDAPICALLTYPE*)();

// The driver's injection points, in the order of their numbers: the one list
// the plug-in's dispatcher and the host's trace both read. The font download
// (PSINJECT_DLFONT) is not a point at which the plug-in injects.
struct InjectionPoint {
  DWORD index;
  const char* name;
};

inline constexpr InjectionPoint kInjectionPoints[] = {
    {PSINJECT_BEGINSTREAM, "PSINJECT_BEGINSTREAM"},
    {PSINJECT_PSADOBE, "PSINJECT_PSADOBE"},
    {PSINJECT_PAGESATEND, "PSINJECT_PAGESATEND"},
    {PSINJECT_PAGES, "PSINJECT_PAGES"},
    {PSINJECT_DOCNEEDEDRES, "PSINJECT_DOCNEEDEDRES"},
    {PSINJECT_DOCSUPPLIEDRES, "PSINJECT_DOCSUPPLIEDRES"},
    {PSINJECT_PAGEORDER, "PSINJECT_PAGEORDER"},
    {PSINJECT_ORIENTATION, "PSINJECT_ORIENTATION"},
    {PSINJECT_BOUNDINGBOX, "PSINJECT_BOUNDINGBOX"},
    {PSINJECT_DOCUMENTPROCESSCOLORS, "PSINJECT_DOCUMENTPROCESSCOLORS"},
    {PSINJECT_COMMENTS, "PSINJECT_COMMENTS"},
    {PSINJECT_BEGINDEFAULTS, "PSINJECT_BEGINDEFAULTS"},
    {PSINJECT_ENDDEFAULTS, "PSINJECT_ENDDEFAULTS"},
    {PSINJECT_BEGINPROLOG, "PSINJECT_BEGINPROLOG"},
    {PSINJECT_ENDPROLOG, "PSINJECT_ENDPROLOG"},
    {PSINJECT_BEGINSETUP, "PSINJECT_BEGINSETUP"},
    {PSINJECT_ENDSETUP, "PSINJECT_ENDSETUP"},
    {PSINJECT_TRAILER, "PSINJECT_TRAILER"},
    {PSINJECT_EOF, "PSINJECT_EOF"},
    {PSINJECT_ENDSTREAM, "PSINJECT_ENDSTREAM"},
    {PSINJECT_DOCUMENTPROCESSCOLORSATEND, "PSINJECT_DOCUMENTPROCESSCOLORSATEND"},
    {PSINJECT_PAGENUMBER, "PSINJECT_PAGENUMBER"},
    {PSINJECT_BEGINPAGESETUP, "PSINJECT_BEGINPAGESETUP"},
    {PSINJECT_ENDPAGESETUP, "PSINJECT_ENDPAGESETUP"},
    {PSINJECT_PAGETRAILER, "PSINJECT_PAGETRAILER"},
    {PSINJECT_PLATECOLOR, "PSINJECT_PLATECOLOR"},
    {PSINJECT_SHOWPAGE, "PSINJECT_SHOWPAGE"},
    {PSINJECT_PAGEBBOX, "PSINJECT_PAGEBBOX"},
    {PSINJECT_ENDPAGECOMMENTS, "PSINJECT_ENDPAGECOMMENTS"},
    {PSINJECT_VMSAVE, "PSINJECT_VMSAVE"},
    {PSINJECT_VMRESTORE, "PSINJECT_VMRESTORE"},
};

// The table's entry for an index, or null when the index is not an injection point.
inline const InjectionPoint* FindInjectionPoint(DWORD index) {
  for (const InjectionPoint& point : kInjectionPoints)
    if (point.index == index) return &point;
  return nullptr;
}
