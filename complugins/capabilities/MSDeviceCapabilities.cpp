#include "capabilities/MSDeviceCapabilities.h"

#include "capabilities/CapabilityBlockSource.h"

#include <cstring>
#include <optional>

#include "platform/text.h"
#include "zqutil/Crc32.h"
#include "zqutil/DataCache.h"
#include "zqutil/DriverLoadedContext.h"
#include "zqutil/PersistentAttributes.h"
#include "zqutil/PrintDriver.h"
#include "zqutil/Printer.h"
#include "zqutil/PrinterDataNames.h"
#include "zqutil/TamorException.h"
#include "zqutil/TamorUtilities.h"

namespace {

constexpr const char* kSource = "complugins/msdevicecapabilities";
constexpr HRESULT kInsufficientBuffer = static_cast<HRESULT>(0x8007007A);  // HRESULT_FROM_WIN32(122)
constexpr char16_t kCapsFlagsName[] = u"XCapsFlags";
constexpr DWORD kFieldsBits = 0x2019902;
// Longest list taken from the spooler; a larger count is a broken answer.
constexpr LONG kMaxListed = 4096;

using Block = MSDeviceCapabilities::Block;

constexpr const char16_t* kBlockNames[MSDeviceCapabilities::kBlockCount] = {
    u"XDevCaps", u"XResolutions", u"XPaperCaps",  u"XBinCaps",
    u"XOptions", u"XMediaCaps",   u"XMediaReady", u"XDependentFilesCaps"};
// Bits of the dirty word that make a block be written. They overlap (the
// media-ready bit lies inside the general block's range); a write of an
// unchanged block is skipped by the cache.
constexpr DWORD kDirtyBits[MSDeviceCapabilities::kBlockCount] = {0x7FF,   0x800,  0x2000, 0x4000,
                                                                 0x10000, 0x8000, 0x200,  0x1000};

// Listing blocks: a count word, then fixed-size records.
//   XResolutions  count at 0, flag word at 4, records of 12 from 8: kind, x dpi, y dpi
//   XPaperCaps    count at 4, records of 148 from 8: id (16 bits in a word), width,
//                 length (tenths of a millimetre), a further word, type, name of 64 units
//   XBinCaps      count at 0, records of 56 from 8: id (16 bits), value at 4, name of 24 units at 8
//   XOptions      count at 8, records of 98 from 16: id (16 bits), names of 24 units at 2 and 50
//   XMediaCaps    count at 0, records of 132 from 8: media type id, name of 64 units at 4
//   XMediaReady   count at 0, records of 256 from 8: name of 64 units, second text of 64 at 128
struct RecordLayout {
  std::size_t countOffset;
  std::size_t firstOffset;
  std::size_t recordSize;  // 0: not a listing
};
constexpr RecordLayout kLayouts[MSDeviceCapabilities::kBlockCount] = {{0, 0, 0},   {0, 8, 12},  {4, 8, 148}, {0, 8, 56},
                                                                      {8, 16, 98}, {0, 8, 132}, {0, 8, 256}, {0, 0, 0}};

// Array answers copy one item per record, made of one or two fields of the
// record. The bin questions go to one of two blocks by the live-bins choice.
// Entries marked `produce` are also how the block is filled from the
// spooler's answer to the same index (the first such entry of a block gives
// the record count).
struct Field {
  std::size_t offset;
  std::size_t size;  // 0: none
};
enum class Bins { kAny, kLive, kOptions };
struct ArrayAnswer {
  WORD index;
  Block block;
  Field first;
  Field second;
  Bins bins;
  bool produce;
  std::size_t ItemSize() const { return first.size + second.size; }
};
constexpr Field kNone{0, 0};
constexpr ArrayAnswer kArrayAnswers[] = {
    {DC_ENUMRESOLUTIONS, MSDeviceCapabilities::kResolutionsBlock, {4, 8}, kNone, Bins::kAny, true},
    {MSDeviceCapabilities::kResolutions, MSDeviceCapabilities::kResolutionsBlock, {0, 12}, kNone, Bins::kAny, false},
    {DC_PAPERS, MSDeviceCapabilities::kPaperCapsBlock, {0, 2}, kNone, Bins::kAny, true},
    {DC_PAPERSIZE, MSDeviceCapabilities::kPaperCapsBlock, {4, 8}, kNone, Bins::kAny, true},
    {DC_PAPERNAMES, MSDeviceCapabilities::kPaperCapsBlock, {20, 128}, kNone, Bins::kAny, true},
    {MSDeviceCapabilities::kPaperRecords, MSDeviceCapabilities::kPaperCapsBlock, {0, 148}, kNone, Bins::kAny, false},
    {DC_BINS, MSDeviceCapabilities::kBinCapsBlock, {0, 2}, kNone, Bins::kLive, true},
    {DC_BINNAMES, MSDeviceCapabilities::kBinCapsBlock, {8, 48}, kNone, Bins::kLive, true},
    {MSDeviceCapabilities::kBinEntries, MSDeviceCapabilities::kBinCapsBlock, {0, 2}, {8, 48}, Bins::kLive, false},
    {MSDeviceCapabilities::kBinRecords, MSDeviceCapabilities::kBinCapsBlock, {0, 56}, kNone, Bins::kLive, false},
    {MSDeviceCapabilities::kBinValues, MSDeviceCapabilities::kBinCapsBlock, {4, 4}, kNone, Bins::kLive, false},
    {DC_BINS, MSDeviceCapabilities::kOptionsBlock, {0, 2}, kNone, Bins::kOptions, false},
    {DC_BINNAMES, MSDeviceCapabilities::kOptionsBlock, {2, 48}, kNone, Bins::kOptions, false},
    {MSDeviceCapabilities::kBinEntries, MSDeviceCapabilities::kOptionsBlock, {0, 50}, kNone, Bins::kOptions, false},
    {MSDeviceCapabilities::kOptionRecords, MSDeviceCapabilities::kOptionsBlock, {0, 98}, kNone, Bins::kAny, false},
    {DC_MEDIATYPES, MSDeviceCapabilities::kMediaCapsBlock, {0, 4}, kNone, Bins::kAny, true},
    {DC_MEDIATYPENAMES, MSDeviceCapabilities::kMediaCapsBlock, {4, 128}, kNone, Bins::kAny, true},
    {DC_MEDIAREADY, MSDeviceCapabilities::kMediaReadyBlock, {0, 128}, kNone, Bins::kAny, true},
};

// "XDevCaps": word 1 holds flag bits telling which later words are valid.
// `spoolerIndex` is what the spooler is asked to fill the word (0: not asked).
struct WordAnswer {
  WORD index;
  DWORD flag;
  std::size_t word;  // 1-based, as the layout counts them
  WORD spoolerIndex;
};
constexpr WordAnswer kWordAnswers[] = {
    {65533, 0x1, 2, 0},
    {MSDeviceCapabilities::kColorDevice, 0x2, 3, DC_COLORDEVICE},
    {DC_COPIES, 0x4, 4, DC_COPIES},
    {DC_DUPLEX, 0x8, 5, DC_DUPLEX},
    {DC_PRINTERMEM, 0x10, 6, DC_PRINTERMEM},
    {DC_PRINTRATEPPM, 0x40, 7, DC_PRINTRATEPPM},
    {DC_PRINTRATE, 0x20, 8, DC_PRINTRATE},
    {DC_PRINTRATEUNIT, 0x80, 9, DC_PRINTRATEUNIT},
    {DC_STAPLE, 0x100, 10, DC_STAPLE},
    {DC_MINEXTENT, 0x400, 11, DC_MINEXTENT},
    {DC_MAXEXTENT, 0x400, 12, DC_MAXEXTENT},
};
constexpr std::size_t kDevCapsWords = 12;
constexpr DWORD kColorFlag = 0x2;
// The block keeps print-rate units as data-model values; Windows counts them 1 to 4.
constexpr DWORD kFirstRateUnitValue = 6700;
constexpr DWORD kRateUnitCount = 4;

// Steps of a load; each is done once per printer.
enum LoadStep : DWORD {
  kStepName = 0x1,
  kStepPort = 0x2,
  kStepCacheCrc = 0x4,
  kStepPortCache = 0x8,
  kStepPrinterCache = 0x10,
  kStepContext = 0x20,
  kStepDriverType = 0x40,
  kStepModelId = 0x80,
  kStepDependentFiles = 0x100,
  kStepProduced = 0x200,
  kLoaded = 0x3FF,
};
// The dependent files text: data file, dependent files and help file.
constexpr int kDependentFileKinds = PrintDriver::kDataFile | PrintDriver::kDependentFiles | PrintDriver::kHelpFile;

bool ReadDword(const ByteBuffer& bytes, std::size_t offset, DWORD& value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return false;
  const std::uint8_t* p = bytes.getLpbyte() + offset;
  value = static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
          static_cast<DWORD>(p[3]) << 24;
  return true;
}

void WriteDword(ByteBuffer& bytes, std::size_t offset, DWORD value) {
  std::uint8_t* p = bytes.getLpbyte() + offset;
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Record count of a listing block, or nothing when the block cannot hold it.
std::optional<std::size_t> RecordCount(const ByteBuffer& block, const RecordLayout& layout) {
  DWORD count = 0;
  if (layout.recordSize == 0 || !ReadDword(block, layout.countOffset, count) || block.size() < layout.firstOffset ||
      count > (block.size() - layout.firstOffset) / layout.recordSize) {
    return std::nullopt;
  }
  return count;
}

// The stored form: CRC-32 of the data, then the data.
ByteBuffer WithCrc(const ByteBuffer& data) {
  ByteBuffer stored;
  stored.resize(4);
  WriteDword(stored, 0, Crc32::GetCrc(data.getLpbyte(), data.size()));
  stored.append(data);
  return stored;
}

// The data of a block a devmode carries: a blob of at least 4 bytes is one,
// whatever its CRC says (its readers are bounded by its size alone).
std::optional<ByteBuffer> CarriedData(const ByteBuffer& stored) {
  if (stored.size() < 4) return std::nullopt;
  return ByteBuffer(stored.getLpbyte() + 4, stored.size() - 4);
}

// The data of a block stored in a cache, or nothing when it is too short or
// its CRC fails (another process may be writing it: it is produced again).
std::optional<ByteBuffer> WithoutCrc(const ByteBuffer& stored) {
  DWORD crc = 0;
  if (!ReadDword(stored, 0, crc)) return std::nullopt;
  ByteBuffer data(stored.getLpbyte() + 4, stored.size() - 4);
  if (Crc32::GetCrc(data.getLpbyte(), data.size()) != crc) return std::nullopt;
  return data;
}

bool IsValidHandle(HANDLE hPrinter) {
  return hPrinter != nullptr && hPrinter != INVALID_HANDLE_VALUE;
}

}  // namespace

const char16_t* MSDeviceCapabilities::BlockName(Block block) {
  return block >= 0 && block < kBlockCount ? kBlockNames[block] : u"";
}

MSDeviceCapabilities::MSDeviceCapabilities() = default;
MSDeviceCapabilities::~MSDeviceCapabilities() = default;

void MSDeviceCapabilities::Initialize(HANDLE hPrinter, bool readCachedOnly) {
  if (!IsValidHandle(hPrinter)) {
    TamorThrow<ExceptionInvalidPrinterHandle>(kSource, __LINE__, "MSDeviceCapabilities::Initialize",
                                              u"MSDeviceCapabilities::Initialize");
  }
  // Blocks left missing while only the caches could be read are produced now.
  if (readCachedOnly_ && !readCachedOnly) loadState_ &= ~kStepProduced;
  readCachedOnly_ = readCachedOnly;
  if (hPrinter != printer_) {
    ForgetPrinter();
    printer_ = hPrinter;
  } else if (loadState_ == kLoaded) {
    // Another process may have rebuilt the blocks meanwhile (take its work),
    // and a change of context may put the caches elsewhere.
    if (TamorUtilities::GetRegistryHiveByContext() != hive_ ||
        DataCache(printer_, kSettingsCacheSignature).GetCurrentCRC() != settingsCacheCrc_) {
      loadState_ &= ~(kStepCacheCrc | kStepPortCache | kStepPrinterCache | kStepProduced);
    }
  }
  if (loadState_ != kLoaded) Load();
}

void MSDeviceCapabilities::ForgetPrinter() {
  printerName_.Empty();
  port_.Empty();
  driverFiles_.Empty();
  driverName_.Empty();
  modelId_.Empty();
  for (ByteBuffer& block : blocks_) block.clear();
  dirty_ = 0;
  loadState_ = 0;
  settingsCacheCrc_ = 0;
}

void MSDeviceCapabilities::Load() {
  Printer printer(printer_);
  if (!(loadState_ & kStepName)) {
    printer.GetPrinterName(printerName_);
    loadState_ |= kStepName;
  }
  if (!(loadState_ & kStepPort)) {
    printer.GetPrinterPort(port_);
    loadState_ |= kStepPort;
  }
  if (!(loadState_ & kStepCacheCrc)) {
    hive_ = TamorUtilities::GetRegistryHiveByContext();
    settingsCacheCrc_ = DataCache(printer_, kSettingsCacheSignature).GetCurrentCRC();
    loadState_ |= kStepCacheCrc;
  }
  if ((loadState_ & (kStepPortCache | kStepPrinterCache)) != (kStepPortCache | kStepPrinterCache)) {
    LoadCachedBlocks();
    loadState_ |= kStepPortCache | kStepPrinterCache;
  }
  if (!(loadState_ & kStepContext)) {
    inSpooler_ = DriverLoadedContext::IsSpoolerContext();
    loadState_ |= kStepContext;
  }
  if (!(loadState_ & kStepDriverType)) {
    driverName_ = PrintDriver::GetDriverName(printer_);
    loadState_ |= kStepDriverType;
  }
  if (!(loadState_ & kStepModelId)) {
    modelId_ = printer.GetModelId();
    DWORD liveBins = 0;
    liveBins_ = printer.GetPrinterDataDword(PrinterDataNames::kLiveBins, liveBins) && liveBins != 0;
    loadState_ |= kStepModelId;
  }
  if (!(loadState_ & kStepDependentFiles)) {
    // Only the dependent-files block would need them; no answer depends on it.
    try {
      driverFiles_ = PrintDriver::GetDriverFiles(printer_, kDependentFileKinds, CXString());
    } catch (const TamorException& e) {
      TamorUtilities::debugDisplayExceptionMessage(nullptr, &e, "MSDeviceCapabilities::Load", nullptr);
    }
    loadState_ |= kStepDependentFiles;
  }
  if (!(loadState_ & kStepProduced)) {
    if (!readCachedOnly_) {
      ProduceMissingBlocks();
      WriteDirtyBlocks();
    }
    loadState_ |= kStepProduced;
  }
}

void MSDeviceCapabilities::LoadCachedBlocks() {
  DataCache settings(printer_, kSettingsCacheSignature);
  std::optional<DataCache> perPort;
  if (!port_.IsEmpty()) perPort.emplace(printer_, TamorUtilities::ConvertPortNameToRegistryKey(port_), 0xFFFFFFFFu);
  for (int b = 0; b < kBlockCount; ++b) {
    const DataCache* cache = b == kOptionsBlock ? (perPort ? &*perPort : nullptr) : &settings;
    blocks_[b].clear();
    if (cache == nullptr) continue;
    std::optional<ByteBuffer> data = WithoutCrc(cache->GetCachedBytesValue(kBlockNames[b]));
    if (data) blocks_[b] = std::move(*data);
  }
}

LONG MSDeviceCapabilities::Ask(WORD index, void* output) {
  if (printerName_.IsEmpty()) return -1;
  return static_cast<LONG>(DeviceCapabilitiesW(platform::W(printerName_.c_str()), platform::W(port_.c_str()), index,
                                               static_cast<LPWSTR>(output), nullptr));
}

void MSDeviceCapabilities::ProduceMissingBlocks() {
  if (blocks_[kDevCapsBlock].empty()) {
    ByteBuffer block;
    block.resize(kDevCapsWords * 4);
    DWORD flags = 0;
    for (const WordAnswer& answer : kWordAnswers) {
      if (answer.spoolerIndex == 0) continue;
      LONG value = Ask(answer.spoolerIndex, nullptr);
      if (value == -1) continue;
      DWORD word = static_cast<DWORD>(value);
      if (answer.index == DC_PRINTRATEUNIT) {
        if (word < 1 || word > kRateUnitCount) continue;
        word += kFirstRateUnitValue - 1;
      }
      flags |= answer.flag;
      WriteDword(block, (answer.word - 1) * 4, word);
    }
    if (flags != 0) {
      WriteDword(block, 0, flags);
      blocks_[kDevCapsBlock] = std::move(block);
      dirty_ |= kDirtyBits[kDevCapsBlock];
    }
  }

  for (int b = 0; b < kBlockCount; ++b) {
    const RecordLayout& layout = kLayouts[b];
    if (!blocks_[b].empty() || layout.recordSize == 0) continue;
    ByteBuffer block;
    std::size_t count = 0;
    for (const ArrayAnswer& column : kArrayAnswers) {
      if (column.block != b || !column.produce) continue;
      LONG listed = Ask(column.index, nullptr);
      bool first = block.empty();
      if (listed <= 0 || listed > kMaxListed || (!first && static_cast<std::size_t>(listed) != count)) {
        if (first) break;  // the block's defining list is missing
        continue;          // a companion list that does not match is left zero
      }
      std::vector<std::uint8_t> values(static_cast<std::size_t>(listed) * column.first.size);
      LONG filled = Ask(column.index, values.data());
      if (filled != listed) {
        if (first) break;
        continue;
      }
      if (first) {
        count = static_cast<std::size_t>(listed);
        block.resize(layout.firstOffset + count * layout.recordSize);
        WriteDword(block, layout.countOffset, static_cast<DWORD>(count));
      }
      for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(block.getLpbyte() + layout.firstOffset + i * layout.recordSize + column.first.offset,
                    values.data() + i * column.first.size, column.first.size);
      }
    }
    if (block.empty()) continue;
    if (b == kResolutionsBlock) {
      LONG flags = Ask(kDriverResolutionFlags, nullptr);
      WriteDword(block, 4, flags == -1 ? 0 : static_cast<DWORD>(flags));
    }
    blocks_[b] = std::move(block);
    dirty_ |= kDirtyBits[b];
  }
}

