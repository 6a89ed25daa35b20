#include "devmode/XDevmode.h"

#include "support/ByteAccess.h"
#include "zqcore/DataModelIds.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "pdev/XOemPdev.h"
#include "zqutil/Crc32.h"
#include "zqutil/Dimension.h"
#include "zqutil/Number.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "complugins/xdevmode";

// A section candidate at `offset` inside the driver-extra bytes of length `extra`.
std::uint8_t* Candidate(std::uint8_t* privatePart, std::uint32_t extra, std::uint32_t offset) {
  if (offset == 0 || extra <= offset + 12) return nullptr;
  std::uint8_t* section = privatePart + offset;
  if (bytes::Read32(section + 4) != XDevmode::kSignature) return nullptr;
  if (extra < static_cast<std::uint64_t>(offset) + bytes::Read32(section)) return nullptr;
  return section;
}

// Settings escapes.
constexpr ULONG kEscapeOptionValue = 0xF4357568;
constexpr ULONG kEscapeIntegerValue = 0xF4357569;
constexpr ULONG kEscapeOptionValueResult = 0xF435756B;
constexpr ULONG kEscapeIntegerValueResult = 0xF435756C;
constexpr ULONG kEscapePaperSizeResult = 0xF435756D;

}  // namespace

XDevmode::XDevmode(const DEVMODEW* devmode) {
  if (devmode == nullptr) TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, 74, "XDevmode::XDevmode");
  Load(devmode);
}

std::unique_ptr<XDevmode> XDevmode::XDevmodeWithCachingInPdev(PDEVOBJ pdevobj, XOemPdev* pdev) {
  if (pdevobj == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, 87, "XDevmode::XDevmodeWithCachingInPdev");
  if (pdev == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, 92, "XDevmode::XDevmodeWithCachingInPdev");
  auto reader = std::make_unique<XDevmode>(pdevobj->pPublicDM);
  ByteBuffer cached;
  if (pdev->GetBuffer(kPdevSettingsCache, cached) && !cached.empty()) {
    // The cache stands for the document settings until the state store is
    // cleared: a devmode changed within the PDEV's life is not read again.
    reader->list_ = std::make_unique<AttributeBytesIndexedList>(cached);
    reader->listNameSpace_ = PersistentAttributes::skoDataModelDocPropNameSpace;
    return reader;
  }
  pdev->SetBuffer(kPdevSettingsCache, reader->GetDocumentAttributeBytesList().GetAttributeBytesIndexedListState());
  return reader;
}

std::uint8_t* XDevmode::GetOemDevmodeFromDevmode(const DEVMODEW* devmode) {
  if (devmode == nullptr)
    TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, 283, "XDevmode::GetOemDevmodeFromDevmode");
  auto* privatePart = const_cast<std::uint8_t*>(reinterpret_cast<const std::uint8_t*>(devmode)) + devmode->dmSize;
  const std::uint32_t extra = devmode->dmDriverExtra;
  if (extra >= 117) {
    if (std::uint8_t* section = Candidate(privatePart, extra, bytes::Read16(privatePart + 114))) return section;
  }
  const std::uint32_t offsetB = extra >= 11 ? bytes::Read16(privatePart + 8) : 0;
  return Candidate(privatePart, extra, offsetB);
}

void XDevmode::ClearOemDevmode(void* section) {
  if (section == nullptr) TamorThrow<ExceptionInvalidArgumentNullPointer>(kSource, 373, "XDevmode::ClearOemDevmode");
  auto* p = static_cast<std::uint8_t*>(section);
  std::memset(p, 0, kSectionSize);
  bytes::Write32(p, kSectionSize);
  bytes::Write32(p + 4, kSignature);
  bytes::Write32(p + 8, kVersion);
  bytes::Write32(p + 12, kPayloadSize);
}

bool XDevmode::Load(const DEVMODEW* devmode) {
  std::uint8_t* section = GetOemDevmodeFromDevmode(devmode);
  if (section == nullptr || bytes::Read32(section) != kSectionSize || bytes::Read32(section + 4) != kSignature)
    return false;
  return Parse(section);
}

