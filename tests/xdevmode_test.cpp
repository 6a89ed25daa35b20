// The private devmode section: finding it, validating it, its entries, and the
// DevMode entry and settings escapes that applications and the driver use.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "OemSection.h"
#include "PluginHarness.h"
#include "devmode/XDevmode.h"
#include "pdev/XOemPdev.h"
#include "zqutil/TamorException.h"

namespace {

std::uint32_t Read32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

std::vector<std::uint8_t> ClearedSection() {
  std::vector<std::uint8_t> section(XDevmode::kSectionSize, 0xCC);
  XDevmode::ClearOemDevmode(section.data());
  return section;
}

TEST(XDevmodeSection, ClearedSectionIsValidAndEmpty) {
  auto section = ClearedSection();
  EXPECT_EQ(Read32(section.data()), 3056u);
  EXPECT_EQ(Read32(section.data() + 4), 0x544D4B56u);
  EXPECT_EQ(Read32(section.data() + 8), 1u);
  EXPECT_EQ(Read32(section.data() + 12), 3000u);
  XDevmode reader;
  EXPECT_TRUE(reader.Parse(section.data()));
  ByteBuffer entry;
  EXPECT_FALSE(reader.GetEntry(1, entry));
  EXPECT_TRUE(reader.IsEmpty());
}

TEST(XDevmodeSection, EntriesSaveWithACrcAnotherReaderAccepts) {
  auto section = ClearedSection();
  XDevmode writer;
  ASSERT_TRUE(writer.Parse(section.data()));
  const std::uint8_t record[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  EXPECT_TRUE(writer.SetEntry(3, ByteBuffer(record, sizeof record)));
  EXPECT_TRUE(writer.SetEntryString(4, u"alice"));
  EXPECT_FALSE(writer.IsModified());
  EXPECT_EQ(Read32(section.data() + 56), driversim::ComputeOemSectionCrc(section));

  XDevmode reader;
  ASSERT_TRUE(reader.Parse(section.data()));
  ByteBuffer entry;
  ASSERT_TRUE(reader.GetEntry(3, entry));
  EXPECT_EQ(entry.bytes(), std::vector<std::uint8_t>(record, record + 12));
  CXString name;
  ASSERT_TRUE(reader.GetEntryString(4, name));
  EXPECT_EQ(name.str(), u"alice");
  // The driver's UI side reads the same entries.
  auto entries = driversim::ReadOemSectionEntries(section);
  ASSERT_TRUE(entries.has_value());
  ASSERT_EQ(entries->size(), 2u);
  EXPECT_EQ((*entries)[0].id, 3);
}

TEST(XDevmodeSection, DamagedSectionsReadAsEmpty) {
  auto section = ClearedSection();
  XDevmode writer;
  ASSERT_TRUE(writer.Parse(section.data()));
  writer.SetEntry(3, ByteBuffer::createFromLongValue(42));

  section[70] ^= 0xFF;  // a payload byte
  XDevmode broken;
  EXPECT_FALSE(broken.Parse(section.data()));
  const std::uint32_t crc = driversim::ComputeOemSectionCrc(section);
  std::memcpy(section.data() + 56, &crc, 4);
  XDevmode fixed;
  EXPECT_TRUE(fixed.Parse(section.data()));

  // Entry lengths around the end of the section, each with a CRC that
  // matches: one that ends exactly at the last byte is read, one byte more
  // makes the whole section unreadable.
  constexpr std::uint16_t kLastFitting = XDevmode::kSectionSize - XDevmode::kEntriesOffset - 4;
  const struct {
    std::uint16_t length;
    bool readable;
  } rows[] = {{kLastFitting, true}, {kLastFitting + 1, false}, {3000, false}};
  for (const auto& row : rows) {
    auto overrun = ClearedSection();
    const std::uint16_t count = 1;
    const std::uint16_t head[2] = {3, row.length};
    std::memcpy(overrun.data() + 60, &count, 2);
    std::memcpy(overrun.data() + 62, head, 4);
    const std::uint32_t overrunCrc = driversim::ComputeOemSectionCrc(overrun);
    std::memcpy(overrun.data() + 56, &overrunCrc, 4);
    XDevmode reader;
    EXPECT_EQ(reader.Parse(overrun.data()), row.readable) << "entry length " << row.length;
    ByteBuffer entry;
    EXPECT_EQ(reader.GetEntry(3, entry), row.readable) << "entry length " << row.length;
    if (row.readable) {
      EXPECT_EQ(entry.size(), row.length);
    }
  }
}

TEST(XDevmodeSection, SaveRefusesEntriesThatDoNotFit) {
  auto section = ClearedSection();
  XDevmode writer;
  ASSERT_TRUE(writer.Parse(section.data()));
  ASSERT_TRUE(writer.SetEntry(3, ByteBuffer(std::vector<std::uint8_t>(2000, 7))));
  const auto before = section;
  EXPECT_THROW(writer.SetEntry(5, ByteBuffer(std::vector<std::uint8_t>(987, 8))), ExceptionCapacityExceeded);
  EXPECT_EQ(section, before) << "a refused save leaves the section as it was";
  ByteBuffer entry;
  EXPECT_FALSE(writer.GetEntry(5, entry));
  EXPECT_TRUE(writer.SetEntry(5, ByteBuffer(std::vector<std::uint8_t>(986, 8)))) << "exactly 2994 bytes fit";
}

TEST(XDevmodeSection, FoundThroughEitherOffsetOfTheDriverPart) {
  AttributeBytesList settings;
  settings.SetOptionValue(285, 7432);
  auto devmode = driversim::BuildDevmode({}, {}, harness::SectionWithSettings(settings));
  auto* dm = reinterpret_cast<DEVMODEW*>(devmode.data());
  XDevmode primary(dm);
  DWORD family = 0;
  EXPECT_TRUE(primary.GetOptionValueFromAttributeBytes(285, family));
  EXPECT_EQ(family, 7432u);

  // A small driver part (dmDriverExtra below 117): only the offset at byte 8 counts.
  std::vector<std::uint8_t> small(220 + 16 + XDevmode::kSectionSize, 0);
  std::memcpy(small.data(), devmode.data(), 220);
  auto* smallDm = reinterpret_cast<DEVMODEW*>(small.data());
  smallDm->dmDriverExtra = 16 + 100;  // too short for the section: nothing is found
  const std::uint16_t offset = 16;
  std::memcpy(small.data() + 220 + 8, &offset, 2);
  const std::size_t sectionAt = *driversim::FindOemSection(devmode);
  std::memcpy(small.data() + 220 + 16, devmode.data() + sectionAt, XDevmode::kSectionSize);
  EXPECT_EQ(XDevmode::GetOemDevmodeFromDevmode(smallDm), nullptr);
  smallDm->dmDriverExtra = static_cast<WORD>(16 + XDevmode::kSectionSize);
  EXPECT_EQ(XDevmode::GetOemDevmodeFromDevmode(smallDm), small.data() + 220 + 16);
  XDevmode secondary(smallDm);
  EXPECT_TRUE(secondary.GetOptionValueFromAttributeBytes(285, family));

  EXPECT_THROW(XDevmode(nullptr), ExceptionInvalidArgumentNullPointer);
}

TEST(XDevmodeSection, ConvertKeepsOwnSectionsAndClearsForeignOnes) {
  auto in = ClearedSection();
  XDevmode writer;
  ASSERT_TRUE(writer.Parse(in.data()));
  writer.SetEntry(3, ByteBuffer::createFromLongValue(5));
  std::uint32_t shortSize = 2000;
  std::memcpy(in.data(), &shortSize, 4);

  auto out = ClearedSection();
  std::memset(out.data() + 2500, 0x5A, 100);  // beyond the 2000 copied bytes: cleared, not copied
  XDevmode converter;
  EXPECT_TRUE(converter.Convert(in.data(), out.data()));
  EXPECT_EQ(Read32(out.data()), 3056u);
  EXPECT_EQ(out[2550], 0);
  ByteBuffer entry;
  EXPECT_TRUE(converter.GetEntry(3, entry));

  auto foreign = in;
  const std::uint32_t otherSignature = 0x12345678;
  std::memcpy(foreign.data() + 4, &otherSignature, 4);
  auto out2 = ClearedSection();
  XDevmode converter2;
  EXPECT_TRUE(converter2.Convert(foreign.data(), out2.data()));
  EXPECT_EQ(out2, ClearedSection());
  EXPECT_FALSE(converter2.Convert(nullptr, out2.data()));

  // Cut short inside the head: the CRC comes along but the entries do not.
  // What would not read becomes the default section, and takes entries again.
  auto cut = in;
  const std::uint32_t headOnly = 59;
  std::memcpy(cut.data(), &headOnly, 4);
  auto out3 = ClearedSection();
  XDevmode converter3;
  EXPECT_TRUE(converter3.Convert(cut.data(), out3.data()));
  EXPECT_EQ(out3, ClearedSection());
  EXPECT_TRUE(converter3.SetEntry(4, ByteBuffer::createFromLongValue(1)));
  XDevmode reread;
  ASSERT_TRUE(reread.Parse(out3.data()));
  EXPECT_TRUE(reread.GetEntry(4, entry));
}

TEST(XDevmodeSection, DevModeEntryThroughCom) {
  harness::PluginHarness h;
  OEMDMPARAM param{};
  param.cbSize = sizeof param;
  EXPECT_EQ(h.plugin->DevMode(OEMDM_SIZE, &param), S_OK);
  EXPECT_EQ(param.cbBufSize, 3056u);
  SetLastError(0);
  EXPECT_EQ(h.plugin->DevMode(5, &param), E_FAIL);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(h.plugin->DevMode(OEMDM_SIZE, nullptr), E_FAIL);

  std::vector<std::uint8_t> out(3056, 0xAB);
  param.pOEMDMOut = out.data();
  param.pPublicDMIn = h.Devmode();
  h.Devmode()->dmFields &= ~DM_SCALE;
  EXPECT_EQ(h.plugin->DevMode(OEMDM_DEFAULT, &param), S_OK);
  EXPECT_EQ(out, ClearedSection());
  EXPECT_NE(h.Devmode()->dmFields & DM_SCALE, 0u);

  auto in = ClearedSection();
  XDevmode writer;
  ASSERT_TRUE(writer.Parse(in.data()));
  writer.SetEntry(1, ByteBuffer::createFromLongValue(0));
  param.pOEMDMIn = in.data();
  EXPECT_EQ(h.plugin->DevMode(OEMDM_CONVERT, &param), S_OK);
  EXPECT_EQ(out, in);
  param.pOEMDMOut = nullptr;
  EXPECT_EQ(h.plugin->DevMode(OEMDM_CONVERT, &param), S_OK);
}

// Every mode that writes the section needs the caller's buffer to hold all of
// it. A refused call writes nothing, into the buffer or past it: the buffer is
// allocated at exactly the size offered, so a write beyond it is also an
// error of the sanitizer build.
TEST(XDevmodeSection, DevModeRefusesABufferSmallerThanTheSection) {
  harness::PluginHarness h;
  constexpr std::size_t kGuard = 64;
  auto input = ClearedSection();
  XDevmode writer;
  ASSERT_TRUE(writer.Parse(input.data()));
  // Entry 12 belongs to no one: every mode that keeps the section keeps it.
  writer.SetEntry(12, ByteBuffer::createFromLongValue(7));

  for (DWORD mode : {DWORD{OEMDM_DEFAULT}, DWORD{OEMDM_CONVERT}, DWORD{OEMDM_MERGE}}) {
    for (DWORD size : {DWORD{100}, DWORD{3055}, DWORD{3056}}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", buffer " + std::to_string(size));
      const bool fits = size >= XDevmode::kSectionSize;
      // A buffer that fits gets guard bytes behind the section. The output
      // starts with the plug-in's header (conversion keeps only sections of
      // its own signature) and filler that any write would change.
      std::vector<std::uint8_t> buffer(size + (fits ? kGuard : 0), 0xCC);
      std::memcpy(buffer.data(), input.data(), 16);
      const auto initial = buffer;
      OEMDMPARAM param{};
      param.cbSize = sizeof param;
      param.pOEMDMIn = input.data();
      param.pOEMDMOut = buffer.data();
      param.cbBufSize = size;
      param.pPublicDMIn = h.Devmode();
      h.Devmode()->dmFields &= ~DM_SCALE;
      SetLastError(0);
      const HRESULT hr = h.plugin->DevMode(mode, &param);
      if (!fits) {
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(buffer, initial);
        EXPECT_EQ(h.Devmode()->dmFields & DM_SCALE, 0u) << "the public devmode is left alone too";
        continue;
      }
      EXPECT_EQ(hr, S_OK);
      if (mode == OEMDM_MERGE) {
        // The merge adds the user's preferences (entries 3 to 9) to what it kept.
        XDevmode merged;
        ASSERT_TRUE(merged.Parse(buffer.data()));
        ByteBuffer kept;
        ASSERT_TRUE(merged.GetEntry(12, kept));
        EXPECT_EQ(kept.getAsLongValue(), 7);
        EXPECT_TRUE(merged.GetEntry(3, kept));
      } else {
        EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + size),
                  mode == OEMDM_DEFAULT ? ClearedSection() : input);
      }
      EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin() + size, buffer.end()),
                std::vector<std::uint8_t>(kGuard, 0xCC));
    }
  }
}

