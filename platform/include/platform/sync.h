// Named mutexes, shared between processes: on Windows the system's, on POSIX
// a lock file per name in the state directory's "locks" directory (flock), so
// every process that works with one state directory shares it. A "Global\"
// or "Local\" prefix of the name is dropped there. A mutex is owned by a
// thread, recursively, as on Windows.
#pragma once

#include "platform/win32.h"

#if !defined(_WIN32)

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define ERROR_NOT_OWNER 288L

RENPS_PLATFORM_API HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                                              LPCWSTR lpName);
RENPS_PLATFORM_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
RENPS_PLATFORM_API BOOL WINAPI ReleaseMutex(HANDLE hMutex);

#endif