bool XDevmode::Parse(void* sectionPointer) {
  if (!entries_.empty() || sectionPointer == nullptr) return false;
  modified_ = false;
  auto* section = static_cast<std::uint8_t*>(sectionPointer);
  const std::uint32_t crc = bytes::Read32(section + kCrcOffset);
  const std::uint16_t count = bytes::Read16(section + kCountOffset);
  if ((crc != 0 || count > 0) && crc != Crc32::GetCrc(section + kCountOffset, kCrcLength)) return false;
  std::map<std::uint16_t, ByteBuffer> entries;
  std::size_t offset = kEntriesOffset;
  for (std::uint16_t i = 0; i < count; ++i) {
    // An entry that overruns the section makes the whole section unreadable.
    if (offset + 4 > kSectionSize) return false;
    const std::uint16_t id = bytes::Read16(section + offset);
    const std::uint16_t length = bytes::Read16(section + offset + 2);
    offset += 4;
    if (offset + length > kSectionSize) return false;
    entries.emplace(id, ByteBuffer(section + offset, length));
    offset += length;
  }
  entries_ = std::move(entries);
  section_ = section;
  loaded_ = true;
  return true;
}

bool XDevmode::GetEntry(std::uint16_t id, ByteBuffer& out) const {
  auto it = entries_.find(id);
  if (it == entries_.end()) return false;
  out = it->second;
  return true;
}

bool XDevmode::GetEntryString(std::uint16_t id, CXString& out) const {
  ByteBuffer bytes;
  if (!GetEntry(id, bytes)) return false;
  out = bytes.getAsStringValue();
  return true;
}

bool XDevmode::SetEntry(std::uint16_t id, const ByteBuffer& bytes) {
  auto previous = entries_.find(id);
  std::optional<ByteBuffer> old;
  if (previous != entries_.end()) old = previous->second;
  entries_[id] = bytes;
  modified_ = true;
  try {
    Save();
  } catch (...) {
    // The section was left untouched; keep the entries in step with it.
    if (old)
      entries_[id] = *old;
    else
      entries_.erase(id);
    throw;
  }
  return true;
}

bool XDevmode::SetEntryString(std::uint16_t id, const CXString& text) {
  return SetEntry(id, ByteBuffer::createFromStringValue(text));
}

