// Every entry point of the plug-in while memory runs out: from one of the
// allocations an entry point makes on, every allocation fails. Whichever it
// is, the entry point answers its failure value (a driver hook the driver's
// own answer), nothing is thrown at the caller, and the data an escape held
// before is still there. Entry points that catch nothing must not allocate.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FailingAllocator.h"
#include "PluginHarness.h"
#include "TestPrinter.h"
#include "com/ModuleState.h"
#include "pdev/XOemPdev.h"

namespace {

using Answer = std::int64_t;

// A plug-in object with a device context whose driver neither records nor
// grows its output buffer, so that every allocation counted is the plug-in's.
struct Fixture {
  explicit Fixture(bool withSettings = true) {
    h.driver->SetRecording(false);
    if (withSettings) {
      AttributeBytesList settings;
      settings.SetOptionValue(285, 7432);  // the plain family: identification comments
      settings.SetOptionValue(311, 7010);  // the printer's own margins
      h.SetSettings(settings);
    }
    h.devobj.hPrinter = printer.handle;
  }
  void Enable() {
    EXPECT_EQ(h.EnablePdev(), S_OK);
    h.output.reserve(1 << 20);
  }
  ~Fixture() {
    if (factory != nullptr) factory->Release();
    if (next.pdevOEM != nullptr) h.plugin->DisablePDEV(&next);
  }
  XOemPdevPs& Pdev() { return *PdevFrom(&h.devobj); }
  // A second device context of the same plug-in object, for ResetPDEV.
  void EnableNext() {
    next = h.devobj;
    next.pdevOEM = nullptr;
    hooks = harness::DriverHooks();
    DRVENABLEDATA ded{DDI_DRIVER_VERSION_NT5_01, static_cast<ULONG>(hooks.size()), hooks.data()};
    DEVINFO info{};
    PDEVOEM pdev = nullptr;
    EXPECT_EQ(h.plugin->EnablePDEV(&next, nullptr, 0, nullptr, 0, nullptr, sizeof info, &info, &ded, &pdev), S_OK);
    next.pdevOEM = pdev;
  }

  harness::TestPrinter printer{[] {
    platform::host::PrinterDescription description;
    description.name = u"Out of memory";
    description.port = u"IP_192.0.2.60";
    return description;
  }()};
  harness::PluginHarness h;
  IClassFactory* factory = nullptr;
  DEVOBJ next{};
  std::vector<DRVFN> hooks;
  // What a call hands over, made before memory runs out.
  std::vector<std::uint8_t> input;
  std::vector<std::uint8_t> section;
  std::string data;
};

struct EntryCase {
  const char* name;
  std::function<void(Fixture&)> prepare;
  std::function<Answer(Fixture&)> call;
  Answer failure;
  // What else must hold afterwards, with memory again; `refused` tells
  // whether memory ran out during the call.
  std::function<void(Fixture&, bool refused)> after;
  // A driver hook: its answer is the driver's own, memory or not.
  bool driverAnswers = false;
};

// The call once with memory to spare, which counts its allocations, then
// once with memory running out at each of them (at every few of them for a
// call that makes hundreds).
void Sweep(const EntryCase& c) {
  SCOPED_TRACE(c.name);
  Answer clean = 0;
  std::size_t allocations = 0;
  {
    Fixture f;
    c.prepare(f);
    oom::StartCounting();
    clean = c.call(f);
    allocations = oom::Count();
    oom::Stop();
    if (c.after) c.after(f, false);
  }
  if (!c.driverAnswers) {
    ASSERT_NE(clean, c.failure) << "with memory to spare the call must succeed";
    ASSERT_GT(allocations, 0u);
  }
  // Calls that allocate a great deal are tried at every few allocations.
  const std::size_t step = allocations / 200 + 1;
  for (std::size_t n = 1; n <= allocations; n += step) {
    SCOPED_TRACE("memory runs out at allocation " + std::to_string(n) + " of " + std::to_string(allocations));
    Fixture f;
    c.prepare(f);
    oom::FailFrom(n);
    Answer got = 0;
    try {
      got = c.call(f);
    } catch (...) {
      oom::Stop();
      ADD_FAILURE() << "an exception left the entry point";
      continue;
    }
    const bool refused = oom::Refused();
    oom::Stop();
    // A later run may find in a cache what the first one had to allocate.
    EXPECT_EQ(got, refused ? c.failure : clean);
    if (c.after) c.after(f, refused);
  }
}

// The snippet escape's input: the 32-byte head, then the sections.
std::vector<std::uint8_t> Snippets(const std::string& setup, const std::string& page, const std::string& end) {
  std::vector<std::uint8_t> in(32);
  auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(in.data() + at, &v, 4); };
  put(4, 0x10);
  auto add = [&](std::size_t field, const std::string& text) {
    put(field, static_cast<std::uint32_t>(in.size()));
    put(field + 4, static_cast<std::uint32_t>(text.size()));
    in.insert(in.end(), text.begin(), text.end());
  };
  add(8, page);
  add(16, end);
  add(24, setup);
  put(0, static_cast<std::uint32_t>(in.size()));
  return in;
}

