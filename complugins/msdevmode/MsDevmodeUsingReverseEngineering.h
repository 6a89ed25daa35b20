// MsDevmodeUsingReverseEngineering: the driver's private settings read and
// written at known offsets of its private part (which starts at dmSize and is
// dmDriverExtra bytes long), for the PostScript driver and for a raster driver.
//
// Private values are 16-bit little-endian words at byte offsets (they may be
// odd). Every word must lie wholly inside the private part, else
// ExceptionMicrosoftPrivateDevmodeOffsetOutOfBounds; a setting the branch does
// not have takes that path too. Settings without a private place fall back to
// the public fields.
#pragma once

#include <utility>
#include <vector>

#include "msdevmode/MsDevmodeBase.h"

class MsDevmodeUsingReverseEngineering : public MsDevmodeBase {
 public:
  MsDevmodeUsingReverseEngineering(HANDLE hPrinter, DEVMODEW* devmode, std::uint32_t pdlBits, std::uint32_t colorMode);

  int GetMsFeatureValue(int feature, bool asOption) override;
  void SetMsFeatureValue(int feature, int value, bool valueIsOption) override;

  // The raster driver's own list of (feature, offset) pairs; the word of such a
  // feature sits at offset + 48.
  void SetRasterFeatureOffsets(std::vector<std::pair<int, int>> offsets) { rasterOffsets_ = std::move(offsets); }

  // Checked access to one 16-bit word of the private part.
  std::uint16_t ReadPrivateWord(int offset) const;
  void WritePrivateWord(int offset, std::uint16_t value);

 private:
  struct Access;
  Access FindAccess(int feature) const;
  int ReadRaw(int feature);
  void WriteRaw(int feature, int raw);

  std::uint8_t* privatePart_;
  std::size_t privateSize_;
  std::vector<std::pair<int, int>> rasterOffsets_;
};
