// Plays an application that sends the plug-in's private escapes with
// arbitrary data, around the driver's own calls, then prints a short job so
// that whatever was stored (snippets, fax cover and destinations, state
// values) is written out.
//
// Input (read front to back; a short input simply ends the script):
//   byte 0          bits 0-2 choose the document settings (table below);
//                   bit 3 leaves the driver's escape hook out
//   then steps      one op byte each:
//     op & 7 < 4    an escape: a selector byte (below 16: a known escape,
//                   else the private range by the next two bytes), cjIn as
//                   two bytes, cjIn input bytes, cjOut as one byte; a size
//                   of zero comes with a null pointer, any other with a
//                   buffer, and op bits 4 (pvIn) and 5 (pvOut) swap that
//     op & 7 == 4   start a page        5  send the page
//     op & 7 == 6   Command at the injection point chosen by the next byte
//     op & 7 == 7   start (bit 3 clear) or end (bit 3 set) the document
// Input and output buffers are exactly cjIn and cjOut bytes on the heap, so
// a read or write beyond them is caught.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "PluginHarness.h"

namespace {

constexpr ULONG kPrivateFirst = 0xF43574A0;
constexpr ULONG kPrivateCount = 0xF4357700 - kPrivateFirst;
constexpr ULONG kStoreValue = 0xF43574AA;
constexpr ULONG kValueLength = 0xF43574AB;
constexpr ULONG kValueBytes = 0xF43574AC;

constexpr ULONG kKnownEscapes[] = {
    0xF4357504, 0xF43575CC, 0xF43575CD, kStoreValue, kValueLength, kValueBytes, 0xF4357568, 0xF4357569,
    0xF435756A, 0xF435756B, 0xF435756C, 0xF435756D,  0xF4357630,   0xF4357631,  0xF4357632, QUERYESCSUPPORT,
};

constexpr DWORD kPointsTried[] = {
    PSINJECT_BEGINSTREAM,    PSINJECT_PSADOBE,      PSINJECT_COMMENTS,    PSINJECT_BEGINPROLOG,
    PSINJECT_ENDPROLOG,      PSINJECT_BEGINSETUP,   PSINJECT_ENDSETUP,    PSINJECT_PAGENUMBER,
    PSINJECT_BEGINPAGESETUP, PSINJECT_ENDPAGESETUP, PSINJECT_PAGETRAILER, PSINJECT_SHOWPAGE,
    PSINJECT_TRAILER,        PSINJECT_EOF,          PSINJECT_ENDSTREAM,   PSINJECT_DLFONT,
};

void Check(bool condition) {
  if (!condition) std::abort();
}

// Document settings that reach the escape handlers' and writers' branches:
// the escape filter, the not-journaled feature, fax output with every
// option of the fax collection, and paper sizes for the size query.
std::optional<AttributeBytesList> Settings(unsigned choice) {
  AttributeBytesList settings;
  switch (choice) {
    case 0:
      return std::nullopt;  // a devmode without the plug-in's section
    case 1:
      return settings;
    case 2: {
      settings.SetOptionValue(285, 7432);
      settings.SetOptionValue(50, 7120);
      settings.SetIntegerValue(400, -7);
      AttributeBytesList media;
      media.SetPaperSizeValues(164, 2100, 2970);
      AttributeBytesList tray;
      tray.SetCollection(210, media);
      settings.SetCollection(477, tray);
      settings.SetCollection(478, AttributeBytesList{});
      return settings;
    }
    case 3:
    case 4: {
      settings.SetOptionValue(285, 7432);
      settings.SetOptionValue(36, 6894);
      settings.SetNewValueId(155, u"2");
      AttributeBytesList fax;
      fax.SetOptionValue(337, 7221);
      fax.SetOptionValue(348, 7110);
      fax.SetOptionValue(347, 7104);
      fax.SetBooleanValue(338, true);
      fax.SetStringValue(346, u"4111111111111111");
      fax.SetBooleanValue(339, true);
      fax.SetStringValue(345, u"0");
      if (choice == 4) {
        // Midnight has passed at every other minute of the day: the date moves on.
        fax.SetOptionValue(341, 7231);
        fax.SetStringValue(342, u"0");
        fax.SetStringValue(343, u"0");
      }
      settings.SetCollection(332, fax);
      return settings;
    }
    default: {
      // Another family, and send times that are no times of day.
      settings.SetOptionValue(285, 7425 + choice);
      settings.SetOptionValue(36, 6894);
      settings.SetOptionValue(50, 7120);
      AttributeBytesList fax;
      fax.SetOptionValue(341, 7231);
      fax.SetStringValue(342, choice == 5 ? u"99" : u"");
      fax.SetStringValue(343, choice == 5 ? u"-1" : u"x");
      settings.SetCollection(332, fax);
      return settings;
    }
  }
}

class Script {
 public:
  Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Byte(std::uint8_t& out) {
    if (at_ >= size_) return false;
    out = data_[at_++];
    return true;
  }
  bool Word(std::uint16_t& out) {
    std::uint8_t low = 0, high = 0;
    if (!Byte(low) || !Byte(high)) return false;
    out = static_cast<std::uint16_t>(low | (high << 8));
    return true;
  }
  // Up to `wanted` bytes; fewer when the input ends.
  std::unique_ptr<std::uint8_t[]> Bytes(std::size_t wanted, std::size_t& got) {
    got = wanted < size_ - at_ ? wanted : size_ - at_;
    auto bytes = std::make_unique<std::uint8_t[]>(got);
    if (got != 0) std::memcpy(bytes.get(), data_ + at_, got);
    at_ += got;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A stored value reads back through the two query escapes as it went in.
void CheckStoredValue(harness::PluginHarness& h, const std::uint8_t* in, std::size_t cjIn) {
  std::uint32_t length = 0;
  std::memcpy(&length, in + 4, 4);
  auto key = std::make_unique<std::uint8_t[]>(4);
  std::memcpy(key.get(), in, 4);
  auto out = std::make_unique<std::uint8_t[]>(4);
  Check(h.Escape(kValueLength, 4, key.get(), 4, out.get()) == 1);
  std::uint32_t reported = 0;
  std::memcpy(&reported, out.get(), 4);
  Check(reported == length && length <= cjIn - 8);
  if (length == 0) return;
  auto bytes = std::make_unique<std::uint8_t[]>(length);
  Check(h.Escape(kValueBytes, 4, key.get(), length, bytes.get()) == 1);
  Check(std::memcmp(bytes.get(), in + 8, length) == 0);
}

void SendEscape(harness::PluginHarness& h, Script& script, std::uint8_t op) {
  std::uint8_t selector = 0;
  if (!script.Byte(selector)) return;
  ULONG escape = 0;
  if (selector < std::size(kKnownEscapes)) {
    escape = kKnownEscapes[selector];
  } else {
    std::uint16_t offset = 0;
    if (!script.Word(offset)) return;
    escape = kPrivateFirst + offset % kPrivateCount;
  }
  std::uint16_t wantedIn = 0;
  std::uint8_t cjOut = 0;
  if (!script.Word(wantedIn)) return;
  std::size_t cjIn = 0;
  auto in = script.Bytes(wantedIn, cjIn);
  script.Byte(cjOut);
  auto out = std::make_unique<std::uint8_t[]>(cjOut);
  // A buffer for a size above zero, none for zero; the op's bits swap that.
  void* pvIn = ((cjIn != 0) != ((op & 0x10) != 0)) ? in.get() : nullptr;
  void* pvOut = ((cjOut != 0) != ((op & 0x20) != 0)) ? out.get() : nullptr;
  const ULONG result = h.Escape(escape, static_cast<ULONG>(cjIn), pvIn, cjOut, pvOut);
  if (escape == kStoreValue && result == 1) {
    Check(pvIn != nullptr && cjIn >= 8);
    CheckStoredValue(h, in.get(), cjIn);
  }
  h.output.clear();
}

// The job the stored data is written into: setup, two pages, end.
void PrintShortJob(harness::PluginHarness& h) {
  h.StartDoc(u"fuzz", 7);
  for (DWORD point : {PSINJECT_BEGINSTREAM, PSINJECT_PSADOBE, PSINJECT_BEGINPROLOG, PSINJECT_ENDPROLOG,
                      PSINJECT_BEGINSETUP, PSINJECT_ENDSETUP})
    h.Command(point);
  for (int page = 0; page < 2; ++page) {
    h.StartPage();
    h.Command(PSINJECT_BEGINPAGESETUP);
    h.Command(PSINJECT_ENDPAGESETUP);
    h.Command(PSINJECT_SHOWPAGE);
    h.SendPage();
  }
  h.Command(PSINJECT_TRAILER);
  h.Command(PSINJECT_ENDSTREAM);
  h.EndDoc();
  h.output.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Script script(data, size);
  std::uint8_t setup = 0;
  if (!script.Byte(setup)) return 0;

  harness::PluginHarness h;
  h.driver->SetRecording(false);
  const auto settings = Settings(setup & 7);
  h.SetDevmode(driversim::PublicFields{}, driversim::DriverOptions{},
               settings ? std::optional(harness::SectionWithSettings(*settings)) : std::nullopt);
  Check(h.EnablePdev((setup & 8) == 0) == S_OK);

  std::uint8_t op = 0;
  for (int steps = 0; steps < 64 && script.Byte(op); ++steps) {
    switch (op & 7) {
      case 4:
        h.StartPage();
        break;
      case 5:
        h.SendPage();
        break;
      case 6: {
        std::uint8_t point = 0;
        if (script.Byte(point)) h.Command(kPointsTried[point % std::size(kPointsTried)]);
        break;
      }
      case 7:
        if (op & 8)
          h.EndDoc();
        else
          h.StartDoc(u"fuzz", op);
        break;
      default:
        SendEscape(h, script, op);
        break;
    }
    h.output.clear();
  }
  PrintShortJob(h);
  return 0;
}
