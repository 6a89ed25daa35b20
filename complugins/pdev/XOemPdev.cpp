#include "pdev/XOemPdev.h"
#include "support/ByteAccess.h"

#include <cstring>

#include "capabilities/MSDeviceCapabilities.h"
#include "observers/FinishingVerticalFeature.h"

namespace {
constexpr ULONG kEscapeStoreValue = 0xF43574AA;
constexpr ULONG kEscapeValueLength = 0xF43574AB;
constexpr ULONG kEscapeValueBytes = 0xF43574AC;
constexpr HRESULT kEscapeDone = 1;

}  // namespace

bool XOemPdev::GetBuffer(std::int32_t key, ByteBuffer& out) const {
  auto it = store.find(key);
  if (it == store.end()) {
    out.clear();
    return false;
  }
  out = it->second;
  return true;
}

bool XOemPdev::GetString(std::int32_t key, CXString& out) const {
  ByteBuffer value;
  if (!GetBuffer(key, value)) {
    out.Empty();
    return false;
  }
  out = value.getAsStringValue();
  return true;
}

bool XOemPdev::GetLong(std::int32_t key, DWORD& out) const {
  ByteBuffer value;
  if (!GetBuffer(key, value)) {
    out = 0;
    return false;
  }
  out = value.getAsLongValue();
  return true;
}

void XOemPdev::SetLong(std::int32_t key, DWORD value) {
  SetBuffer(key, ByteBuffer::createFromLongValue(value));
}

void XOemPdev::SetString(std::int32_t key, const CXString& value) {
  SetBuffer(key, ByteBuffer::createFromStringValue(value));
}

void XOemPdev::SetBuffer(std::int32_t key, const ByteBuffer& value) {
  store[key] = value;
}

void XOemPdev::Clear() {
  store.clear();
}

HRESULT XOemPdev::HandleEscape(ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut) {
  switch (iEsc) {
    case kEscapeStoreValue: {
      HRESULT result = E_FAIL;
      if (pvIn != nullptr && cjIn >= 12) {
        const auto* in = static_cast<const std::uint8_t*>(pvIn);
        const auto key = static_cast<std::int32_t>(bytes::Read32(in));
        const std::uint32_t length = bytes::Read32(in + 4);
        // The value must lie inside what the caller handed in.
        if (length <= cjIn - 8) {
          SetBuffer(key, ByteBuffer(in + 8, length));
          result = kEscapeDone;
        }
      }
      if (cjOut == 4 && pvOut != nullptr) bytes::Write32(pvOut, static_cast<std::uint32_t>(result));
      return result;
    }
    case kEscapeValueLength: {
      if (cjIn != 4 || cjOut != 4 || pvIn == nullptr || pvOut == nullptr) return E_FAIL;
      auto it = store.find(static_cast<std::int32_t>(bytes::Read32(pvIn)));
      if (it == store.end()) return E_FAIL;
      bytes::Write32(pvOut, static_cast<std::uint32_t>(it->second.size()));
      return kEscapeDone;
    }
    case kEscapeValueBytes: {
      if (cjIn != 4 || cjOut == 0 || pvIn == nullptr || pvOut == nullptr) return E_FAIL;
      std::memset(pvOut, 0, cjOut);
      auto it = store.find(static_cast<std::int32_t>(bytes::Read32(pvIn)));
      if (it == store.end() || it->second.size() > cjOut) return E_FAIL;
      if (!it->second.empty()) std::memcpy(pvOut, it->second.getLpbyte(), it->second.size());
      return kEscapeDone;
    }
    default:
      return E_NOTIMPL;
  }
}

XOemPdevPs::XOemPdevPs()
    : deviceCapabilities(std::make_unique<MSDeviceCapabilities>()),
      snippetBlock(std::make_unique<ApplicationSnippetBlock>()),
      faxBlock(std::make_unique<FaxJobBlock>()),
      finishing(std::make_unique<FinishingVerticalFeature>()) {}

XOemPdevPs::~XOemPdevPs() = default;
