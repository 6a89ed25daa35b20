// The machine's network adapters and their IPv4 addresses (GetAdaptersInfo of
// the IP helper library). Kept out of win32.h so that only the code that asks
// for an address pulls in the IP helper declarations.
//
// On POSIX the adapters are the interfaces that are up, carry an IPv4 address
// and are not the loopback, in the order the system lists them; each adapter's
// addresses form its IpAddressList.
#pragma once

#include "platform/win32.h"

#if defined(_WIN32)

#include <iphlpapi.h>

#else  // POSIX

#include <ctime>

#define MAX_ADAPTER_NAME_LENGTH 256
#define MAX_ADAPTER_DESCRIPTION_LENGTH 128
#define MAX_ADAPTER_ADDRESS_LENGTH 8
#define ERROR_NO_DATA 232L
#define MIB_IF_TYPE_OTHER 1
#define MIB_IF_TYPE_ETHERNET 6
#define MIB_IF_TYPE_LOOPBACK 24

struct IP_ADDRESS_STRING {
  char String[4 * 4];
};
using IP_MASK_STRING = IP_ADDRESS_STRING;

struct IP_ADDR_STRING {
  IP_ADDR_STRING* Next;
  IP_ADDRESS_STRING IpAddress;
  IP_MASK_STRING IpMask;
  DWORD Context;
};
using PIP_ADDR_STRING = IP_ADDR_STRING*;

struct IP_ADAPTER_INFO {
  IP_ADAPTER_INFO* Next;
  DWORD ComboIndex;
  char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
  char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
  UINT AddressLength;
  BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
  DWORD Index;
  UINT Type;
  UINT DhcpEnabled;
  PIP_ADDR_STRING CurrentIpAddress;
  IP_ADDR_STRING IpAddressList;
  IP_ADDR_STRING GatewayList;
  IP_ADDR_STRING DhcpServer;
  BOOL HaveWins;
  IP_ADDR_STRING PrimaryWinsServer;
  IP_ADDR_STRING SecondaryWinsServer;
  std::time_t LeaseObtained;
  std::time_t LeaseExpires;
};
using PIP_ADAPTER_INFO = IP_ADAPTER_INFO*;

// ERROR_SUCCESS; ERROR_BUFFER_OVERFLOW with *pOutBufLen set to the size needed;
// ERROR_NO_DATA when the machine has no adapter with an IPv4 address;
// ERROR_INVALID_PARAMETER for a null size.
RENPS_PLATFORM_API ULONG WINAPI GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer);

static_assert(sizeof(IP_ADDR_STRING) == 48);
static_assert(sizeof(IP_ADAPTER_INFO) == 704);

#endif
