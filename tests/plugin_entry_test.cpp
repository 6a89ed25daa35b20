// The plug-in as the driver first meets it: class factory, object identity,
// reference and lock counts, GetInfo, the helper interfaces and the hooks.
#include <gtest/gtest.h>

#include <cstring>

#include "PluginHarness.h"
#include "com/ModuleState.h"

namespace {

IClassFactory* Factory() {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(DllGetClassObject(CLSID_OEMRENDER, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  return factory;
}

// A helper source that answers exactly the interfaces it is told to.
class Source final : public IUnknown {
 public:
  explicit Source(IUnknown* answer, IID iid) : answer_(answer), iid_(iid) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (answer_ != nullptr && IsEqualIID(riid, iid_)) {
      answer_->AddRef();
      *ppv = answer_;
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

 private:
  IUnknown* answer_;
  IID iid_;
};

TEST(PluginEntry, ClassObjectRefusesOtherClassesAndInterfaces) {
  const LONG objects = module_state::ObjectCount();
  void* out = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(DllGetClassObject(IID_IPrintOemPS, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, reinterpret_cast<void*>(0x1234)) << "ppv must be left alone";
  EXPECT_EQ(DllGetClassObject(CLSID_OEMRENDER, IID_IPrintOemPS2, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(module_state::ObjectCount(), objects);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(PluginEntry, CreateInstanceCountsObjectsAndAnswersItsInterfaces) {
  IClassFactory* factory = Factory();
  void* out = nullptr;
  Source outer(nullptr, IID_IUnknown);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  const LONG before = module_state::ObjectCount();
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
  EXPECT_EQ(module_state::ObjectCount(), before);

  IUnknown* unknown = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  factory->Release();
  EXPECT_EQ(module_state::ObjectCount(), before + 1);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);

  void* ps = nullptr;
  void* ps2 = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_IPrintOemPS, &ps), S_OK);
  ASSERT_EQ(unknown->QueryInterface(IID_IPrintOemPS2, &ps2), S_OK);
  EXPECT_EQ(ps, ps2);
  EXPECT_EQ(static_cast<void*>(unknown), ps);
  EXPECT_EQ(unknown->QueryInterface(IID_IPrintOemDriverPS, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(unknown->Release(), 2u);
  EXPECT_EQ(unknown->Release(), 1u);
  EXPECT_EQ(unknown->Release(), 0u);
  EXPECT_EQ(module_state::ObjectCount(), before);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(PluginEntry, LockServerKeepsTheModuleLoaded) {
  IClassFactory* factory = Factory();
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  factory = Factory();
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(PluginEntry, GetInfoReportsSizesAndLastErrors) {
  harness::PluginHarness h;
  DWORD needed = 0;
  std::uint8_t buffer[4] = {};
  SetLastError(0);
  EXPECT_EQ(h.plugin->GetInfo(OEMGI_GETSIGNATURE, buffer, 3, &needed), E_FAIL);
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(h.plugin->GetInfo(OEMGI_GETSIGNATURE, nullptr, 4, &needed), E_FAIL);
  ASSERT_EQ(h.plugin->GetInfo(OEMGI_GETSIGNATURE, buffer, 4, &needed), S_OK);
  DWORD value = 0;
  std::memcpy(&value, buffer, 4);
  EXPECT_EQ(value, 0x544D4B56u);
  ASSERT_EQ(h.plugin->GetInfo(OEMGI_GETVERSION, buffer, 4, &needed), S_OK);
  std::memcpy(&value, buffer, 4);
  EXPECT_EQ(value, 1u);
  ASSERT_EQ(h.plugin->GetInfo(OEMGI_GETREQUESTEDHELPERINTERFACES, buffer, 4, &needed), S_OK);
  std::memcpy(&value, buffer, 4);
  EXPECT_EQ(value, static_cast<DWORD>(OEMPUBLISH_IPRINTCOREHELPER));

  SetLastError(0);
  EXPECT_EQ(h.plugin->GetInfo(OEMGI_GETPUBLISHERINFO, buffer, 4, &needed), E_FAIL);
  EXPECT_EQ(needed, 8u);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(h.plugin->GetInfo(OEMGI_GETINTERFACEVERSION, buffer, 4, &needed), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(h.plugin->GetInfo(OEMGI_GETSIGNATURE, buffer, 4, nullptr), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(PluginEntry, PublishTakesOneHelperPerCallAndNoMore) {
  harness::PluginHarness h;  // published the driver helper and the core helper
  const ULONG driverRefs = h.driver->ReferenceCount();
  auto* other = new driversim::DriverHelper();
  Source third(other, IID_IPrintOemDriverPS);
  EXPECT_EQ(h.plugin->PublishDriverInterface(&third), E_FAIL);
  EXPECT_EQ(other->ReferenceCount(), 1u) << "a third helper must not be kept";
  EXPECT_EQ(h.driver->ReferenceCount(), driverRefs);
  other->Release();

  // The hooks are the plug-in's own five, in the driver's order.
  ASSERT_EQ(h.pluginHooks.c, 5u);
  const ULONG expected[] = {INDEX_DrvStartPage, INDEX_DrvSendPage, INDEX_DrvEscape, INDEX_DrvStartDoc, INDEX_DrvEndDoc};
  for (ULONG i = 0; i < 5; ++i) EXPECT_EQ(h.pluginHooks.pdrvfn[i].iFunc, expected[i]);
  EXPECT_EQ(h.pluginHooks.iDriverVersion, PRINTER_OEMINTF_VERSION);
}

TEST(PluginEntry, ExceptionsStayInsideEntryPoints) {
  harness::PluginHarness h;
  // DEFAULT with no output section ends in a null-pointer exception inside.
  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  EXPECT_EQ(h.plugin->DevMode(OEMDM_DEFAULT, &param), E_FAIL);
  // A device context the plug-in never enabled.
  DEVOBJ stranger{};
  stranger.pPublicDM = h.Devmode();
  DWORD result = 0;
  EXPECT_EQ(h.plugin->Command(&stranger, PSINJECT_BEGINSETUP, nullptr, 0, &result), E_FAIL);
  // An unknown adjustment leaves the flag alone.
  BOOL done = 7;
  BOOL value = TRUE;
  EXPECT_EQ(h.plugin->GetPDEVAdjustment(&h.devobj, PDEV_HOSTFONT_ENABLED_TYPE, &value, sizeof value, &done), S_FALSE);
  EXPECT_EQ(done, 7);
}

}  // namespace
