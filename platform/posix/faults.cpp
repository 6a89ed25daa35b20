// The fault switch of the POSIX platform. Every call it covers counts itself
// here, armed or not, so a test can first learn how many calls a job makes
// and then fail each of them in turn.
#include <array>
#include <mutex>

#include "internal.h"

namespace platform::posix {
namespace {

constexpr std::size_t kCalls = static_cast<std::size_t>(host::FaultCall::FindResource) + 1;

struct Plan {
  std::uint32_t count = 0;
  std::uint32_t failAt = 0;  // 0: not armed
  bool everyLater = false;
  DWORD error = 0;
};

struct Faults {
  std::array<Plan, kCalls> plans;
  bool diskArmed = false;
  std::uint64_t diskLeft = 0;
};

std::mutex g_mutex;
Faults& State() {
  // Never destroyed: the platform's calls may come from static destructors.
  static auto* faults = new Faults();
  return *faults;
}

DWORD DefaultError(host::FaultCall call) {
  switch (call) {
    case host::FaultCall::CreateFile:
      return ERROR_ACCESS_DENIED;
    case host::FaultCall::ReadFile:
      return ERROR_READ_FAULT;
    case host::FaultCall::WriteFile:
    case host::FaultCall::WritePrinter:
      return ERROR_WRITE_FAULT;
    case host::FaultCall::FindResource:
      return ERROR_RESOURCE_NAME_NOT_FOUND;
  }
  return ERROR_GEN_FAILURE;
}

}  // namespace

bool FaultHere(host::FaultCall call) {
  DWORD error = 0;
  {
    std::lock_guard lock(g_mutex);
    Plan& plan = State().plans[static_cast<std::size_t>(call)];
    ++plan.count;
    const bool fails = plan.failAt != 0 && (plan.count == plan.failAt || (plan.everyLater && plan.count > plan.failAt));
    if (!fails) return false;
    error = plan.error != 0 ? plan.error : DefaultError(call);
  }
  SetLastError(error);
  return true;
}

std::size_t DiskRoom(std::size_t size) {
  std::lock_guard lock(g_mutex);
  Faults& faults = State();
  if (!faults.diskArmed) return size;
  const std::size_t room = faults.diskLeft < size ? static_cast<std::size_t>(faults.diskLeft) : size;
  faults.diskLeft -= room;
  if (room < size) SetLastError(ERROR_DISK_FULL);
  return room;
}

}  // namespace platform::posix

namespace platform::host {

using namespace platform::posix;

void InjectFault(FaultCall call, std::uint32_t failAtNthCall, bool everyLaterCall, DWORD error) {
  std::lock_guard lock(g_mutex);
  State().plans[static_cast<std::size_t>(call)] = Plan{0, failAtNthCall, everyLaterCall, error};
}

void InjectDiskFull(std::uint64_t bytesLeft) {
  std::lock_guard lock(g_mutex);
  State().diskArmed = true;
  State().diskLeft = bytesLeft;
}

std::uint32_t FaultCallCount(FaultCall call) {
  std::lock_guard lock(g_mutex);
  return State().plans[static_cast<std::size_t>(call)].count;
}

void ClearFaults() {
  std::lock_guard lock(g_mutex);
  State() = Faults();
}

}  // namespace platform::host
