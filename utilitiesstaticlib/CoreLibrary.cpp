#include "CoreLibrary.h"

#include "DllDelayLoader.h"
#include "zqutil/TamorException.h"

namespace core_library {

namespace {

void AppendTo(void* context, const BYTE* data, DWORD size) {
  static_cast<ByteBuffer*>(context)->appendLpbyte(data, size);
}

HMODULE CoreModule(const char* function) {
  HMODULE module = DllDelayLoader::Instance().Load(kCoreModuleName);
  if (module == nullptr)
    TamorThrow<ExceptionLibraryNotLoaded>("utilitiesstaticlib/corelibrary", __LINE__, function, u"zqcoreA2.dll");
  return module;
}

}  // namespace

void ExportTicketXml(const AttributeBytesList& features, DWORD schema, ByteBuffer& out) {
  const char* const function = "core_library::ExportTicketXml";
  PFN_ZqcoreExportTicketXml entry = delay_load::BindExportTicketXml(CoreModule(function));
  if (entry == nullptr)
    TamorThrow<ExceptionLibraryNotLoaded>("utilitiesstaticlib/corelibrary", __LINE__, function,
                                          u"zqcoreA2.dll: ZqcoreExportTicketXml");
  const ByteBuffer state = AttributeBytesIndexedList(features).GetAttributeBytesIndexedListState();
  ByteBuffer ticket;
  const HRESULT hr = entry(schema, state.getLpbyte(), static_cast<DWORD>(state.size()), &AppendTo, &ticket);
  if (FAILED(hr)) TamorThrow<ExceptionInvalidData>("utilitiesstaticlib/corelibrary", __LINE__, function, u"");
  out.append(ticket);
}

}  // namespace core_library
