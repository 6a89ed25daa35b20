// The machine's network adapters over getifaddrs.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/netinfo.h"

namespace {

struct Adapter {
  std::string name;
  unsigned index = 0;
  std::vector<std::string> addresses;
  std::vector<std::string> masks;
};

std::string Dotted(const sockaddr* address) {
  if (address == nullptr || address->sa_family != AF_INET) return "0.0.0.0";
  char text[INET_ADDRSTRLEN] = {};
  const auto* in = reinterpret_cast<const sockaddr_in*>(address);
  if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) return "0.0.0.0";
  return text;
}

std::vector<Adapter> ListAdapters() {
  std::vector<Adapter> adapters;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return adapters;
  for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
    if ((it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0) continue;
    const std::string name = it->ifa_name != nullptr ? it->ifa_name : "";
    Adapter* adapter = nullptr;
    for (Adapter& known : adapters)
      if (known.name == name) adapter = &known;
    if (adapter == nullptr) {
      adapters.push_back(Adapter{name, if_nametoindex(name.c_str()), {}, {}});
      adapter = &adapters.back();
    }
    adapter->addresses.push_back(Dotted(it->ifa_addr));
    adapter->masks.push_back(Dotted(it->ifa_netmask));
  }
  freeifaddrs(list);
  return adapters;
}

void CopyText(char* to, std::size_t capacity, const std::string& text) {
  const std::size_t n = text.size() < capacity ? text.size() : capacity - 1;
  std::memcpy(to, text.data(), n);
  to[n] = 0;
}

}  // namespace

// The adapters, then the extra addresses of adapters with several, in one
// buffer as Windows lays it out: the IP_ADAPTER_INFO array first.
ULONG WINAPI GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer) {
  if (SizePointer == nullptr) return ERROR_INVALID_PARAMETER;
  const std::vector<Adapter> adapters = ListAdapters();
  if (adapters.empty()) return ERROR_NO_DATA;
  std::size_t extra = 0;
  for (const Adapter& adapter : adapters) extra += adapter.addresses.size() - 1;
  const std::size_t needed = adapters.size() * sizeof(IP_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING);
  if (AdapterInfo == nullptr || *SizePointer < needed) {
    *SizePointer = static_cast<ULONG>(needed);
    return ERROR_BUFFER_OVERFLOW;
  }
  std::memset(AdapterInfo, 0, needed);
  auto* more = reinterpret_cast<IP_ADDR_STRING*>(AdapterInfo + adapters.size());
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    const Adapter& adapter = adapters[i];
    IP_ADAPTER_INFO& info = AdapterInfo[i];
    info.Next = i + 1 < adapters.size() ? &AdapterInfo[i + 1] : nullptr;
    info.ComboIndex = adapter.index;
    info.Index = adapter.index;
    info.Type = MIB_IF_TYPE_ETHERNET;
    CopyText(info.AdapterName, sizeof info.AdapterName, adapter.name);
    CopyText(info.Description, sizeof info.Description, adapter.name);
    IP_ADDR_STRING* last = &info.IpAddressList;
    for (std::size_t a = 0; a < adapter.addresses.size(); ++a) {
      IP_ADDR_STRING* slot = a == 0 ? &info.IpAddressList : more++;
      CopyText(slot->IpAddress.String, sizeof slot->IpAddress.String, adapter.addresses[a]);
      CopyText(slot->IpMask.String, sizeof slot->IpMask.String, adapter.masks[a]);
      if (a > 0) last->Next = slot;
      last = slot;
    }
    CopyText(info.GatewayList.IpAddress.String, sizeof info.GatewayList.IpAddress.String, "0.0.0.0");
  }
  return ERROR_SUCCESS;
}
