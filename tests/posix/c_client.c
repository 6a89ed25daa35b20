/* A client in C with its own declarations of the published interfaces, as a
   Windows driver written in C would have them: it loads the plug-in module,
   creates the object through the class factory and calls it through the
   vtables. It proves the module's objects are laid out as COM requires. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

typedef int32_t HRESULT;
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef struct {
  uint32_t Data1;
  uint16_t Data2, Data3;
  uint8_t Data4[8];
} GUID;

typedef struct IUnknownC IUnknownC;
typedef struct {
  HRESULT (*QueryInterface)(IUnknownC* self, const GUID* riid, void** ppv);
  ULONG (*AddRef)(IUnknownC* self);
  ULONG (*Release)(IUnknownC* self);
} IUnknownVtbl;
struct IUnknownC {
  const IUnknownVtbl* lpVtbl;
};

typedef struct IClassFactoryC IClassFactoryC;
typedef struct {
  HRESULT (*QueryInterface)(IClassFactoryC* self, const GUID* riid, void** ppv);
  ULONG (*AddRef)(IClassFactoryC* self);
  ULONG (*Release)(IClassFactoryC* self);
  HRESULT (*CreateInstance)(IClassFactoryC* self, IUnknownC* outer, const GUID* riid, void** ppv);
  HRESULT (*LockServer)(IClassFactoryC* self, int lock);
} IClassFactoryVtbl;
struct IClassFactoryC {
  const IClassFactoryVtbl* lpVtbl;
};

typedef struct IPrintOemPS2C IPrintOemPS2C;
typedef struct {
  HRESULT (*QueryInterface)(IPrintOemPS2C* self, const GUID* riid, void** ppv);
  ULONG (*AddRef)(IPrintOemPS2C* self);
  ULONG (*Release)(IPrintOemPS2C* self);
  HRESULT (*GetInfo)(IPrintOemPS2C* self, DWORD mode, void* buffer, DWORD size, DWORD* needed);
  HRESULT (*DevMode)(IPrintOemPS2C* self, DWORD mode, void* param);
  void* EnableDriver;
  void* DisableDriver;
  void* EnablePDEV;
  void* DisablePDEV;
  void* ResetPDEV;
  void* PublishDriverInterface;
  void* Command;
  HRESULT (*WritePrinter)(IPrintOemPS2C* self, void* pdevobj, void* buffer, DWORD size, DWORD* written);
  HRESULT (*GetPDEVAdjustment)(IPrintOemPS2C* self, void* pdevobj, DWORD type, void* buffer, DWORD size, int* done);
} IPrintOemPS2Vtbl;
struct IPrintOemPS2C {
  const IPrintOemPS2Vtbl* lpVtbl;
};

static const GUID kClsidOemRender = {0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
static const GUID kIidUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID kIidClassFactory = {1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const GUID kIidPrintOemPS2 = {0xbecf7f34, 0x51b3, 0x46c9, {0x8a, 0x1c, 0x18, 0x67, 0x9b, 0xd2, 0x1f, 0x36}};

#define CHECK(cond, what)                    \
  do {                                       \
    if (!(cond)) {                           \
      fprintf(stderr, "FAILED: %s\n", what); \
      return 1;                              \
    }                                        \
  } while (0)

typedef HRESULT (*GetClassObjectFn)(const GUID*, const GUID*, void**);

int main(int argc, char** argv) {
  CHECK(argc == 2, "usage: c_client MODULE");
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  CHECK(module != NULL, dlerror());
  GetClassObjectFn getClassObject = (GetClassObjectFn)dlsym(module, "DllGetClassObject");
  HRESULT (*canUnload)(void) = (HRESULT(*)(void))dlsym(module, "DllCanUnloadNow");
  CHECK(getClassObject != NULL && canUnload != NULL, "exports");

  IClassFactoryC* factory = NULL;
  CHECK(getClassObject(&kClsidOemRender, &kIidClassFactory, (void**)&factory) == 0, "DllGetClassObject");
  IUnknownC* unknown = NULL;
  CHECK(factory->lpVtbl->CreateInstance(factory, NULL, &kIidUnknown, (void**)&unknown) == 0, "CreateInstance");
  CHECK(factory->lpVtbl->Release(factory) == 0, "factory released");
  CHECK(canUnload() == 1, "an object is alive");

  IPrintOemPS2C* plugin = NULL;
  CHECK(unknown->lpVtbl->QueryInterface(unknown, &kIidPrintOemPS2, (void**)&plugin) == 0, "QueryInterface");
  DWORD signature = 0, needed = 0;
  CHECK(plugin->lpVtbl->GetInfo(plugin, 1, &signature, 4, &needed) == 0, "GetInfo");
  CHECK(signature == 0x544D4B56u && needed == 4, "signature");
  DWORD written = 5;
  CHECK(plugin->lpVtbl->WritePrinter(plugin, NULL, NULL, 0, &written) == 0, "WritePrinter probe");
  int done = 3;
  CHECK(plugin->lpVtbl->GetPDEVAdjustment(plugin, NULL, 2, NULL, 0, &done) == 1 && done == 3, "GetPDEVAdjustment");
  CHECK(plugin->lpVtbl->Release(plugin) == 1, "release the interface");
  CHECK(unknown->lpVtbl->Release(unknown) == 0, "release the object");
  CHECK(canUnload() == 0, "nothing alive");
  printf("C client: the module answered through its vtables\n");
  return 0;
}