void MSDeviceCapabilities::WriteDirtyBlocks() {
  if (dirty_ == 0) return;
  // The blocks are answered from memory either way; a store that refuses the
  // write costs only the next process a rebuild.
  try {
    DataCache settings(printer_, kSettingsCacheSignature);
    std::optional<DataCache> perPort;
    if (!port_.IsEmpty()) perPort.emplace(printer_, TamorUtilities::ConvertPortNameToRegistryKey(port_), 0xFFFFFFFFu);
    for (int b = 0; b < kBlockCount; ++b) {
      if ((dirty_ & kDirtyBits[b]) == 0 || blocks_[b].empty()) continue;
      DataCache* cache = b == kOptionsBlock ? (perPort ? &*perPort : nullptr) : &settings;
      if (cache != nullptr) cache->SetCachedValue(kBlockNames[b], WithCrc(blocks_[b]), true);
    }
    ByteBuffer flags;
    flags.resize(4);
    WriteDword(flags, 0, dirty_);
    settings.SetCachedValue(kCapsFlagsName, WithCrc(flags), true);
    dirty_ = 0;
    settingsCacheCrc_ = settings.GetCurrentCRC();
  } catch (const TamorException& e) {
    TamorUtilities::debugDisplayExceptionMessage(nullptr, &e, "MSDeviceCapabilities::WriteDirtyBlocks", nullptr);
  }
}