// The driver may hand one section as both input and output; its entries stay.
TEST(XDevmodeSection, ConvertInPlaceKeepsTheEntries) {
  auto section = ClearedSection();
  XDevmode writer;
  ASSERT_TRUE(writer.Parse(section.data()));
  writer.SetEntry(12, ByteBuffer::createFromLongValue(11));
  writer.SetEntryString(13, u"bob");
  const auto before = section;

  XDevmode converter;
  EXPECT_TRUE(converter.Convert(section.data(), section.data()));
  EXPECT_EQ(section, before);
  CXString name;
  EXPECT_TRUE(converter.GetEntryString(13, name));
  EXPECT_EQ(name.str(), u"bob");

  harness::PluginHarness h;
  for (DWORD mode : {DWORD{OEMDM_CONVERT}, DWORD{OEMDM_MERGE}}) {
    OEMDMPARAM param{};
    param.cbSize = sizeof param;
    param.pOEMDMIn = section.data();
    param.pOEMDMOut = section.data();
    param.cbBufSize = XDevmode::kSectionSize;
    EXPECT_EQ(h.plugin->DevMode(mode, &param), S_OK);
    XDevmode after;
    ASSERT_TRUE(after.Parse(section.data())) << "mode " << mode;
    EXPECT_TRUE(after.GetEntryString(13, name)) << "mode " << mode;
    EXPECT_EQ(name.str(), u"bob");
    ByteBuffer number;
    ASSERT_TRUE(after.GetEntry(12, number));
    EXPECT_EQ(number.getAsLongValue(), 11);
  }
}

