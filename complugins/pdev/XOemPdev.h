// Per-device-context state of the plug-in.
//
// The driver hands the XOemPdevPs back in DEVOBJ::pdevOEM on every call for the
// device context. It carries what lives from page to page and job to job: the
// driver's own hook functions, a keyed store of small job values (keys in
// PdevStateKey), the controller family and the helper blocks for device
// capabilities, application snippets and fax data.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/oemps.h"
#include "zqcore/DataModelIds.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class MSDeviceCapabilities;
class FinishingVerticalFeature;

// Keys of the PDEV state store and who owns them.
enum PdevStateKey : std::int32_t {
  kPdevPublicDevmode = 1,       // copy of the public devmode; survives the end-of-document reset
  kPdevOutputRefused = 4,       // present: the output path refuses every write
  kPdevCaptureActive = 5,       // the job is captured into a spool file
  kPdevSpoolFilePath = 6,       // path of the spool file
  kPdevDocumentName = 7,        // document name given to the start of the document
  kPdevBookletMode = 8,         // booklet imposition mode (0 off)
  kPdevEndOfStream = 9,         // the end of the stream was reached: the next write is the last
  kPdevCapturedJobDone = 10,    // the captured job was finished
  kPdevNoCapture = 11,          // non-zero: no capture and no fit-to-page procset
  kPdevAccountingUser = 13,     // accounting user id entered at print time
  kPdevAccountingAccount = 14,  // accounting account id
  kPdevAccountingType = 15,     // accounting account type code 0, 1 or 2
  kPdevJobId = 16,              // spooler job id (only stored when non-zero)
  kPdevPageNumber = 17,         // number of the page being started
  kPdevFitToPageWritten = 18,   // the fit-to-page procset was written
  kPdevBookletRotate = 20,      // booklet rotate-180 flag
  kPdevDevmodeChanged = 21,     // the devmode changed at the last reset
  kPdevSettingsCache = 22,      // cached private devmode attribute bytes
  kPdevEffectiveOrientation = 24,
};

// Output option bit: snippets get the odd/even "dup" prefix and fax attributes
// use the PostScript comment form.
inline constexpr std::uint64_t kOutputOptionPostScriptForm = 0x400;

// Sections an application handed over with the snippet escape.
struct ApplicationSnippetBlock {
  bool setupWritten = false;
  bool firstPageSetupSeen = false;
  std::int32_t feature155Number = 0;
  std::uint64_t outputOptions = 0;
  std::unique_ptr<ByteBuffer> pageBlock;
  std::unique_ptr<ByteBuffer> setupBlock;
  IPrintOemDriverPS* driverHelper = nullptr;
};

// Fax cover and destinations an application handed over, and the fax output mode.
struct FaxJobBlock {
  IPrintOemDriverPS* driverHelper = nullptr;
  std::unique_ptr<ByteBuffer> coverData;
  std::unique_ptr<ByteBuffer> destinationData;
  std::uint64_t outputOptions = 0;
  bool prologSeen = false;
  bool coverClosed = false;
  std::uint32_t controllerFamily = DataModelIds::kValueNone;
  std::uint32_t outputMode = DataModelIds::kValueNone;
};

class XOemPdev {
 public:
  XOemPdev() = default;
  XOemPdev(const XOemPdev&) = delete;
  XOemPdev& operator=(const XOemPdev&) = delete;
  virtual ~XOemPdev() = default;

  virtual bool GetString(std::int32_t key, CXString& out) const;
  virtual bool GetLong(std::int32_t key, DWORD& out) const;
  virtual bool GetBuffer(std::int32_t key, ByteBuffer& out) const;
  virtual void SetLong(std::int32_t key, DWORD value);
  virtual void SetString(std::int32_t key, const CXString& value);
  virtual void SetBuffer(std::int32_t key, const ByteBuffer& value);
  virtual void Clear();
  virtual void Nothing() {}

  // The state-store escapes (0xF43574AA..AC); E_NOTIMPL for any other number.
  HRESULT HandleEscape(ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut);

  std::uint32_t pageCounter = 0;
  std::map<std::int32_t, ByteBuffer> store;

  PFN_DrvStartPage drvStartPage = nullptr;
  PFN_DrvSendPage drvSendPage = nullptr;
  PFN_DrvEscape drvEscape = nullptr;
  PFN_DrvStartDoc drvStartDoc = nullptr;
  PFN_DrvEndDoc drvEndDoc = nullptr;
};

class XOemPdevPs : public XOemPdev {
 public:
  XOemPdevPs();
  ~XOemPdevPs() override;

  std::uint64_t outputOptions = kOutputOptionPostScriptForm;
  bool notJournaled = false;
  std::uint32_t controllerFamily = DataModelIds::kValueNone;
  std::unique_ptr<MSDeviceCapabilities> deviceCapabilities;
  std::unique_ptr<ApplicationSnippetBlock> snippetBlock;
  std::unique_ptr<FaxJobBlock> faxBlock;
  std::unique_ptr<FinishingVerticalFeature> finishing;
};

// The PDEV object of a DEVOBJ, or null.
inline XOemPdevPs* PdevFrom(const DEVOBJ* pdevobj) {
  return pdevobj == nullptr ? nullptr : static_cast<XOemPdevPs*>(pdevobj->pdevOEM);
}