// One fax destination record.
std::vector<std::uint8_t> Destinations(const std::u16string& phone) {
  std::vector<std::uint8_t> in(4 + 104, 0);
  const std::uint32_t count = 1;
  std::memcpy(in.data(), &count, 4);
  std::memcpy(in.data() + 4, phone.data(), phone.size() * 2);
  return in;
}

constexpr ULONG kSnippetEscape = 0xF4357504;
constexpr ULONG kDestinationsEscape = 0xF43575CC;
constexpr ULONG kCoverEscape = 0xF43575CD;

ULONG Escape(Fixture& f, ULONG escape, const std::vector<std::uint8_t>& in) {
  std::uint8_t status = 0xEE;
  return f.h.Escape(escape, static_cast<ULONG>(in.size()), in.data(), 1, &status);
}

const HRESULT kFail = E_FAIL;

TEST(OutOfMemory, PrivateEscapesRefuseAndKeepWhatTheyHeld) {
  const auto oldSnippets = Snippets("OLD-SETUP\n", "OLD-PAGE\n", "");
  const auto newSnippets = Snippets("NEW-SETUP\n", "NEW-PAGE\n", "NEW-END\n");
  const EntryCase cases[] = {
      {"snippet escape",
       [&](Fixture& f) {
         f.Enable();
         ASSERT_EQ(Escape(f, kSnippetEscape, oldSnippets), 1u);
       },
       [&](Fixture& f) { return Answer{Escape(f, kSnippetEscape, newSnippets)}; }, static_cast<ULONG>(kFail),
       [](Fixture& f, bool refused) {
         EXPECT_EQ(harness::HookLog().escape, 0) << "the plug-in's escape never goes to the driver";
         f.h.output.clear();
         f.h.Command(PSINJECT_ENDSETUP);
         EXPECT_NE(f.h.output.find(refused ? "OLD-SETUP" : "NEW-SETUP"), std::string::npos) << f.h.output;
       }},
      {"fax destinations",
       [](Fixture& f) {
         f.Enable();
         f.input = Destinations(u"5551234");
       },
       [](Fixture& f) { return Answer{Escape(f, kDestinationsEscape, f.input)}; }, static_cast<ULONG>(kFail),
       [](Fixture& f, bool refused) {
         EXPECT_EQ(harness::HookLog().escape, 0);
         // Only the first list is taken: a refused one did not count as it.
         EXPECT_EQ(Escape(f, kDestinationsEscape, Destinations(u"5559876")), refused ? 1u : static_cast<ULONG>(kFail));
       }},
      {"fax cover",
       [](Fixture& f) {
         f.Enable();
         ASSERT_EQ(Escape(f, kCoverEscape, {'O', 'L', 'D', '\n'}), 1u);
         f.input = {'N', 'E', 'W', '\n'};
       },
       [](Fixture& f) { return Answer{Escape(f, kCoverEscape, f.input)}; }, static_cast<ULONG>(kFail),
       [](Fixture& f, bool refused) {
         EXPECT_EQ(harness::HookLog().escape, 0);
         f.h.output.clear();
         f.h.Command(PSINJECT_BEGINPROLOG);
         EXPECT_NE(f.h.output.find(refused ? "OLD\n" : "NEW\n"), std::string::npos) << f.h.output;
       }},
  };
  for (const EntryCase& c : cases) Sweep(c);
}

