// Feeds arbitrary capability blocks to the device-capability answers, as the
// private devmode's attributes carry them (the stored form: a CRC-32, then
// the block's words).
//
// Input: byte 0 says which of the eight blocks are present (bit b: block b);
// byte 1 which of them are stored as given instead of behind a right CRC;
// then per present block a 16-bit length and that many bytes (fewer when the
// input ends). A block behind a right CRC must be taken, one whose CRC is
// wrong must not. Then every index is asked with no buffer and with buffers
// of many sizes, each exactly that size on the heap: an answer writes inside
// its buffer, and a buffer refused as too small is left untouched.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>

#include "capabilities/MSDeviceCapabilities.h"
#include "platform/posixhost.h"
#include "platform/text.h"
#include "zqutil/Crc32.h"
#include "zqutil/PersistentAttributes.h"

namespace {

constexpr HRESULT kInsufficientBuffer = static_cast<HRESULT>(0x8007007A);
constexpr std::uint8_t kUntouched = 0xA5;
// Field sizes of the array answers, and sizes around them.
constexpr std::size_t kFieldSizes[] = {1, 2, 4, 8, 12, 48, 56, 98, 128, 148};

HANDLE g_printer = nullptr;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The questions whose answer is an array: the Windows ones and the private
// whole-record ones (resolutions, papers, bins, options).
bool IsArrayQuestion(WORD index) {
  switch (index) {
    case DC_PAPERS:
    case DC_PAPERSIZE:
    case DC_BINS:
    case DC_BINNAMES:
    case DC_ENUMRESOLUTIONS:
    case DC_PAPERNAMES:
    case DC_MEDIAREADY:
    case DC_MEDIATYPENAMES:
    case DC_MEDIATYPES:
    case MSDeviceCapabilities::kResolutions:
    case 65529:
    case 65531:
    case 65534:
      return true;
    default:
      return false;
  }
}

void Ask(MSDeviceCapabilities& caps, WORD index) {
  DWORD count = 0;
  const HRESULT first = caps.DeviceCapabilities(g_printer, index, nullptr, 0, nullptr, 1, count);
  Check(first == S_OK || first == E_NOTIMPL);
  if (first != S_OK || !IsArrayQuestion(index)) return;
  // A list comes from a block of at most 64 KiB.
  Check(count <= 0xFFFF);
  for (std::size_t field : kFieldSizes) {
    for (std::size_t size : {field * count, field * count - (count != 0 ? 1 : 0)}) {
      auto buffer = std::make_unique<std::uint8_t[]>(size);
      std::memset(buffer.get(), kUntouched, size);
      DWORD again = 0;
      const HRESULT hr =
          caps.DeviceCapabilities(g_printer, index, buffer.get(), static_cast<DWORD>(size), nullptr, 1, again);
      Check(hr == S_OK || hr == kInsufficientBuffer);
      Check(again == count);
      if (hr == kInsufficientBuffer) {
        for (std::size_t i = 0; i < size; ++i) Check(buffer[i] == kUntouched);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A printer of the POSIX spooler in a state directory of the run's own.
  char pattern[] = "/tmp/renps-fuzz-caps-XXXXXX";
  const char* directory = mkdtemp(pattern);
  if (directory == nullptr) std::abort();
  platform::host::SetStateDirectory(directory);
  platform::host::PrinterDescription printer;
  printer.name = u"Fuzz Caps";
  printer.port = u"IP_192.0.2.40";
  printer.resolutions = {{0, 300, 300}, {0, 600, 600}};
  platform::host::RegisterPrinter(printer, [](const void*, std::size_t) { return true; });
  std::u16string name = printer.name;
  if (!OpenPrinterW(platform::W(name.data()), &g_printer, nullptr)) std::abort();
  // The first load stores the blocks it built; later ones only read them.
  MSDeviceCapabilities caps;
  caps.Initialize(g_printer);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t present = data[0];
  const std::uint8_t raw = data[1];
  std::size_t at = 2;
  PersistentAttributes attributes;
  int expected = 0;
  for (int b = 0; b < MSDeviceCapabilities::kBlockCount; ++b) {
    if ((present & (1u << b)) == 0) continue;
    std::size_t length = 0;
    if (at + 2 <= size) {
      length = static_cast<std::size_t>(data[at] | (data[at + 1] << 8));
      at += 2;
    }
    if (length > size - at) length = size - at;
    ByteBuffer stored;
    if ((raw & (1u << b)) != 0) {
      stored = ByteBuffer(data + at, length);
      // Any blob of at least 4 bytes is taken as a block; its CRC is not checked.
      if (length >= 4) ++expected;
    } else {
      stored.appendDword(Crc32::GetCrc(data + at, length));
      stored.append(ByteBuffer(data + at, length));
      ++expected;
    }
    at += length;
    attributes.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace,
                       MSDeviceCapabilities::BlockName(static_cast<MSDeviceCapabilities::Block>(b)), stored);
  }

  MSDeviceCapabilities caps;
  caps.Initialize(g_printer);
  const PersistentAttributes copy(attributes.GetBytes(), false);
  Check(caps.ImportBlocks(copy) == expected);

  for (WORD index = 1; index <= 40; ++index) Ask(caps, index);
  for (WORD index = 0xFFF0; index != 0; ++index) Ask(caps, index);
  caps.IsColorDevice(g_printer);
  caps.GetResolutions(g_printer);
  return 0;
}
