#include "msdevmode/MsDevmodeUsingReverseEngineering.h"

#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "complugins/msdevmodeusingreverseengineering";

enum class Kind {
  PublicField,   // no private place: the public field
  NotFound,      // the branch has no such setting
  Word,          // the word itself
  Mask,          // 1 when a masked bit is set
  InverseMask,   // 1 when no masked bit is set
  Nup,           // pages-per-sheet word; the booklet code reads as 0 and survives writing 0
  Booklet,       // pages-per-sheet word equal to the booklet code
  QualityMacro,  // word, and a custom flag word after it
  Orientation,   // public dmOrientation plus the rotated-landscape bit
};

constexpr int kNoOffset = -1;
constexpr std::uint16_t kBookletCode = 6;
constexpr int kRasterListBase = 48;

struct PrivateAccess {
  int feature;
  Kind kind;
  int offset;
  std::uint16_t mask;
};

// clang-format off
constexpr PrivateAccess kPostScript[] = {
    {3,  Kind::Orientation, 5,   0x02},
    {19, Kind::Nup,         136, 0},
    {20, Kind::Booklet,     136, 0},
    {21, Kind::Word,        132, 0},
    {22, Kind::NotFound,    kNoOffset, 0},
    {23, Kind::Mask,        5,   0x20},
    {24, Kind::Word,        124, 0},
    {25, Kind::Word,        140, 0},
    {26, Kind::Mask,        4,   0x02},
    {27, Kind::Mask,        4,   0x04},
    {28, Kind::Mask,        4,   0x10},
    {29, Kind::Word,        128, 0},
    {30, Kind::NotFound,    kNoOffset, 0},
};
constexpr PrivateAccess kRaster[] = {
    {19, Kind::Nup,          24, 0},
    {20, Kind::Booklet,      24, 0},
    {21, Kind::Word,         20, 0},
    {22, Kind::QualityMacro, 28, 0},
    {23, Kind::InverseMask,  16, 0x10},
    {24, Kind::Word,         kNoOffset, 0},
    {25, Kind::Word,         kNoOffset, 0},
    {29, Kind::Word,         kNoOffset, 0},
    {30, Kind::InverseMask,  16, 0x02},
};
// clang-format on

}  // namespace

struct MsDevmodeUsingReverseEngineering::Access {
  Kind kind;
  int offset;
  std::uint16_t mask;
};

MsDevmodeUsingReverseEngineering::MsDevmodeUsingReverseEngineering(HANDLE hPrinter, DEVMODEW* devmode,
                                                                   std::uint32_t pdlBits, std::uint32_t colorMode)
    : MsDevmodeBase(hPrinter, devmode, pdlBits, colorMode),
      privatePart_(reinterpret_cast<std::uint8_t*>(devmode) + devmode->dmSize),
      privateSize_(devmode->dmDriverExtra) {}

std::uint16_t MsDevmodeUsingReverseEngineering::ReadPrivateWord(int offset) const {
  if (offset < 0 || static_cast<std::size_t>(offset) + 2 > privateSize_)
    TamorThrow<ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds>(
        kSource, __LINE__, "MsDevmodeUsingReverseEngineering::ReadPrivateWord",
        CXString::Formatted(u"offset %d, private part of %u bytes", offset, static_cast<unsigned>(privateSize_)));
  return static_cast<std::uint16_t>(privatePart_[offset] | (privatePart_[offset + 1] << 8));
}