const ByteBuffer& MSDeviceCapabilities::BlockFor(Block block, const CapabilityBlockSource* devmode,
                                                 ByteBuffer& carried) const {
  ByteBuffer stored;
  if (devmode != nullptr && devmode->GetCapabilityBlock(kBlockNames[block], stored)) {
    if (std::optional<ByteBuffer> data = CarriedData(stored)) {
      carried = std::move(*data);
      return carried;
    }
  }
  return blocks_[block];
}

HRESULT MSDeviceCapabilities::DeviceCapabilities(HANDLE hPrinter, WORD index, void* output, DWORD outputSize,
                                                 const CapabilityBlockSource* devmode, DWORD callerValue,
                                                 DWORD& result) {
  Initialize(hPrinter, readCachedOnly_);
  result = 0;
  ByteBuffer carried;
  const ByteBuffer& devCaps = BlockFor(kDevCapsBlock, devmode, carried);
  DWORD flags = 0;
  bool haveDevCaps = ReadDword(devCaps, 0, flags);

  switch (index) {
    case DC_FIELDS:
      if (!haveDevCaps) return E_NOTIMPL;
      result = callerValue | kFieldsBits;
      return S_OK;
    case DC_COLLATE:
      if (!haveDevCaps) return E_NOTIMPL;
      result = 1;
      return S_OK;
    case DC_COLORDEVICE: {
      if (!haveDevCaps) return E_NOTIMPL;
      DWORD color = 0;
      result = (flags & kColorFlag) != 0 && ReadDword(devCaps, 8, color) && color != 0 && callerValue != 0 ? 1 : 0;
      return S_OK;
    }
    default:
      break;
  }

  for (const WordAnswer& answer : kWordAnswers) {
    if (answer.index != index) continue;
    DWORD word = 0;
    if (!haveDevCaps || (flags & answer.flag) == 0 || !ReadDword(devCaps, (answer.word - 1) * 4, word)) {
      return E_NOTIMPL;
    }
    if (index == DC_PRINTRATEUNIT) {
      if (word < kFirstRateUnitValue || word >= kFirstRateUnitValue + kRateUnitCount) return E_NOTIMPL;
      word = word - kFirstRateUnitValue + 1;
    }
    result = word;
    return S_OK;
  }

  for (const ArrayAnswer& answer : kArrayAnswers) {
    if (answer.index != index) continue;
    if (answer.bins != Bins::kAny && (answer.bins == Bins::kLive) != liveBins_) continue;
    ByteBuffer carriedList;
    const ByteBuffer& block = BlockFor(answer.block, devmode, carriedList);
    const RecordLayout& layout = kLayouts[answer.block];
    std::optional<std::size_t> count = RecordCount(block, layout);
    if (!count) continue;
    result = static_cast<DWORD>(*count);
    if (output == nullptr) return S_OK;
    const std::size_t itemSize = answer.ItemSize();
    if (outputSize / itemSize < *count) return kInsufficientBuffer;
    auto* out = static_cast<std::uint8_t*>(output);
    for (std::size_t i = 0; i < *count; ++i) {
      const std::uint8_t* record = block.getLpbyte() + layout.firstOffset + i * layout.recordSize;
      std::memcpy(out + i * itemSize, record + answer.first.offset, answer.first.size);
      if (answer.second.size != 0)
        std::memcpy(out + i * itemSize + answer.first.size, record + answer.second.offset, answer.second.size);
    }
    return S_OK;
  }
  return E_NOTIMPL;
}

