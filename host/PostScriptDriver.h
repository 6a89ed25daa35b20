// The Windows PostScript driver as the plug-in meets it: renps loads the
// plug-in through its COM entry points, hands it the driver's helper
// interfaces, builds the devmode, enables a PDEV per document, and re-emits a
// DSC document with the driver's own structure, calling Command at every
// injection point and the plug-in's hooks around the document and each page.
//
// All output (the driver's bytes and what the plug-in writes with
// DrvWriteSpoolBuf) goes into one output buffer in stream order; the buffer is
// flushed through the plug-in's WritePrinter in pieces, and once more after
// Command(PSINJECT_ENDSTREAM), so a captured job's closing Ctrl-D ends the
// last write.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CoreHelper.h"
#include "DriverHelper.h"
#include "DscReader.h"
#include "JobFile.h"
#include "platform/oemps.h"

namespace renps {

// The plug-in or the spooler path failed: exit status 1. The text names the
// entry point and its result.
class PluginFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "0x80004005" for an HRESULT or any 32-bit code.
std::string Hex32(std::uint32_t value);
// "PSINJECT_BEGINPROLOG" for 14.
const char* InjectionName(DWORD index);

// The plug-in module and its one plug-in object.
class PluginModule {
 public:
  // Loads the module and creates the object through DllGetClassObject and the
  // class factory, as the driver does. Throws InputError for a missing file,
  // PluginFailure for anything the module does wrong.
  explicit PluginModule(const std::string& path);
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  IPrintOemPS2* Object() const { return object_; }
  // Releases the object (the last reference) and frees the module.
  void Release();

 private:
  HMODULE module_ = nullptr;
  IPrintOemPS2* object_ = nullptr;
};

// What one injection point, hook or escape wrote.
struct TraceRecord {
  std::string origin;  // "PSINJECT_BEGINPROLOG", "OEMSendPage", "OEMEscape 0xF4357504"
  DWORD index = 0;     // the injection point; 0 for hooks and escapes
  DWORD page = 0;      // the page the driver was on
  int document = 1;    // 1-based document of the run
  HRESULT result = S_OK;
  DWORD commandResult = 0;  // *pdwResult of Command
  bool replaced = false;    // a replace point whose driver comment the plug-in's bytes stand for
  std::string bytes;
};

struct DriverOptionsForRun {
  std::size_t bufferSize = 256 * 1024;  // the driver's output buffer
  bool trace = false;                   // keep a TraceRecord per call
  // Pass on the document's own device features (%%BeginFeature: *PageSize
  // ...) instead of dropping those the driver sets itself.
  bool keepDocumentFeatures = false;
  // Where remarks about a document go (no page structure, cut off).
  std::function<void(const std::string&)> warn;
};

class PostScriptDriver {
 public:
  PostScriptDriver(IPrintOemPS2* plugin, HANDLE hPrinter, const JobFile& job, DriverOptionsForRun options);
  ~PostScriptDriver();
  PostScriptDriver(const PostScriptDriver&) = delete;
  PostScriptDriver& operator=(const PostScriptDriver&) = delete;

  // GetInfo, PublishDriverInterface twice, EnableDriver.
  void EnableDriver();
  // The devmode of the job as the driver and its user interface build it:
  // public part, driver's private part, and the plug-in's section through
  // DevMode(size, default, merge) with entry 1 holding the settings.
  std::vector<std::uint8_t> BuildDevmode(const DevmodeSettings& wanted);
  // One document as one job (its own PDEV), read from `document`.
  void PrintDocument(std::FILE* document, const std::string& name, std::uint32_t jobId, int ordinal);
  // DisableDriver.
  void DisableDriver();

  const std::vector<TraceRecord>& Trace() const { return trace_; }

 private:
  struct Pdev;
  struct Page;
  enum class Phase { None, Header, Defaults, Prolog, Setup, Pages, Trailer, Done };

