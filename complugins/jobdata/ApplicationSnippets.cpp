#include "jobdata/ApplicationSnippets.h"
#include "support/ByteAccess.h"
#include "support/SpoolWriter.h"

#include <cstring>
#include <string_view>

namespace renpsoem {

namespace {

constexpr ULONG kEscapeSnippets = 0xF4357504;
constexpr std::size_t kHeadSize = 32;
constexpr std::uint32_t kFlagPageSetupMoment = 0x10;
constexpr std::uint32_t kFlagFirstPageOnly = 0x20;

enum SectionMode { kPageSection = 0, kSetupSection = 1, kEndSection = 2 };

struct Section {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

// A section of the input that lies wholly inside the cjIn bytes, or nothing.
bool InputSection(const std::uint8_t* in, ULONG cjIn, std::size_t fieldOffset, Section& section) {
  if (fieldOffset + 8 > cjIn) return false;
  section.offset = bytes::Read32(in + fieldOffset);
  section.length = bytes::Read32(in + fieldOffset + 4);
  if (section.length == 0) return true;
  return section.offset <= cjIn && section.length <= cjIn - section.offset;
}

// The stored form: a 32-byte head like the input's, then the data.
std::unique_ptr<ByteBuffer> StoredBlock(std::uint32_t flags, const Section& page, const Section& end,
                                        const Section& setup, const std::uint8_t* in) {
  // Sections may overlap in the input, so their sum can exceed it: a block
  // whose size would not fit its 32-bit size field is refused.
  const std::uint64_t wanted = std::uint64_t{kHeadSize} + page.length + end.length + setup.length;
  if (wanted > 0xFFFFFFFFu) return nullptr;
  const auto total = static_cast<std::uint32_t>(wanted);
  auto block = std::make_unique<ByteBuffer>();
  block->resize(total);
  std::uint8_t* p = block->getLpbyte();
  bytes::Write32(p, total);
  bytes::Write32(p + 4, flags);
  std::uint32_t next = kHeadSize;
  auto place = [&](std::size_t field, const Section& s) {
    if (s.length == 0) return;
    bytes::Write32(p + field, next);
    bytes::Write32(p + field + 4, s.length);
    std::memcpy(p + next, in + s.offset, s.length);
    next += s.length;
  };
  place(8, page);
  place(16, end);
  place(24, setup);
  return block;
}

void WriteSection(const ApplicationSnippetBlock& snippets, PDEVOBJ pdevobj, const ByteBuffer& block, int mode) {
  const std::size_t field = mode == kPageSection ? 8 : mode == kEndSection ? 16 : 24;
  if (block.size() < kHeadSize) return;
  const std::uint32_t offset = bytes::Read32(block.getLpbyte() + field);
  const std::uint32_t length = bytes::Read32(block.getLpbyte() + field + 4);
  if (length == 0 || offset > block.size() || length > block.size() - offset) return;
  WriteToSpool(snippets.driverHelper, pdevobj, block.getLpbyte() + offset, length);
}

}  // namespace

bool IsSnippetEscape(ULONG iEsc) {
  return iEsc == kEscapeSnippets;
}

HRESULT HandleSnippetEscape(XOemPdevPs& pdev, PDEVOBJ pdevobj, ULONG iEsc, ULONG cjIn, const void* pvIn, ULONG cjOut,
                            void* pvOut) {
  if (iEsc != kEscapeSnippets) return E_NOTIMPL;
  const bool outputAccepted = (cjOut == 0 && pvOut == nullptr) || (cjOut == 1 && pvOut != nullptr);
  HRESULT result = E_FAIL;
  const auto* in = static_cast<const std::uint8_t*>(pvIn);
  Section page, end, setup;
  if (outputAccepted && cjIn >= kHeadSize && in != nullptr && InputSection(in, cjIn, 8, page) &&
      InputSection(in, cjIn, 16, end) && InputSection(in, cjIn, 24, setup)) {
    ApplicationSnippetBlock& snippets = *pdev.snippetBlock;
    const std::uint32_t flags = bytes::Read32(in + 4) & 0xFF;
    auto setupBlock = StoredBlock(flags, Section{}, Section{}, setup, in);
    auto pageBlock = StoredBlock(flags, page, end, Section{}, in);
    if (!setupBlock || !pageBlock) {
      bytes::WriteEscapeStatus(pvOut, cjOut, 0);
      return E_FAIL;
    }
    snippets.setupBlock = std::move(setupBlock);
    snippets.pageBlock = std::move(pageBlock);
    if (snippets.firstPageSetupSeen && !snippets.setupWritten) {
      WriteSection(snippets, pdevobj, *snippets.setupBlock, kSetupSection);
      snippets.setupBlock.reset();
      snippets.setupWritten = true;
      WriteSnippetPage(pdev, pdevobj, true);
    }
    result = 1;
  }
  bytes::WriteEscapeStatus(pvOut, cjOut, 0);
  return result;
}

void WriteSnippetSetup(XOemPdevPs& pdev, PDEVOBJ pdevobj) {
  ApplicationSnippetBlock& snippets = *pdev.snippetBlock;
  if (!snippets.setupBlock) return;
  WriteSection(snippets, pdevobj, *snippets.setupBlock, kSetupSection);
  snippets.setupWritten = true;
}

void WriteSnippetPage(XOemPdevPs& pdev, PDEVOBJ pdevobj, bool pageSetupMoment) {
  ApplicationSnippetBlock& snippets = *pdev.snippetBlock;
  if (!snippets.pageBlock || snippets.pageBlock->size() < kHeadSize) return;
  const std::uint32_t flags = bytes::Read32(snippets.pageBlock->getLpbyte() + 4);
  if (((flags & kFlagPageSetupMoment) != 0) != pageSetupMoment) return;
  if ((flags & kFlagFirstPageOnly) != 0 && pdev.pageCounter != 1) return;
  if ((snippets.outputOptions & kOutputOptionPostScriptForm) != 0) {
    const std::string_view prefix = (pdev.pageCounter % 2 == 1) ? "false dup " : "true dup ";
    WriteToSpool(snippets.driverHelper, pdevobj, prefix.data(), prefix.size());
  }
  WriteSection(snippets, pdevobj, *snippets.pageBlock, kPageSection);
}

void WriteSnippetEnd(XOemPdevPs& pdev, PDEVOBJ pdevobj) {
  ApplicationSnippetBlock& snippets = *pdev.snippetBlock;
  if (!snippets.pageBlock) return;
  WriteSection(snippets, pdevobj, *snippets.pageBlock, kEndSection);
}

}  // namespace renpsoem