TEST(OutOfMemory, EntryPointsAnswerTheirFailureValue) {
  auto write = [](Fixture& f) {
    DWORD written = 0;
    return Answer{f.h.plugin->WritePrinter(&f.h.devobj, f.data.data(), static_cast<DWORD>(f.data.size()), &written)};
  };
  const std::string document = "%!PS-Adobe-3.0\n%%EOF\n";
  const EntryCase cases[] = {
      {"DllGetClassObject", [](Fixture&) {},
       [](Fixture&) {
         IClassFactory* factory = nullptr;
         const HRESULT hr = DllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory));
         if (factory != nullptr) factory->Release();
         return Answer{hr};
       },
       E_OUTOFMEMORY, nullptr},
      {"IClassFactory::CreateInstance",
       [](Fixture& f) {
         DllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&f.factory));
         ASSERT_NE(f.factory, nullptr);
       },
       [](Fixture& f) {
         IUnknown* object = nullptr;
         const HRESULT hr = f.factory->CreateInstance(nullptr, IID_IPrintOemPS2, reinterpret_cast<void**>(&object));
         if (object != nullptr) object->Release();
         return Answer{hr};
       },
       E_OUTOFMEMORY,
       [](Fixture&, bool) { EXPECT_EQ(module_state::ObjectCount(), 1) << "only the harness's object is alive"; }},
      {"EnablePDEV", [](Fixture& f) { f.hooks = harness::DriverHooks(); },
       [](Fixture& f) {
         f.next = f.h.devobj;
         DRVENABLEDATA ded{DDI_DRIVER_VERSION_NT5_01, static_cast<ULONG>(f.hooks.size()), f.hooks.data()};
         DEVINFO info{};
         PDEVOEM pdev = nullptr;
         const HRESULT hr =
             f.h.plugin->EnablePDEV(&f.next, nullptr, 0, nullptr, 0, nullptr, sizeof info, &info, &ded, &pdev);
         f.next.pdevOEM = pdev;
         if (FAILED(hr)) {
           EXPECT_EQ(pdev, nullptr) << "a failed EnablePDEV leaves no device context";
         }
         return Answer{hr};
       },
       E_FAIL, nullptr},
      {"DevMode(OEMDM_MERGE)",
       [](Fixture& f) {
         // An installed printer: the merge also keeps the devmode within the device.
         f.printer.SetDword(u"XInstallationState", 1);
         AttributeBytesList settings;
         settings.SetOptionValue(36, 6894);
         f.input = harness::SectionWithSettings(settings);
         f.section.resize(f.input.size());
       },
       [](Fixture& f) {
         OEMDMPARAM param{};
         param.cbSize = sizeof param;
         param.hPrinter = f.printer.handle;
         param.pPublicDMIn = f.h.Devmode();
         param.pPublicDMOut = f.h.Devmode();
         param.pOEMDMIn = f.input.data();
         param.pOEMDMOut = f.section.data();
         param.cbBufSize = static_cast<DWORD>(f.section.size());
         return Answer{f.h.plugin->DevMode(OEMDM_MERGE, &param)};
       },
       E_FAIL, nullptr},
      {"Command(PSINJECT_BEGINSTREAM)", [](Fixture& f) { f.Enable(); },
       [](Fixture& f) { return Answer{f.h.Command(PSINJECT_BEGINSTREAM)}; }, E_FAIL, nullptr},
      {"Command(PSINJECT_ENDSETUP)",
       [](Fixture& f) {
         f.Enable();
         f.h.Command(PSINJECT_BEGINSTREAM);
       },
       [](Fixture& f) { return Answer{f.h.Command(PSINJECT_ENDSETUP)}; }, E_FAIL, nullptr},
      {"WritePrinter, passed through",
       [&](Fixture& f) {
         f.Enable();
         f.data = document;
       },
       write, E_FAIL, nullptr},
      {"WritePrinter, captured",
       [&](Fixture& f) {
         f.Enable();
         f.Pdev().SetBuffer(kPdevBookletMode, ByteBuffer::createFromLongValue(1));
         f.data = document;
       },
       write, E_FAIL, nullptr},
      {"GetPDEVAdjustment(paper margin)", [](Fixture& f) { f.Enable(); },
       [](Fixture& f) {
         PDEV_ADJUST_PAPER_MARGIN margin{};
         margin.rcImageableArea = {100, 100, 4900, 6500};
         BOOL done = FALSE;
         return Answer{
             f.h.plugin->GetPDEVAdjustment(&f.h.devobj, PDEV_ADJUST_PAPER_MARGIN_TYPE, &margin, sizeof margin, &done)};
       },
       S_FALSE, nullptr},
      {"ResetPDEV",
       [](Fixture& f) {
         f.Enable();
         f.h.StartDoc(u"Doc", 3);
         f.EnableNext();
       },
       [](Fixture& f) { return Answer{f.h.plugin->ResetPDEV(&f.h.devobj, &f.next)}; }, E_FAIL, nullptr},
  };
  for (const EntryCase& c : cases) Sweep(c);
}

