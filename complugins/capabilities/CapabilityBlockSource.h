// What a devmode carries of the device-capability blocks. The private devmode
// reader offers them; the capability answers prefer them to the printer's
// cached blocks, so a devmode prepared for one device answers for it.
#pragma once

#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class CapabilityBlockSource {
 public:
  // The block stored under `name` (its CRC-32, then its data) as the devmode
  // carries it; false when it carries none.
  virtual bool GetCapabilityBlock(const CXString& name, ByteBuffer& stored) const = 0;

 protected:
  CapabilityBlockSource() = default;
  CapabilityBlockSource(const CapabilityBlockSource&) = default;
  CapabilityBlockSource& operator=(const CapabilityBlockSource&) = default;
  ~CapabilityBlockSource() = default;
};
