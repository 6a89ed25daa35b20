#include "DevmodeLayout.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace driversim {
namespace {

void Put16(std::uint8_t* p, std::size_t offset, std::uint16_t value) {
  p[offset] = static_cast<std::uint8_t>(value & 0xFF);
  p[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* p, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const std::uint8_t* p, std::size_t offset) {
  // Little-endian, as the driver stores it; one load where the machine is too.
  if constexpr (std::endian::native == std::endian::little) {
    std::uint32_t value = 0;
    std::memcpy(&value, p + offset, sizeof value);
    return value;
  }
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | p[offset + i];
  return value;
}

// The flag words overlap (bytes 4-5 and 5-6): each flag lives in the low byte
// of its word, so the bytes are the driver's real storage.
void SetBit(std::uint8_t* p, std::size_t byte, std::uint8_t bit, bool on) {
  if (on)
    p[byte] = static_cast<std::uint8_t>(p[byte] | bit);
  else
    p[byte] = static_cast<std::uint8_t>(p[byte] & ~bit);
}

void CopyName(WCHAR* target, const std::u16string& name, const char* what) {
  if (name.size() > 31) throw std::invalid_argument(std::string(what) + " longer than 31 characters");
  // The target is a zero-filled fixed field of 32 units: the zero is already there.
  std::memcpy(target, name.data(), name.size() * sizeof(char16_t));  // NOLINT(bugprone-not-null-terminated-result)
}

}  // namespace

DWORD AllPublicFields() {
  return DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE | DM_COPIES | DM_DEFAULTSOURCE |
         DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION | DM_TTOPTION | DM_COLLATE | DM_FORMNAME |
         DM_ICMMETHOD | DM_ICMINTENT | DM_MEDIATYPE | DM_DITHERTYPE;
}

std::vector<std::uint8_t> BuildDevmode(const PublicFields& fields, const DriverOptions& options,
                                       const std::optional<std::vector<std::uint8_t>>& pluginSection) {
  const std::size_t sectionSize = pluginSection ? pluginSection->size() : 0;
  const std::size_t driverExtra = kDriverPrivateSize + sectionSize;
  if (driverExtra > 0xFFFF) throw std::length_error("plug-in section too large for dmDriverExtra");

  std::vector<std::uint8_t> bytes(kPublicDevmodeSize + driverExtra, 0);
  DEVMODEW dm{};
  CopyName(dm.dmDeviceName, fields.deviceName, "device name");
  CopyName(dm.dmFormName, fields.formName, "form name");
  dm.dmSpecVersion = DM_SPECVERSION;
  dm.dmDriverVersion = 0x0600;
  dm.dmSize = static_cast<WORD>(kPublicDevmodeSize);
  dm.dmDriverExtra = static_cast<WORD>(driverExtra);
  dm.dmFields = fields.fields.value_or(AllPublicFields());
  dm.dmOrientation = fields.orientation;
  dm.dmPaperSize = fields.paperSize;
  dm.dmPaperLength = fields.paperLength;
  dm.dmPaperWidth = fields.paperWidth;
  dm.dmScale = fields.scale;
  dm.dmCopies = fields.copies;
  dm.dmDefaultSource = fields.defaultSource;
  dm.dmPrintQuality = fields.printQuality;
  dm.dmColor = fields.color;
  dm.dmDuplex = fields.duplex;
  dm.dmYResolution = fields.yResolution;
  dm.dmTTOption = fields.ttOption;
  dm.dmCollate = fields.collate;
  dm.dmICMMethod = fields.icmMethod;
  dm.dmICMIntent = fields.icmIntent;
  dm.dmMediaType = fields.mediaType;
  dm.dmDitherType = fields.ditherType;
  std::memcpy(bytes.data(), &dm, sizeof dm);

  std::uint8_t* privatePart = bytes.data() + kPublicDevmodeSize;
  WriteDriverOptions(privatePart, options);
  Put16(privatePart, layout::kSizeWord, static_cast<std::uint16_t>(kDriverPrivateSize));
  Put16(privatePart, layout::kSectionOffsetCopy, static_cast<std::uint16_t>(kDriverPrivateSize));
  if (pluginSection && !pluginSection->empty())
    std::memcpy(privatePart + kDriverPrivateSize, pluginSection->data(), sectionSize);
  return bytes;
}

const std::uint8_t* DriverPrivatePart(const DEVMODEW* devmode, std::size_t cbSize) {
  if (devmode == nullptr || cbSize < kPublicDevmodeSize) return nullptr;
  const std::size_t start = devmode->dmSize;
  if (start < kPublicDevmodeSize || devmode->dmDriverExtra < kDriverPrivateSize ||
      start + devmode->dmDriverExtra > cbSize)
    return nullptr;
  return reinterpret_cast<const std::uint8_t*>(devmode) + start;
}

std::uint8_t* DriverPrivatePart(DEVMODEW* devmode, std::size_t cbSize) {
  return const_cast<std::uint8_t*>(DriverPrivatePart(static_cast<const DEVMODEW*>(devmode), cbSize));
}

DriverOptions ReadDriverOptions(const std::uint8_t* p) {
  DriverOptions options;
  options.errorHandler = (p[layout::kFlagsWord] & layout::kFlagErrorHandler) != 0;
  options.mirror = (p[layout::kFlagsWord] & layout::kFlagMirror) != 0;
  options.negative = (p[layout::kFlagsWord] & layout::kFlagNegative) != 0;
  options.rotatedLandscape = (p[layout::kFlags2Word] & layout::kFlag2RotatedLandscape) != 0;
  options.metafileSpooling = (p[layout::kFlags2Word] & layout::kFlag2MetafileSpooling) != 0;
  options.outputFormat = Get32(p, layout::kOutputFormat);
  options.ttDownload = Get32(p, layout::kTrueTypeDownload);
  options.pageOrder = Get32(p, layout::kPageOrder);
  const std::uint32_t perSheet = Get32(p, layout::kPagesPerSheet);
  options.booklet = perSheet == layout::kPagesPerSheetBooklet;
  options.pagesPerSheet = options.booklet ? 0 : perSheet;
  options.languageLevel = Get32(p, layout::kLanguageLevel);
  return options;
}

void WriteDriverOptions(std::uint8_t* p, const DriverOptions& options) {
  SetBit(p, layout::kFlagsWord, layout::kFlagErrorHandler, options.errorHandler);
  SetBit(p, layout::kFlagsWord, layout::kFlagMirror, options.mirror);
  SetBit(p, layout::kFlagsWord, layout::kFlagNegative, options.negative);
  SetBit(p, layout::kFlags2Word, layout::kFlag2RotatedLandscape, options.rotatedLandscape);
  SetBit(p, layout::kFlags2Word, layout::kFlag2MetafileSpooling, options.metafileSpooling);
  Put32(p, layout::kOutputFormat, options.outputFormat);
  Put32(p, layout::kTrueTypeDownload, options.ttDownload);
  Put32(p, layout::kPageOrder, options.pageOrder);
  Put32(p, layout::kPagesPerSheet, options.booklet ? layout::kPagesPerSheetBooklet : options.pagesPerSheet);
  Put32(p, layout::kLanguageLevel, options.languageLevel);
}

}  // namespace driversim
