// The entry points of the core library module (zqcoreA2) that the plug-in
// binds on first use instead of linking them (utilitiesstaticlib's delay
// loader). A flat C interface: only bytes and plain numbers cross the module
// boundary, so the module and the plug-in never free each other's memory.
#pragma once

#include "platform/win32.h"

// The module's file name as the plug-in asks for it (on POSIX the platform
// finds the ".so" of that name).
inline constexpr char kCoreModuleName[] = "zqcoreA2.dll";

extern "C" {

// Receives output of an entry point, possibly in several pieces.
using ZqcoreByteSink = void (*)(void* context, const BYTE* data, DWORD size);

// Writes the XML job ticket (zqcore/TicketXml.h) for a settings list given in
// its state form (AttributeBytesIndexedList::GetAttributeBytesIndexedListState)
// to `sink`. S_OK; E_INVALIDARG for a malformed list or a null pointer; E_FAIL
// for any other failure. Never throws.
HRESULT ZqcoreExportTicketXml(DWORD schema, const BYTE* settingsState, DWORD cbSettingsState, ZqcoreByteSink sink,
                              void* context);
using PFN_ZqcoreExportTicketXml = HRESULT (*)(DWORD schema, const BYTE* settingsState, DWORD cbSettingsState,
                                              ZqcoreByteSink sink, void* context);

}  // extern "C"