bool XDevmode::Save() {
  if (section_ == nullptr) {
    OnChange();
    return false;
  }
  std::size_t needed = 0;
  for (const auto& [id, bytes] : entries_) {
    if (bytes.size() > 0xFFFF)
      TamorThrow<ExceptionCapacityExceeded>(kSource, __LINE__, "XDevmode::Save", u"entry longer than 65535 bytes");
    needed += 4 + bytes.size();
  }
  if (needed > kSectionSize - kEntriesOffset)
    TamorThrow<ExceptionCapacityExceeded>(kSource, __LINE__, "XDevmode::Save",
                                          u"the entries do not fit in the 2994 bytes of the section");
  std::memset(section_ + kCrcOffset, 0, kPayloadSize);
  bytes::Write16(section_ + kCountOffset, static_cast<std::uint16_t>(entries_.size()));
  std::size_t offset = kEntriesOffset;
  for (const auto& [id, bytes] : entries_) {
    bytes::Write16(section_ + offset, id);
    bytes::Write16(section_ + offset + 2, static_cast<std::uint16_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(section_ + offset + 4, bytes.getLpbyte(), bytes.size());
    offset += 4 + bytes.size();
  }
  bytes::Write32(section_ + kCrcOffset, Crc32::GetCrc(section_ + kCountOffset, kCrcLength));
  modified_ = false;
  OnChange();
  return true;
}

bool XDevmode::Convert(const void* in, void* out) {
  if (in == nullptr || out == nullptr) return false;
  const auto* source = static_cast<const std::uint8_t*>(in);
  auto* target = static_cast<std::uint8_t*>(out);
  if (bytes::Read32(source + 4) == bytes::Read32(target + 4)) {
    const std::uint32_t size = std::min<std::uint32_t>(kSectionSize, bytes::Read32(source));
    // The driver converts in place as well (the same section in and out, or
    // overlapping ones): take the input aside before the target is cleared.
    std::array<std::uint8_t, kSectionSize> copy;
    std::memcpy(copy.data(), source, size);
    ClearOemDevmode(target);
    std::memcpy(target, copy.data(), size);
    bytes::Write32(target, kSectionSize);
    bytes::Write32(target + 8, kVersion);
    bytes::Write32(target + 12, kPayloadSize);
  } else {
    ClearOemDevmode(target);
  }
  // A copied section that does not read (cut short by its size field, or
  // damaged) would leave the devmode with a section nothing can use or
  // write: it becomes the default one instead.
  if (!Parse(target)) {
    ClearOemDevmode(target);
    Parse(target);
  }
  return true;
}

AttributeBytesIndexedList& XDevmode::GetDocumentAttributeBytesList() {
  return GetAttributeBytesListForNameSpaceByValue(PersistentAttributes::skoDataModelDocPropNameSpace);
}

AttributeBytesIndexedList& XDevmode::GetAttributeBytesListForNameSpaceByValue(
    PersistentAttributes::NameSpace nameSpace) {
  return GetAttributeBytesListForNameSpace(nameSpace);
}

AttributeBytesIndexedList& XDevmode::GetAttributeBytesListForNameSpace(
    const PersistentAttributes::NameSpace& nameSpace) {
  if (list_ && listNameSpace_ == nameSpace) return *list_;
  list_ = std::make_unique<AttributeBytesIndexedList>();
  listNameSpace_ = -1;
  ByteBuffer settings;
  if (GetEntry(kEntrySettings, settings)) {
    list_->ImportFromOtherList(PersistentAttributes(settings, false).GetAttributeBytesListForNameSpace(nameSpace));
    listNameSpace_ = nameSpace;
  }
  return *list_;
}

bool XDevmode::GetCapabilityBlock(const CXString& name, ByteBuffer& stored) const {
  ByteBuffer settings;
  if (!GetEntry(kEntrySettings, settings)) return false;
  return PersistentAttributes(settings, false)
      .GetBlob(PersistentAttributes::skoMsDeviceCapabilitiesNameSpace, name, stored);
}

HRESULT XDevmode::HandleEscape(ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  switch (iEsc) {
    case kEscapeOptionValue:
    case kEscapeIntegerValue:
    case kEscapeOptionValueResult:
    case kEscapeIntegerValueResult:
    case kEscapePaperSizeResult:
      break;
    default:
      return E_NOTIMPL;
  }
  if (pvIn == nullptr || cjIn < 4) return E_FAIL;
  const std::uint32_t feature = bytes::Read32(pvIn);
  const bool wantsOutput = iEsc == kEscapeOptionValue || iEsc == kEscapeIntegerValue;
  if (wantsOutput && (pvOut == nullptr || cjOut < 4)) return E_FAIL;

  if (iEsc == kEscapeOptionValue || iEsc == kEscapeOptionValueResult) {
    DWORD value = 0;
    if (!GetOptionValueFromAttributeBytes(feature, value)) return E_FAIL;
    if (!wantsOutput) return static_cast<HRESULT>(value);
    bytes::Write32(pvOut, value);
    return 1;
  }
  if (iEsc == kEscapeIntegerValue || iEsc == kEscapeIntegerValueResult) {
    LONG value = 0;
    if (!GetIntegerValueFromAttributeBytes(feature, value)) return E_FAIL;
    if (!wantsOutput) return static_cast<HRESULT>(value);
    bytes::Write32(pvOut, static_cast<std::uint32_t>(value));
    return 1;
  }
  // Paper size of the media collection 477 or 478.
  if (feature != 477 && feature != 478) return E_FAIL;
  AttributeBytesIndexedList collection;
  AttributeBytesIndexedList media;
  Dimension width;
  Dimension length;
  if (!GetCollectionFromAttributeBytes(feature, collection) ||
      !collection.GetCollection(DataModelIds::kFeatureOutputPaperSize, media) ||
      !media.GetPaperSizeValues(DataModelIds::kFeaturePaperSizeValues, width, length))
    return E_FAIL;
  const auto w = static_cast<std::uint32_t>(Number::GetIntValue(width.GetValue(5), 0.499999));
  const auto h = static_cast<std::uint32_t>(Number::GetIntValue(length.GetValue(5), 0.499999));
  return static_cast<HRESULT>((h << 16) | (w & 0xFFFF));
}
