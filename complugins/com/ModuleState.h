// Module-wide state of the plug-in: the module handle recorded at load, the
// number of live plug-in objects and the class factory's lock count. Counts
// change only by interlocked operations.
#pragma once

#include "platform/win32.h"

namespace module_state {

void SetModuleHandle(HMODULE module);
HMODULE GetModuleHandle();

void ObjectCreated();
void ObjectDestroyed();
LONG ObjectCount();

void Lock();
void Unlock();
LONG LockCount();

}  // namespace module_state
