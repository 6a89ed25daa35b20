#include "zqutil/PersistentAttributes.h"

#include <limits>
#include <utility>

#include "zqutil/AttributeBytesFormat.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "zqutil/persistentattributes";
constexpr std::size_t kMaxU8 = std::numeric_limits<std::uint8_t>::max();
constexpr std::size_t kMaxU16 = std::numeric_limits<std::uint16_t>::max();
// Namespace id, an empty list body and a blob count.
constexpr std::size_t kMinNameSpaceSize = 5;
// Name length and data length.
constexpr std::size_t kMinBlobSize = 3;

void CheckNameSpace(PersistentAttributes::NameSpace nameSpace, const char* function) {
  if (nameSpace < 0 || static_cast<std::size_t>(nameSpace) > kMaxU16) {
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, function, u"namespace outside 0..65535");
  }
}

void AppendU16(ByteBuffer& out, std::size_t value) {
  out.appendByte(static_cast<std::uint8_t>(value & 0xFF));
  out.appendByte(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

PersistentAttributes::PersistentAttributes(const ByteBuffer& bytes, bool throwIfInvalid) {
  using attribute_bytes_format::Cursor;
  if (bytes.empty()) return;

  std::map<NameSpace, Content> parsed;
  Cursor in(bytes.getLpbyte(), bytes.size());
  std::uint8_t tag = 0;
  std::uint8_t version = 0;
  std::uint8_t nameSpaceCount = 0;
  bool ok = in.ReadU8(tag) && tag == attribute_bytes_format::kImageTag && in.ReadU8(version) &&
            version == attribute_bytes_format::kVersion && in.ReadU8(nameSpaceCount) &&
            nameSpaceCount <= in.Remaining() / kMinNameSpaceSize;
  for (std::uint8_t n = 0; ok && n < nameSpaceCount; ++n) {
    std::uint16_t id = 0;
    std::uint8_t blobCount = 0;
    Content content;
    // Ascending ids: a repeat or a step back is as malformed as an overrun.
    ok = in.ReadU16(id) && (parsed.empty() || id > parsed.rbegin()->first) &&
         attribute_bytes_format::ReadListBody(in, 0, content.list) && in.ReadU8(blobCount) &&
         blobCount <= in.Remaining() / kMinBlobSize;
    for (std::uint8_t b = 0; ok && b < blobCount; ++b) {
      std::uint8_t nameLength = 0;
      std::uint16_t dataLength = 0;
      CXString name;
      ByteBuffer data;
      ok = in.ReadU8(nameLength) && in.ReadUnits(nameLength, name) &&
           (content.blobs.empty() || content.blobs.rbegin()->first < name) && in.ReadU16(dataLength) &&
           in.ReadBytes(dataLength, data);
      if (ok) content.blobs.emplace(std::move(name), std::move(data));
    }
    if (ok) parsed.emplace(static_cast<NameSpace>(id), std::move(content));
  }
  if (ok && in.AtEnd()) {
    nameSpaces_ = std::move(parsed);
    return;
  }
  valid_ = false;
  if (throwIfInvalid) {
    TamorThrow<ExceptionInvalidData>(kSource, __LINE__, "PersistentAttributes::PersistentAttributes",
                                     u"malformed settings image");
  }
}

AttributeBytesIndexedList PersistentAttributes::GetAttributeBytesListForNameSpace(NameSpace nameSpace) const {
  auto found = nameSpaces_.find(nameSpace);
  return found == nameSpaces_.end() ? AttributeBytesIndexedList() : found->second.list;
}

void PersistentAttributes::SetAttributeBytesListForNameSpace(NameSpace nameSpace, const AttributeBytesList& list) {
  CheckNameSpace(nameSpace, "PersistentAttributes::SetAttributeBytesListForNameSpace");
  nameSpaces_[nameSpace].list = AttributeBytesIndexedList(list);
}

void PersistentAttributes::SetBlob(NameSpace nameSpace, const CXString& name, const ByteBuffer& data) {
  const char* function = "PersistentAttributes::SetBlob";
  CheckNameSpace(nameSpace, function);
  if (name.GetLength() > kMaxU8) {
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, function, u"blob name longer than 255 units");
  }
  if (data.size() > kMaxU16) {
    TamorThrow<ExceptionInvalidArgument>(kSource, __LINE__, function, u"blob longer than 65535 bytes");
  }
  nameSpaces_[nameSpace].blobs[name] = data;
}

bool PersistentAttributes::GetBlob(NameSpace nameSpace, const CXString& name, ByteBuffer& data) const {
  auto space = nameSpaces_.find(nameSpace);
  if (space == nameSpaces_.end()) return false;
  auto blob = space->second.blobs.find(name);
  if (blob == space->second.blobs.end()) return false;
  data = blob->second;
  return true;
}

bool PersistentAttributes::RemoveBlob(NameSpace nameSpace, const CXString& name) {
  auto space = nameSpaces_.find(nameSpace);
  return space != nameSpaces_.end() && space->second.blobs.erase(name) > 0;
}

std::vector<PersistentAttributes::NameSpace> PersistentAttributes::GetNameSpaces() const {
  std::vector<NameSpace> result;
  for (const auto& [id, content] : nameSpaces_) {
    if (!content.list.IsEmpty() || !content.blobs.empty()) result.push_back(id);
  }
  return result;
}

ByteBuffer PersistentAttributes::GetBytes() const {
  const char* function = "PersistentAttributes::GetBytes";
  const std::vector<NameSpace> used = GetNameSpaces();
  if (used.size() > kMaxU8) {
    TamorThrow<ExceptionCapacityExceeded>(kSource, __LINE__, function, u"more than 255 namespaces");
  }
  ByteBuffer out;
  out.appendByte(attribute_bytes_format::kImageTag);
  out.appendByte(attribute_bytes_format::kVersion);
  out.appendByte(static_cast<std::uint8_t>(used.size()));
  for (NameSpace id : used) {
    const Content& content = nameSpaces_.at(id);
    AppendU16(out, static_cast<std::size_t>(id));
    attribute_bytes_format::AppendListBody(out, content.list, 0);
    if (content.blobs.size() > kMaxU8) {
      TamorThrow<ExceptionCapacityExceeded>(kSource, __LINE__, function, u"more than 255 blobs in a namespace");
    }
    out.appendByte(static_cast<std::uint8_t>(content.blobs.size()));
    for (const auto& [name, data] : content.blobs) {
      out.appendByte(static_cast<std::uint8_t>(name.GetLength()));
      for (char16_t unit : name.str()) AppendU16(out, unit);
      AppendU16(out, data.size());
      out.append(data);
    }
  }
  return out;
}
