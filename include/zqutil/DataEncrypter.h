// DataEncrypter: reversible encryption of short texts kept at rest (a user's
// job passcode in the per-user registry), so they are never stored in clear.
//
// Form of an encrypted text (bytes):
//   0   "TKE1"                     magic and version
//   4   12-byte nonce              random for every encryption
//   16  ChaCha20 (RFC 8439, block counter from 1) over the text's UTF-16LE
//       units followed by the CRC-32 of those bytes (little-endian)
// The key is the library's own, fixed 256-bit key. This keeps passcodes out of
// the store's files, their backups and anything that reads or searches them;
// it does not protect them from someone who holds this library and the
// user's store together, which no scheme without a user secret can.
// Decryption throws ExceptionDataEncrypterFailure for bytes that are not an
// encrypted text (wrong magic, too short, odd length, check value wrong).
#pragma once

#include <array>
#include <cstdint>

#include "zqutil/ByteBuffer.h"
#include "zqutil/CXString.h"

class DataEncrypter {
 public:
  static ByteBuffer EncryptString(const CXString& text);
  static CXString DecryptString(const ByteBuffer& encrypted);

  // The cipher itself: XORs `data` with the ChaCha20 key stream.
  static void ChaCha20(const std::array<std::uint8_t, 32>& key, const std::array<std::uint8_t, 12>& nonce,
                       std::uint32_t counter, std::uint8_t* data, std::size_t length);
};
