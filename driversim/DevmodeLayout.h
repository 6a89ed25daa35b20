// The PostScript driver's devmode as this driver lays it out: the public
// DEVMODEW (220 bytes), then the driver's own private part, then the
// plug-in's section.
//
// Private part (offsets in bytes from its start, little-endian; 16-bit words
// may sit at odd offsets and overlap, as the driver's flag word does):
//     4  word: 0x02 send error handler, 0x04 mirror, 0x10 negative
//     5  word: 0x02 rotated landscape, 0x20 metafile spooling
//     8  word: offset of the plug-in section (a copy of wSize)
//   114  word "wSize": size of the driver's private part; the plug-in section follows it
//   124  output format (0 speed, 1 portability, 2 EPS, 3 archive)
//   128  TrueType download (0 automatic, 1 outline, 2 bitmap, 3 native)
//   132  page order (0 front to back, 1 back to front)
//   136  pages-per-sheet code (0..5 = 1, 2, 4, 6, 9, 16 up; 6 = booklet)
//   140  PostScript language level (1..3)
// The numeric fields are 32-bit; the plug-in reads their low word.
//
// This is the driver's side: it knows nothing of the plug-in's catalogue, so
// a wrong offset or keyword in the plug-in shows up against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace driversim {

inline constexpr std::size_t kPublicDevmodeSize = sizeof(DEVMODEW);  // 220
inline constexpr std::size_t kDriverPrivateSize = 160;

namespace layout {
inline constexpr std::size_t kFlagsWord = 4;
inline constexpr std::uint16_t kFlagErrorHandler = 0x02;
inline constexpr std::uint16_t kFlagMirror = 0x04;
inline constexpr std::uint16_t kFlagNegative = 0x10;
inline constexpr std::size_t kFlags2Word = 5;
inline constexpr std::uint16_t kFlag2RotatedLandscape = 0x02;
inline constexpr std::uint16_t kFlag2MetafileSpooling = 0x20;
inline constexpr std::size_t kSectionOffsetCopy = 8;
inline constexpr std::size_t kSizeWord = 114;
inline constexpr std::size_t kOutputFormat = 124;
inline constexpr std::size_t kTrueTypeDownload = 128;
inline constexpr std::size_t kPageOrder = 132;
inline constexpr std::size_t kPagesPerSheet = 136;
inline constexpr std::size_t kLanguageLevel = 140;
inline constexpr std::uint32_t kPagesPerSheetBooklet = 6;
}  // namespace layout

// The public fields, named as in the job file; defaults are the job file's.
struct PublicFields {
  std::u16string deviceName;
  short orientation = 1;
  short paperSize = 9;
  short paperWidth = 2100;
  short paperLength = 2970;
  std::u16string formName = u"A4";
  short copies = 1;
  short collate = 1;
  short duplex = 1;
  short color = 2;
  short printQuality = 600;
  short yResolution = 600;
  short scale = 100;
  short defaultSource = 15;
  short ttOption = 2;
  DWORD mediaType = 0;
  DWORD icmMethod = 1;
  DWORD icmIntent = 2;
  DWORD ditherType = 0;
  // dmFields; nullopt marks every field above as present.
  std::optional<DWORD> fields;
};

// The driver's private options, as the job file's devmode.driver.
struct DriverOptions {
  std::uint32_t outputFormat = 0;
  std::uint32_t pagesPerSheet = 0;  // the driver's code 0..5
  bool booklet = false;             // stored as code 6, over pagesPerSheet
  std::uint32_t pageOrder = 0;
  std::uint32_t languageLevel = 3;
  bool errorHandler = false;
  bool mirror = false;
  bool negative = false;
  std::uint32_t ttDownload = 0;
  bool metafileSpooling = false;
  bool rotatedLandscape = false;

  friend bool operator==(const DriverOptions&, const DriverOptions&) = default;
};

// dmFields for a devmode that carries every field of PublicFields.
DWORD AllPublicFields();

// The whole devmode: dmSize 220, dmDriverExtra = driver part + section.
// Throws std::length_error when the section does not fit dmDriverExtra's 16 bits
// and std::invalid_argument for a name longer than 31 units.
std::vector<std::uint8_t> BuildDevmode(const PublicFields& fields, const DriverOptions& options,
                                       const std::optional<std::vector<std::uint8_t>>& pluginSection = std::nullopt);

// The driver's private part of a devmode, or null when the devmode is too
// short to hold one (cbSize below dmSize + dmDriverExtra, or dmDriverExtra
// below the driver's part).
const std::uint8_t* DriverPrivatePart(const DEVMODEW* devmode, std::size_t cbSize);
std::uint8_t* DriverPrivatePart(DEVMODEW* devmode, std::size_t cbSize);

// Reads and writes the options of a private part of kDriverPrivateSize bytes.
DriverOptions ReadDriverOptions(const std::uint8_t* privatePart);
void WriteDriverOptions(std::uint8_t* privatePart, const DriverOptions& options);

}  // namespace driversim
