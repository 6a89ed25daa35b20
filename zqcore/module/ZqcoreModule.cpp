// The core library as a loadable module (zqcoreA2): the entry points of
// zqcore/CoreModule.h over the library's own code.
#include <exception>

#include "platform/moduleentry.h"
#include "zqcore/CoreModule.h"
#include "zqcore/TicketXml.h"

extern "C" RENPS_MODULE_EXPORT HRESULT ZqcoreExportTicketXml(DWORD schema, const BYTE* settingsState,
                                                             DWORD cbSettingsState, ZqcoreByteSink sink,
                                                             void* context) {
  if (settingsState == nullptr || sink == nullptr) return E_INVALIDARG;
  try {
    AttributeBytesIndexedList settings;
    if (!AttributeBytesIndexedList::TryFromAttributeBytesIndexedListState(ByteBuffer(settingsState, cbSettingsState),
                                                                          settings))
      return E_INVALIDARG;
    ByteBuffer ticket;
    zqcore::ExportTicketXml(settings, schema, ticket);
    sink(context, ticket.getLpbyte(), static_cast<DWORD>(ticket.size()));
    return S_OK;
  } catch (...) {
    // Nothing is thrown across the module boundary.
    return E_FAIL;
  }
}