  // Driver functions the plug-in's hooks call back.
  static BOOL APIENTRY DrvStartDoc(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
  static BOOL APIENTRY DrvEndDoc(SURFOBJ* pso, FLONG fl);
  static BOOL APIENTRY DrvStartPage(SURFOBJ* pso);
  static BOOL APIENTRY DrvSendPage(SURFOBJ* pso);
  static ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
  static PostScriptDriver* FromSurface(SURFOBJ* pso);

  std::unique_ptr<Pdev> EnablePdev(const DevmodeSettings& wanted);
  void DisablePdev(std::unique_ptr<Pdev> pdev);
  void ResetPdev(const DevmodeSettings& wanted);
  void SendEscapes();
  void Escape(ULONG code, std::vector<std::uint8_t> in, bool wantsStatus);

  // Output.
  void Write(std::string_view text);
  void WriteBytes(const void* data, std::size_t size);
  void Send(const std::uint8_t* data, std::size_t size);
  enum class FlushMode { IfFull, All, Final };
  void Flush(FlushMode mode);
  // Command at `index`; true when the plug-in's bytes replace the driver's comment.
  bool Command(DWORD index);
  void Hook(ULONG hookIndex, const char* name);
  void BeginTrace(std::string origin, DWORD index);
  void EndTrace(HRESULT result, DWORD commandResult, bool replaced);

  // The document walk.
  void Take(const DscLine& line);
  bool FilterFeature(const DscLine& line);
  void ReleaseFeature();
  void Dropped(std::string_view what, std::string_view bytes);
  void Dispatch(const DscLine& line);
  void HoldImplicit(const DscLine& line);
  void ReleaseImplicit();
  void StartImplicitPage();
  void AdvanceTo(Phase phase);
  void WriteHeader();
  void StartPage(std::string_view label);
  void PageLine(DscPart part, std::string_view text, bool whole);
  void EndPage();
  void FinishPageSetup();
  void WriteTrailer();

  IPrintOemPS2* plugin_;
  HANDLE hPrinter_;
  const JobFile& job_;
  DriverOptionsForRun options_;
  driversim::DriverHelper* driverHelper_ = nullptr;
  driversim::CoreHelper* coreHelper_ = nullptr;
  bool corePublished_ = false;
  bool driverEnabled_ = false;
  std::vector<std::pair<ULONG, PFN>> hooks_;  // from EnableDriver
  DRVFN driverFunctions_[5];
  DRVENABLEDATA driverEnableData_{};
  std::unique_ptr<Pdev> pdev_;
  bool writePrinterHooked_ = false;

  std::vector<std::uint8_t> buffer_;
  bool streamAtLineStart_ = true;  // the last byte of the stream ends a line
  std::vector<TraceRecord> trace_;
  bool tracing_ = false;
  std::vector<std::size_t> recordStack_;  // open trace records, innermost last

  // Per document.
  std::u16string documentName_;
  std::uint32_t jobId_ = 0;
  int documentOrdinal_ = 1;
  Phase phase_ = Phase::None;
  DevmodeSettings currentSpec_;
  std::vector<std::string> header_;
  std::size_t headerBytes_ = 0;
  std::vector<std::string> trailer_;
  std::size_t trailerBytes_ = 0;
  std::vector<std::string> neededResources_, suppliedResources_;
  std::unique_ptr<Page> page_;
  DWORD pageCount_ = 0;
  std::string documentFile_;  // the document's name in messages
  const DscReader* reader_ = nullptr;
  // A feature block of the document's own, held until its end decides
  // whether it is dropped.
  struct HeldFeature {
    DscPart part;
    bool implicit;
    std::string end;  // the comment that closes it
    std::string text;
  };
  std::optional<HeldFeature> feature_;
  // Code outside every section before the first page, held until a page
  // comment shows whether the document has pages.
  std::vector<std::pair<DscPart, std::string>> implicit_;
  std::size_t implicitBytes_ = 0;
  bool implicitPage_ = false;  // the document's body printed as one page of the driver's
};

}  // namespace renps
