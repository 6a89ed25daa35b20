// Answers to the Windows device-capability questions (the DC_* indices) and a
// few private ones, from capability blocks prepared ahead of time so that no
// answer has to ask the device. Each device context owns one.
//
// The plug-in itself asks two private questions: whether the device prints
// colour (kColorDevice) and the device's resolution list (kResolutions).
//
// A block is an array of little-endian words (layouts in the .cpp beside each
// reader). Blocks live, each as its CRC-32 followed by its data, in two caches
// under the printer's data: "XOptions" in the cache of the printer's port, the
// others in the printer's settings cache. A load reads them back; a block that
// is absent or whose CRC does not match is produced again from what the
// spooler reports (DeviceCapabilitiesW) and written back. The same stored form
// can travel in the private devmode's attributes (ExportBlocks/ImportBlocks).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/win32.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class AttributeBytesReader;
class PersistentAttributes;

class MSDeviceCapabilities {
 public:
  static constexpr WORD kResolutions = 65527;
  static constexpr WORD kColorDevice = 65530;
  // The spooler's driver-private index whose answer is the resolution list's flag word.
  static constexpr WORD kDriverResolutionFlags = 0xFFFA;
  // The signature of the printer's settings cache.
  static constexpr DWORD kSettingsCacheSignature = 0x534B47B3;

  enum Block : int {
    kDevCapsBlock,
    kResolutionsBlock,
    kPaperCapsBlock,
    kBinCapsBlock,
    kOptionsBlock,
    kMediaCapsBlock,
    kMediaReadyBlock,
    kDependentFilesBlock,
    kBlockCount
  };
  // "XDevCaps", "XResolutions", ... as stored.
  static const char16_t* BlockName(Block block);

  MSDeviceCapabilities();
  MSDeviceCapabilities(const MSDeviceCapabilities&) = delete;
  MSDeviceCapabilities& operator=(const MSDeviceCapabilities&) = delete;
  virtual ~MSDeviceCapabilities();

  // A null or all-ones handle throws ExceptionInvalidPrinterHandle. A handle
  // other than the one held starts over: the blocks are loaded for it.
  void Initialize(HANDLE hPrinter);

  // The answer for one index. `output` (may be null) receives the index's
  // array data when it has any; `callerValue` is the value the caller already
  // holds (DC_FIELDS adds to it). E_NOTIMPL for an index that no block serves
  // or whose block or word is absent; HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)
  // with `result` set to the count when `outputSize` cannot hold the array.
  HRESULT DeviceCapabilities(HANDLE hPrinter, WORD index, void* output, DWORD outputSize,
                             const AttributeBytesReader* reader, DWORD callerValue, DWORD& result);

  // Convenience over the two private questions. A device that gives no
  // colour answer counts as not colour; no resolution answer is an empty list.
  bool IsColorDevice(HANDLE hPrinter);
  std::vector<std::array<std::int32_t, 3>> GetResolutions(HANDLE hPrinter);

  // The data of a held block (without its CRC); empty when absent.
  const ByteBuffer& GetBlock(Block block) const;

  // The held blocks as named blobs in the capability namespace, and back.
  // Import takes a blob only when its CRC matches; it returns how many it took.
  void ExportBlocks(PersistentAttributes& attributes) const;
  int ImportBlocks(const PersistentAttributes& attributes);

 private:
  void ForgetPrinter();
  void Load();
  void LoadCachedBlocks();
  void ProduceMissingBlocks();
  void WriteDirtyBlocks();
  LONG Ask(WORD index, void* output);

  HANDLE printer_ = nullptr;
  CXString printerName_;
  CXString port_;
  CXString driverFiles_;
  std::array<ByteBuffer, kBlockCount> blocks_;
  DWORD dirty_ = 0;
  CXString driverName_;
  CXString modelId_;
  bool inSpooler_ = false;
  DWORD loadState_ = 0;
  HKEY hive_ = HKEY_LOCAL_MACHINE;
  DWORD settingsCacheCrc_ = 0;
};