void MsDevmodeUsingReverseEngineering::WritePrivateWord(int offset, std::uint16_t value) {
  if (offset < 0 || static_cast<std::size_t>(offset) + 2 > privateSize_)
    TamorThrow<ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds>(
        kSource, __LINE__, "MsDevmodeUsingReverseEngineering::WritePrivateWord",
        CXString::Formatted(u"offset %d, private part of %u bytes", offset, static_cast<unsigned>(privateSize_)));
  privatePart_[offset] = static_cast<std::uint8_t>(value & 0xFF);
  privatePart_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

MsDevmodeUsingReverseEngineering::Access MsDevmodeUsingReverseEngineering::FindAccess(int feature) const {
  if (IsPostScript()) {
    for (const PrivateAccess& a : kPostScript)
      if (a.feature == feature) return {a.kind, a.offset, a.mask};
    return {Kind::PublicField, kNoOffset, 0};
  }
  for (const PrivateAccess& a : kRaster)
    if (a.feature == feature) return {a.kind, a.offset, a.mask};
  for (const auto& [listed, offset] : rasterOffsets_)
    if (listed == feature) return {Kind::Word, offset + kRasterListBase, 0};
  return {Kind::PublicField, kNoOffset, 0};
}

int MsDevmodeUsingReverseEngineering::ReadRaw(int feature) {
  const Access access = FindAccess(feature);
  switch (access.kind) {
    case Kind::PublicField:
      return GetPublicFieldValue(feature);
    case Kind::NotFound:
      break;
    case Kind::Word:
    case Kind::QualityMacro:
      return static_cast<std::int16_t>(ReadPrivateWord(access.offset));
    case Kind::Mask:
      return (ReadPrivateWord(access.offset) & access.mask) != 0 ? 1 : 0;
    case Kind::InverseMask:
      return (ReadPrivateWord(access.offset) & access.mask) != 0 ? 0 : 1;
    case Kind::Nup: {
      const std::uint16_t word = ReadPrivateWord(access.offset);
      return word == kBookletCode ? 0 : static_cast<std::int16_t>(word);
    }
    case Kind::Booklet:
      return ReadPrivateWord(access.offset) == kBookletCode ? 1 : 0;
    case Kind::Orientation: {
      const int orientation = GetPublicFieldValue(feature);
      if (orientation == DMORIENT_LANDSCAPE && (ReadPrivateWord(access.offset) & access.mask) != 0) return 3;
      return orientation;
    }
  }
  TamorThrow<ExceptionMicrosoftFeatureNotFound>(kSource, __LINE__,
                                                "MsDevmodeUsingReverseEngineering::GetMsFeatureValue",
                                                CXString::Formatted(u"feature %d", feature));
}

void MsDevmodeUsingReverseEngineering::WriteRaw(int feature, int raw) {
  const Access access = FindAccess(feature);
  const auto setBits = [&](bool on) {
    const std::uint16_t word = ReadPrivateWord(access.offset);
    WritePrivateWord(access.offset, static_cast<std::uint16_t>(on ? (word | access.mask) : (word & ~access.mask)));
  };
  switch (access.kind) {
    case Kind::PublicField:
      SetPublicFieldValue(feature, raw);
      return;
    case Kind::NotFound:
      break;
    case Kind::Word:
      WritePrivateWord(access.offset, static_cast<std::uint16_t>(raw));
      // The raster driver's colour printing mode is mirrored in the public colour field.
      if (feature == 34) SetPublicFieldValue(9, OptionToRaw(9, RawToOption(34, raw)));
      return;
    case Kind::QualityMacro:
      ReadPrivateWord(access.offset + 2);  // both words must fit before either is written
      WritePrivateWord(access.offset, static_cast<std::uint16_t>(raw));
      WritePrivateWord(access.offset + 2, raw == -1 ? 0xFFFF : 0);
      return;
    case Kind::Mask:
      setBits(raw != 0);
      return;
    case Kind::InverseMask:
      setBits(raw == 0);
      return;
    case Kind::Nup:
      if (raw == 0 && ReadPrivateWord(access.offset) == kBookletCode) return;
      WritePrivateWord(access.offset, static_cast<std::uint16_t>(raw));
      return;
    case Kind::Booklet:
      if (raw != 0)
        WritePrivateWord(access.offset, kBookletCode);
      else if (ReadPrivateWord(access.offset) == kBookletCode)
        WritePrivateWord(access.offset, 0);
      return;
    case Kind::Orientation:
      setBits(raw == 3);
      SetPublicFieldValue(feature, raw == 3 ? DMORIENT_LANDSCAPE : raw);
      return;
  }
  TamorThrow<ExceptionMicrosoftFeatureNotFound>(kSource, __LINE__,
                                                "MsDevmodeUsingReverseEngineering::SetMsFeatureValue",
                                                CXString::Formatted(u"feature %d", feature));
}

int MsDevmodeUsingReverseEngineering::GetMsFeatureValue(int feature, bool asOption) {
  const int raw = ReadRaw(feature);
  return asOption ? RawToOption(feature, raw) : raw;
}

void MsDevmodeUsingReverseEngineering::SetMsFeatureValue(int feature, int value, bool valueIsOption) {
  WriteRaw(feature, valueIsOption ? OptionToRaw(feature, value) : value);
}