std::optional<bool> MSDeviceCapabilities::IsColorDevice(HANDLE hPrinter, const CapabilityBlockSource* devmode) {
  DWORD result = 0;
  if (DeviceCapabilities(hPrinter, kColorDevice, nullptr, 0, devmode, 0, result) != S_OK) return std::nullopt;
  return result != 0;
}

std::vector<std::array<std::int32_t, 3>> MSDeviceCapabilities::GetResolutions(HANDLE hPrinter,
                                                                              const CapabilityBlockSource* devmode) {
  std::vector<std::array<std::int32_t, 3>> resolutions;
  DWORD count = 0;
  if (DeviceCapabilities(hPrinter, kResolutions, nullptr, 0, devmode, 0, count) != S_OK || count == 0) {
    return resolutions;
  }
  resolutions.resize(count);
  DWORD written = 0;
  if (DeviceCapabilities(hPrinter, kResolutions, resolutions.data(), static_cast<DWORD>(count * 12), devmode, 0,
                         written) != S_OK) {
    resolutions.clear();
  }
  return resolutions;
}

const ByteBuffer& MSDeviceCapabilities::GetBlock(Block block) const {
  static const ByteBuffer kNone;
  return block >= 0 && block < kBlockCount ? blocks_[block] : kNone;
}

void MSDeviceCapabilities::ExportBlocks(PersistentAttributes& attributes) const {
  for (int b = 0; b < kBlockCount; ++b) {
    if (blocks_[b].empty()) continue;
    attributes.SetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, kBlockNames[b], WithCrc(blocks_[b]));
  }
}

int MSDeviceCapabilities::ImportBlocks(const PersistentAttributes& attributes) {
  int taken = 0;
  for (int b = 0; b < kBlockCount; ++b) {
    ByteBuffer stored;
    if (!attributes.GetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, kBlockNames[b], stored)) continue;
    std::optional<ByteBuffer> data = CarriedData(stored);
    if (!data) continue;
    blocks_[b] = std::move(*data);
    ++taken;
  }
  return taken;
}
