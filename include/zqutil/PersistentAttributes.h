// PersistentAttributes: the byte image of settings that outlive a process.
//
// The image (entry 1 of the private devmode section, the "TmrDeviceSettings"
// printer data) holds, per namespace, one attribute list and any number of
// named data blobs. Its layout is in AttributeBytesFormat.h.
//
// Parsing never throws unless asked to and never reads outside the bytes: a
// malformed image gives an empty object whose IsValid() is false.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "zqutil/AttributeBytes.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class PersistentAttributes {
 public:
  using NameSpace = std::int32_t;
  // The document settings (feature ids and values of the data model).
  static constexpr NameSpace skoDataModelDocPropNameSpace = 1;
  // The device-capability blocks, stored as named blobs.
  static constexpr NameSpace skoMsDeviceCapabilitiesNameSpace = 2;

  PersistentAttributes() = default;
  // Empty bytes are an empty, valid image. With `throwIfInvalid` a malformed
  // image throws ExceptionInvalidData instead of giving an empty object.
  explicit PersistentAttributes(const ByteBuffer& bytes, bool throwIfInvalid = false);

  bool IsValid() const { return valid_; }

  // A copy of the namespace's list; empty when the namespace holds none.
  AttributeBytesIndexedList GetAttributeBytesListForNameSpace(NameSpace nameSpace) const;
  // Replaces the namespace's list. A namespace outside 0..65535 throws ExceptionInvalidArgument.
  void SetAttributeBytesListForNameSpace(NameSpace nameSpace, const AttributeBytesList& list);

  // Named data blobs per namespace. Set replaces a blob of the same name; names
  // are compared exactly. A name longer than 255 units or data longer than
  // 65535 bytes throws ExceptionInvalidArgument.
  void SetBlob(NameSpace nameSpace, const CXString& name, const ByteBuffer& data);
  bool GetBlob(NameSpace nameSpace, const CXString& name, ByteBuffer& data) const;
  bool RemoveBlob(NameSpace nameSpace, const CXString& name);

  // The namespaces that hold a list or a blob, ascending.
  std::vector<NameSpace> GetNameSpaces() const;

  // The byte image. Throws ExceptionCapacityExceeded when something cannot be
  // encoded (more than 255 namespaces or blobs in one, a list too large or too deep).
  ByteBuffer GetBytes() const;

 private:
  struct Content {
    AttributeBytesIndexedList list;
    std::map<CXString, ByteBuffer> blobs;
  };
  std::map<NameSpace, Content> nameSpaces_;
  bool valid_ = true;
};
