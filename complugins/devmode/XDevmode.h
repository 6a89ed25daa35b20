// XDevmode: the reader and writer of the plug-in's private devmode section.
//
// The section (3056 bytes, little-endian) sits behind the PostScript driver's
// private part:
//   0  size 3056            4  signature 0x544D4B56      8  version 1
//   12 payload size 3000    16 40 reserved zero bytes
//   56 CRC-32 over the 2996 bytes from offset 60
//   60 entry count          62 entries: 16-bit id, 16-bit length n, n bytes,
//                              ascending id, packed; zero to the end
// Entry 1 holds the persisted document settings (a PersistentAttributes image);
// entries 3 to 9 the user-preference records. Every read of the section is
// bounds-checked against its 3056 bytes; Save refuses entries that do not fit.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "capabilities/CapabilityBlockSource.h"
#include "platform/oemps.h"
#include "zqutil/AttributeBytesReader.h"
#include "zqutil/ByteBuffer.h"
#include "zqutil/PersistentAttributes.h"

class XOemPdev;

class XDevmode : public AttributeBytesReader, public CapabilityBlockSource {
 public:
  static constexpr DWORD kSectionSize = 3056;
  static constexpr DWORD kSignature = 0x544D4B56;
  static constexpr DWORD kVersion = 1;
  static constexpr DWORD kPayloadSize = 3000;
  static constexpr std::size_t kCrcOffset = 56;
  static constexpr std::size_t kCountOffset = 60;
  static constexpr std::size_t kEntriesOffset = 62;
  static constexpr std::size_t kCrcLength = kSectionSize - kCountOffset;  // 2996
  static constexpr std::uint16_t kEntrySettings = 1;

  XDevmode() = default;
  explicit XDevmode(const DEVMODEW* devmode);
  // A reader whose document settings come from the PDEV's cache (key 22) when
  // it holds them, and fill that cache otherwise.
  static std::unique_ptr<XDevmode> XDevmodeWithCachingInPdev(PDEVOBJ pdevobj, XOemPdev* pdev);

  // The section inside a devmode, found through the offsets in the driver's
  // private part, or null.
  static std::uint8_t* GetOemDevmodeFromDevmode(const DEVMODEW* devmode);
  static void ClearOemDevmode(void* section);

  bool Load(const DEVMODEW* devmode);
  bool Parse(void* section);
  bool GetEntry(std::uint16_t id, ByteBuffer& out) const;
  bool GetEntryString(std::uint16_t id, CXString& out) const;
  bool SetEntry(std::uint16_t id, const ByteBuffer& bytes);
  bool SetEntryString(std::uint16_t id, const CXString& text);
  bool Save();
  bool Convert(const void* in, void* out);

  bool IsLoaded() const { return loaded_; }
  bool IsModified() const { return modified_; }

  // AttributeBytesReader
  AttributeBytesIndexedList& GetDocumentAttributeBytesList() override;
  AttributeBytesIndexedList& GetAttributeBytesListForNameSpaceByValue(PersistentAttributes::NameSpace nameSpace);
  virtual AttributeBytesIndexedList& GetAttributeBytesListForNameSpace(
      const PersistentAttributes::NameSpace& nameSpace);

  // CapabilityBlockSource: a blob of the capability namespace of entry 1.
  bool GetCapabilityBlock(const CXString& name, ByteBuffer& stored) const override;

  // The settings escapes (0xF4357568..6D); E_NOTIMPL for any other number.
  HRESULT HandleEscape(ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut, void* pvOut);

 private:
  std::map<std::uint16_t, ByteBuffer> entries_;
  std::uint8_t* section_ = nullptr;
  std::unique_ptr<AttributeBytesIndexedList> list_;
  std::int32_t listNameSpace_ = -1;
  bool modified_ = false;
  bool loaded_ = false;
};
