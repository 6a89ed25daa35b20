#include "zqutil/DataEncrypter.h"

#include <cstring>
#include <random>

#include "zqutil/Crc32.h"
#include "zqutil/TamorException.h"

namespace {

constexpr const char* kSource = "zqutil/dataencrypter";
constexpr std::uint8_t kMagic[4] = {'T', 'K', 'E', '1'};
constexpr std::size_t kNonceSize = 12;
constexpr std::size_t kHeaderSize = sizeof kMagic + kNonceSize;
constexpr std::size_t kCheckSize = 4;
// Passcodes and names, not documents: a bound keeps a damaged value from
// turning into a large allocation.
constexpr std::size_t kMaxTextUnits = 4096;

constexpr std::array<std::uint8_t, 32> kKey = {0x3b, 0x91, 0x5e, 0x0c, 0xd4, 0x77, 0xa2, 0x19, 0x6f, 0xe8, 0x42,
                                               0xb5, 0x08, 0xc3, 0x9d, 0x21, 0x7a, 0x56, 0xf0, 0x1e, 0x83, 0x2c,
                                               0xbd, 0x64, 0x95, 0x0f, 0xda, 0x38, 0x4b, 0xe1, 0x72, 0xac};

std::uint32_t Rotl(std::uint32_t v, int n) {
  return (v << n) | (v >> (32 - n));
}

void QuarterRound(std::uint32_t* x, int a, int b, int c, int d) {
  x[a] += x[b];
  x[d] = Rotl(x[d] ^ x[a], 16);
  x[c] += x[d];
  x[b] = Rotl(x[b] ^ x[c], 12);
  x[a] += x[b];
  x[d] = Rotl(x[d] ^ x[a], 8);
  x[c] += x[d];
  x[b] = Rotl(x[b] ^ x[c], 7);
}

std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

[[noreturn]] void Fail(int line, const char16_t* why) {
  TamorThrow<ExceptionDataEncrypterFailure>(kSource, line, "DataEncrypter::DecryptString", why);
}

}  // namespace

void DataEncrypter::ChaCha20(const std::array<std::uint8_t, 32>& key, const std::array<std::uint8_t, 12>& nonce,
                             std::uint32_t counter, std::uint8_t* data, std::size_t length) {
  std::uint32_t state[16] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
  for (int i = 0; i < 8; ++i) state[4 + i] = Load32(key.data() + 4 * i);
  for (int i = 0; i < 3; ++i) state[13 + i] = Load32(nonce.data() + 4 * i);
  for (std::size_t offset = 0; offset < length; offset += 64, ++counter) {
    state[12] = counter;
    std::uint32_t x[16];
    std::memcpy(x, state, sizeof x);
    for (int round = 0; round < 10; ++round) {
      QuarterRound(x, 0, 4, 8, 12);
      QuarterRound(x, 1, 5, 9, 13);
      QuarterRound(x, 2, 6, 10, 14);
      QuarterRound(x, 3, 7, 11, 15);
      QuarterRound(x, 0, 5, 10, 15);
      QuarterRound(x, 1, 6, 11, 12);
      QuarterRound(x, 2, 7, 8, 13);
      QuarterRound(x, 3, 4, 9, 14);
    }
    const std::size_t block = std::min<std::size_t>(64, length - offset);
    for (std::size_t i = 0; i < block; ++i) {
      const std::uint32_t word = x[i / 4] + state[i / 4];
      data[offset + i] ^= static_cast<std::uint8_t>(word >> (8 * (i % 4)));
    }
  }
}

ByteBuffer DataEncrypter::EncryptString(const CXString& text) {
  if (text.GetLength() > kMaxTextUnits)
    TamorThrow<ExceptionDataEncrypterFailure>(kSource, __LINE__, "DataEncrypter::EncryptString", u"text too long");
  std::array<std::uint8_t, kNonceSize> nonce{};
  try {
    std::random_device random;
    for (std::uint8_t& b : nonce) b = static_cast<std::uint8_t>(random());
  } catch (const std::exception&) {
    TamorThrow<ExceptionDataEncrypterFailure>(kSource, __LINE__, "DataEncrypter::EncryptString",
                                              u"no source of random numbers");
  }
  ByteBuffer body;
  for (char16_t unit : text.str()) {
    body.appendByte(static_cast<std::uint8_t>(unit));
    body.appendByte(static_cast<std::uint8_t>(unit >> 8));
  }
  body.appendDword(Crc32::GetCrc(body.getLpbyte(), body.size()));
  ChaCha20(kKey, nonce, 1, body.getLpbyte(), body.size());

  ByteBuffer out(kMagic, sizeof kMagic);
  out.appendLpbyte(nonce.data(), nonce.size());
  out.append(body);
  return out;
}

CXString DataEncrypter::DecryptString(const ByteBuffer& encrypted) {
  if (encrypted.size() < kHeaderSize + kCheckSize) Fail(__LINE__, u"too short");
  if (std::memcmp(encrypted.getLpbyte(), kMagic, sizeof kMagic) != 0) Fail(__LINE__, u"not an encrypted text");
  const std::size_t bodySize = encrypted.size() - kHeaderSize;
  if ((bodySize - kCheckSize) % 2 != 0 || (bodySize - kCheckSize) / 2 > kMaxTextUnits) Fail(__LINE__, u"bad length");
  std::array<std::uint8_t, kNonceSize> nonce{};
  std::memcpy(nonce.data(), encrypted.getLpbyte() + sizeof kMagic, kNonceSize);
  ByteBuffer body(encrypted.getLpbyte() + kHeaderSize, bodySize);
  ChaCha20(kKey, nonce, 1, body.getLpbyte(), body.size());
  const std::size_t textBytes = bodySize - kCheckSize;
  if (Crc32::GetCrc(body.getLpbyte(), textBytes) != Load32(body.getLpbyte() + textBytes))
    Fail(__LINE__, u"check value does not match");
  std::u16string text(textBytes / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(body.getLpbyte()[2 * i] | body.getLpbyte()[2 * i + 1] << 8);
  return CXString(text);
}
