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
// others in the printer's settings cache. A load reads them back. An object
// initialised to read cached blocks only (the default: inside the spooler a
// question to DeviceCapabilitiesW would come back to the driver) answers from
// them alone; otherwise a block that is absent or whose CRC does not match is
// produced again from what the spooler reports and written back.
//
// The same stored form travels in the private devmode's attributes
// (ExportBlocks/ImportBlocks, and the devmode argument of DeviceCapabilities):
// a blob of at least 4 bytes is a block, its data after the first 4.
//
// The bin questions (DC_BINS, DC_BINNAMES, kBinEntries) are answered from the
// bins the device reports ("XBinCaps") when the printer's "XLiveBins" value is
// non-zero, else from the installed options ("XOptions"); kBinRecords and
// kBinValues exist only for live bins, kOptionRecords only for the options.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/win32.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class CapabilityBlockSource;
class PersistentAttributes;

class MSDeviceCapabilities {
 public:
  // Private indices. Array answers copy one item per record: kBinEntries a
  // bin id (16 bits) and its name (24 units), 50 bytes; kBinValues the 32-bit
  // value of each live bin; kResolutions (kind, x, y); the record indices the
  // whole record of their block.
  static constexpr WORD kBinEntries = 65526;
  static constexpr WORD kResolutions = 65527;
  static constexpr WORD kPaperRecords = 65529;
  static constexpr WORD kColorDevice = 65530;
  static constexpr WORD kBinRecords = 65531;
  static constexpr WORD kBinValues = 65532;
  static constexpr WORD kOptionRecords = 65534;
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
  // other than the one held starts over: the blocks are loaded for it. Sets
  // the read-cached-only flag as asked; clearing it on a loaded object
  // produces the blocks that are still missing.
  void Initialize(HANDLE hPrinter, bool readCachedOnly = true);
  bool IsReadCachedOnly() const { return readCachedOnly_; }

  // The answer for one index. `output` (may be null) receives the index's
  // array data when it has any; `devmode` (may be null) the blocks a devmode
  // carries, which answer before the held ones; `callerValue` is the value the
  // caller already holds (DC_FIELDS adds to it). E_NOTIMPL for an index that
  // no block serves or whose block or word is absent;
  // HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) with `result` set to the
  // count when `outputSize` cannot hold the array. Initialize(hPrinter) first.
  HRESULT DeviceCapabilities(HANDLE hPrinter, WORD index, void* output, DWORD outputSize,
                             const CapabilityBlockSource* devmode, DWORD callerValue, DWORD& result);

  // Convenience over the two private questions. No colour answer is no
  // answer, not "monochrome"; no resolution answer is an empty list.
  std::optional<bool> IsColorDevice(HANDLE hPrinter, const CapabilityBlockSource* devmode = nullptr);
  std::vector<std::array<std::int32_t, 3>> GetResolutions(HANDLE hPrinter,
                                                          const CapabilityBlockSource* devmode = nullptr);
  // Whether the bin questions go to the bins the device reports.
  bool UsesLiveBins() const { return liveBins_; }

  // The data of a held block (without its CRC); empty when absent.
  const ByteBuffer& GetBlock(Block block) const;

  // The held blocks as named blobs in the capability namespace, and back.
  // Import takes every blob of at least 4 bytes and returns how many it took.
  void ExportBlocks(PersistentAttributes& attributes) const;
  int ImportBlocks(const PersistentAttributes& attributes);

 private:
  void ForgetPrinter();
  void Load();
  void LoadCachedBlocks();
  void ProduceMissingBlocks();
  void WriteDirtyBlocks();
  LONG Ask(WORD index, void* output);
  // The block that answers: the devmode's when it carries one, else the held one.
  const ByteBuffer& BlockFor(Block block, const CapabilityBlockSource* devmode, ByteBuffer& carried) const;

  HANDLE printer_ = nullptr;
  CXString printerName_;
  CXString port_;
  CXString driverFiles_;
  std::array<ByteBuffer, kBlockCount> blocks_;
  DWORD dirty_ = 0;
  CXString driverName_;
  CXString modelId_;
  bool readCachedOnly_ = true;
  bool liveBins_ = false;
  bool inSpooler_ = false;
  DWORD loadState_ = 0;
  HKEY hive_ = HKEY_LOCAL_MACHINE;
  DWORD settingsCacheCrc_ = 0;
};
