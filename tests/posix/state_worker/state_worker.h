// What the state workers (renps_state_worker) write, shared by the worker and
// the test that starts them, so that the test knows each worker's last values.
#pragma once

#include <string>

#include "platform/posixhost.h"
#include "platform/text.h"
#include "zqutil/ByteBuffer.h"

namespace state_worker {

inline constexpr char16_t kSharedCacheKey[] = u"Shared";
inline constexpr char16_t kDeviceSettingsName[] = u"TmrDeviceSettings";
// The user preference features a worker changes: the job-name group (its
// "use the document name" boolean and the name) and the unit.
inline constexpr int kFeatureJobNameIsDocument = 438;
inline constexpr int kFeatureJobName = 78;
inline constexpr int kFeatureUnit = 237;

inline std::u16string Number(int n) {
  return platform::FromUtf8(std::to_string(n));
}

inline platform::host::PrinterDescription WorkerPrinter(int id) {
  platform::host::PrinterDescription printer;
  printer.name = u"Worker " + Number(id);
  printer.port = u"IP_198.51.100." + Number(id + 1);
  return printer;
}

inline platform::host::PrinterDescription SharedPrinter() {
  platform::host::PrinterDescription printer;
  printer.name = u"Shared";
  printer.port = u"IP_198.51.100.250";
  return printer;
}

inline std::u16string SharedValueName(int id) {
  return u"W" + Number(id);
}

inline std::u16string JobName(int id, int round) {
  return u"worker " + Number(id) + u" round " + Number(round);
}

// Metric and inch in turn.
inline unsigned Unit(int round) {
  return round % 2 == 0 ? 6492u : 6491u;
}

// Of a length that changes with the round, so that files change size.
inline ByteBuffer State(int id, int round) {
  ByteBuffer state;
  for (int i = 0; i < 3 + (round % 5) * 7; ++i) state.appendByte(static_cast<std::uint8_t>(id * 31 + round + i));
  return state;
}

inline ByteBuffer DeviceSettings(int id) {
  ByteBuffer settings;
  for (int i = 0; i < 16; ++i) settings.appendByte(static_cast<std::uint8_t>(id + i));
  return settings;
}

}  // namespace state_worker
