// A driver around the plug-in for unit tests: creates it through the exported
// entry points, publishes the recording driver helper and the core helper,
// builds devmodes with a private section, enables a device context and calls
// the hooks the plug-in installed, the way the PostScript driver does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CoreHelper.h"
#include "DevmodeLayout.h"
#include "DriverHelper.h"
#include "platform/oemps.h"
#include "zqutil/AttributeBytes.h"

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow();

namespace harness {

// Calls of the driver's own hooks, recorded by the hook functions the
// harness hands to EnablePDEV.
struct DriverHookLog {
  int startDoc = 0;
  int endDoc = 0;
  int startPage = 0;
  int sendPage = 0;
  int escape = 0;
  ULONG escapeAnswer = 77;
};
DriverHookLog& HookLog();

// The driver's DRVFN table (all five hooks, or without the escape hook).
std::vector<DRVFN> DriverHooks(bool withEscape = true);

// A private section with entry 1 holding these document settings.
std::vector<std::uint8_t> SectionWithSettings(const AttributeBytesList& settings);

class PluginHarness {
 public:
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
  // The plug-in linked with the tests, or the one whose DllGetClassObject is
  // given (a module loaded from elsewhere).
  explicit PluginHarness(GetClassObject getClassObject = &DllGetClassObject);
  ~PluginHarness();
  PluginHarness(const PluginHarness&) = delete;
  PluginHarness& operator=(const PluginHarness&) = delete;

  // Replaces the devmode. With no section the devmode has no plug-in section.
  void SetDevmode(const driversim::PublicFields& fields, const driversim::DriverOptions& options,
                  const std::optional<std::vector<std::uint8_t>>& section);
  void SetSettings(const AttributeBytesList& settings,
                   const driversim::PublicFields& fields = driversim::PublicFields{},
                   const driversim::DriverOptions& options = driversim::DriverOptions{});

  HRESULT EnablePdev(bool withEscapeHook = true);
  HRESULT DisablePdev();

  HRESULT Command(DWORD index, DWORD* result = nullptr);
  BOOL StartDoc(const char16_t* name, DWORD jobId);
  BOOL StartPage();
  BOOL SendPage();
  BOOL EndDoc();
  ULONG Escape(ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut);
  // Hands the driver's pending output to the plug-in's WritePrinter, as the
  // driver does with its buffer; `sent` receives the bytes.
  HRESULT SendOutput(std::string& sent);
  // The spool file the plug-in captures the job into, once it has named one
  // (empty before).
  std::string SpoolFilePath();

  IPrintOemPS2* plugin = nullptr;
  driversim::DriverHelper* driver = nullptr;
  driversim::CoreHelper* core = nullptr;
  std::string output;  // the driver's output buffer
  std::vector<std::uint8_t> devmode;
  DEVOBJ devobj{};
  SURFOBJ surface{};
  DEVINFO devInfo{};
  DRVENABLEDATA pluginHooks{};
  DWORD lastResult = 0;

  DEVMODEW* Devmode() { return reinterpret_cast<DEVMODEW*>(devmode.data()); }

 private:
  PFN Hook(ULONG index) const;
  std::vector<DRVFN> driverHooks_;
  DRVENABLEDATA driverEnable_{};
};

}  // namespace harness