TEST(OutOfMemory, DriverHooksStillCallTheDriver) {
  auto started = [](Fixture& f) {
    f.Enable();
    f.h.StartDoc(u"Doc", 5);
    f.h.StartPage();
  };
  const EntryCase cases[] = {
      {"OEMStartDoc", [](Fixture& f) { f.Enable(); }, [](Fixture& f) { return Answer{f.h.StartDoc(u"Document", 5)}; },
       TRUE, [](Fixture&, bool) { EXPECT_EQ(harness::HookLog().startDoc, 1); }, true},
      {"OEMStartPage",
       [](Fixture& f) {
         f.Enable();
         f.h.StartDoc(u"Doc", 5);
       },
       [](Fixture& f) { return Answer{f.h.StartPage()}; }, TRUE,
       [](Fixture&, bool) { EXPECT_EQ(harness::HookLog().startPage, 1); }, true},
      {"OEMSendPage", started, [](Fixture& f) { return Answer{f.h.SendPage()}; }, TRUE,
       [](Fixture&, bool) { EXPECT_EQ(harness::HookLog().sendPage, 1); }, true},
      {"OEMEndDoc", started, [](Fixture& f) { return Answer{f.h.EndDoc()}; }, TRUE,
       [](Fixture&, bool) { EXPECT_EQ(harness::HookLog().endDoc, 1); }, true},
  };
  for (const EntryCase& c : cases) Sweep(c);
}

// These entry points catch nothing, so they must not need memory.
TEST(OutOfMemory, EntryPointsWithoutACatchDoNotAllocate) {
  Fixture f;
  f.Enable();
  IPrintOemPS2* plugin = f.h.plugin;
  IUnknown* unknown = nullptr;
  DWORD value = 0, needed = 0;
  DRVENABLEDATA ded{};
  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"QueryInterface", [&] { plugin->QueryInterface(IID_IPrintOemPS, reinterpret_cast<void**>(&unknown)); }},
      {"Release", [&] { unknown->Release(); }},
      {"AddRef", [&] { plugin->AddRef(); }},
      {"Release", [&] { plugin->Release(); }},
      {"GetInfo", [&] { plugin->GetInfo(OEMGI_GETSIGNATURE, &value, sizeof value, &needed); }},
      {"PublishDriverInterface", [&] { plugin->PublishDriverInterface(f.h.driver); }},
      {"EnableDriver", [&] { plugin->EnableDriver(DDI_DRIVER_VERSION_NT5_01, sizeof ded, &ded); }},
      {"DllCanUnloadNow", [&] { DllCanUnloadNow(); }},
  };
  for (const auto& [name, call] : calls) {
    oom::StartCounting();
    call();
    const std::size_t count = oom::Count();
    oom::Stop();
    EXPECT_EQ(count, 0u) << name;
  }
}

}  // namespace