TEST(XDevmodeSection, SettingsEscapesAnswerFromTheDocumentSettings) {
  harness::PluginHarness h;
  AttributeBytesList settings;
  settings.SetOptionValue(52, 4470);
  settings.SetIntegerValue(60, -3);
  AttributeBytesList media;
  media.SetPaperSizeValues(164, 2159, 2794);
  AttributeBytesList cover;
  cover.SetCollection(210, media);
  settings.SetCollection(478, cover);
  h.SetSettings(settings);
  ASSERT_EQ(h.EnablePdev(), S_OK);

  std::uint32_t feature = 52;
  DWORD value = 0;
  EXPECT_EQ(h.Escape(0xF4357568, 4, &feature, 4, &value), 1u);
  EXPECT_EQ(value, 4470u);
  EXPECT_EQ(h.Escape(0xF435756B, 4, &feature, 0, nullptr), 4470u);
  EXPECT_EQ(h.Escape(0xF4357568, 4, &feature, 2, &value), static_cast<ULONG>(E_FAIL));
  feature = 60;
  EXPECT_EQ(h.Escape(0xF4357569, 4, &feature, 4, &value), 1u);
  EXPECT_EQ(static_cast<std::int32_t>(value), -3);
  EXPECT_EQ(h.Escape(0xF435756C, 4, &feature, 0, nullptr), static_cast<ULONG>(-3));
  feature = 53;
  EXPECT_EQ(h.Escape(0xF435756B, 4, &feature, 0, nullptr), static_cast<ULONG>(E_FAIL));
  feature = 478;
  EXPECT_EQ(h.Escape(0xF435756D, 4, &feature, 0, nullptr), (2794u << 16) | 2159u);
  feature = 477;
  EXPECT_EQ(h.Escape(0xF435756D, 4, &feature, 0, nullptr), static_cast<ULONG>(E_FAIL));
  EXPECT_EQ(h.Escape(0xF435756B, 3, &feature, 0, nullptr), static_cast<ULONG>(E_FAIL));
  // The document settings are now cached in the device context.
  ByteBuffer cache;
  EXPECT_TRUE(static_cast<XOemPdev*>(h.devobj.pdevOEM)->GetBuffer(kPdevSettingsCache, cache));
  EXPECT_FALSE(cache.empty());
}

// Within one device context the settings escapes answer from the settings
// cached at their first use, also when the devmode changes meanwhile; the
// end of the document clears the cache and the next query reads the devmode.
TEST(XDevmodeSection, DeviceContextKeepsItsCachedSettingsUntilTheDocumentEnds) {
  harness::PluginHarness h;
  auto settingsWith = [](AttributeBytesValueEnum value) {
    AttributeBytesList settings;
    settings.SetOptionValue(52, value);
    return settings;
  };
  std::uint32_t feature = 52;
  auto query = [&] { return h.Escape(0xF435756B, 4, &feature, 0, nullptr); };

  h.SetSettings(settingsWith(4470));
  ASSERT_EQ(h.EnablePdev(), S_OK);
  ASSERT_EQ(h.StartDoc(u"Cached", 5), TRUE);
  EXPECT_EQ(query(), 4470u);
  h.SetSettings(settingsWith(4471));
  EXPECT_EQ(query(), 4470u) << "the devmode changed inside the device context";
  DWORD option = 0;
  EXPECT_EQ(h.Escape(0xF4357568, 4, &feature, 4, &option), 1u);
  EXPECT_EQ(option, 4470u);

  h.EndDoc();
  EXPECT_EQ(query(), 4471u);
}

}  // namespace
