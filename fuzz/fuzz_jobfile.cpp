// Feeds arbitrary text to the host's job-file reader. Unusable input is
// refused with an InputError that names the file; any other exception is a
// fault (libFuzzer reports it). A job file that is accepted must also build
// everything the host makes from it: the settings images, the devmode of the
// job and of every page that changes it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DevmodeLayout.h"
#include "JobFile.h"
#include "Settings.h"
#include "zqutil/PersistentAttributes.h"

namespace {

constexpr char kName[] = "fuzz.json";

void Check(bool condition) {
  if (!condition) std::abort();
}

void BuildDevmode(const renps::JobFile& job, const renps::DevmodeSettings& wanted) {
  driversim::PublicFields fields = wanted.fields;
  fields.deviceName = job.printer.name.substr(0, CCHDEVICENAME - 1);
  const auto devmode = driversim::BuildDevmode(fields, wanted.driver);
  Check(devmode.size() >= driversim::kPublicDevmodeSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  renps::JobFile job;
  try {
    job = renps::ParseJobFile(text, kName);
  } catch (const renps::InputError& e) {
    Check(std::string_view(e.what()).substr(0, sizeof kName - 1) == kName);
    return 0;
  }
  for (const auto* settings : {&job.settings, &job.printer.deviceSettings}) {
    const PersistentAttributes image(renps::BuildSettingsImage(*settings), false);
    Check(image.IsValid());
  }
  renps::DevmodeSettings current = job.devmode;
  BuildDevmode(job, current);
  for (const auto& [page, change] : job.pageDevmodes) {
    Check(page >= 1);
    current = renps::ApplyDevmodeChange(current, change);
    BuildDevmode(job, current);
  }
  return 0;
}
