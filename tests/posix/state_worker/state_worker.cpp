// One of several processes that work through the same state directory at
// once, as print jobs of several users and printers do:
//
//   renps_state_worker STATE_DIR ID ROUNDS
//
// Each round it saves the preferences of its own printer ("Worker ID") in the
// per-user hive, stores, checks and now and then invalidates that printer's
// data-model state, and writes its own value "W<ID>" into a cache that every
// worker shares (printer "Shared"). What it reads back of its own it checks
// at once; a mismatch is a line on stderr and exit status 1. The caller checks
// the last values after every worker has finished.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "observers/UserPreferenceVerticalFeature.h"
#include "platform/posixhost.h"
#include "platform/text.h"
#include "state_worker.h"
#include "zqcore/DataSourceProvider.h"
#include "zqutil/DataCache.h"

namespace {

class Provider : public DataSourceProvider {
 public:
  void OnDataSourceUpdate() override {}
};

int g_failures = 0;

void Check(bool good, int id, int round, const char* what) {
  if (good) return;
  ++g_failures;
  std::fprintf(stderr, "worker %d, round %d: %s\n", id, round, what);
}

HANDLE Open(const std::u16string& name) {
  HANDLE handle = nullptr;
  std::u16string copy = name;
  if (!OpenPrinterW(platform::W(copy.data()), &handle, nullptr)) return nullptr;
  return handle;
}

int Run(int id, int rounds) {
  using namespace state_worker;
  platform::host::SetMachineFacts(u"alice", u"desk");
  platform::host::RegisterPrinter(WorkerPrinter(id), [](const void*, std::size_t) { return true; });
  platform::host::RegisterPrinter(SharedPrinter(), [](const void*, std::size_t) { return true; });
  HANDLE own = Open(WorkerPrinter(id).name);
  HANDLE shared = Open(SharedPrinter().name);
  if (own == nullptr || shared == nullptr) {
    std::fprintf(stderr, "worker %d: cannot open its printers\n", id);
    return 2;
  }
  // The fingerprint of a stored state needs device settings.
  ByteBuffer settings = DeviceSettings(id);
  std::u16string settingsName = kDeviceSettingsName;
  if (SetPrinterDataW(own, platform::W(settingsName.data()), REG_BINARY, settings.getLpbyte(),
                      static_cast<DWORD>(settings.size())) != ERROR_SUCCESS) {
    std::fprintf(stderr, "worker %d: cannot store its device settings\n", id);
    return 2;
  }

  UserPreferenceVerticalFeature preferences(own);
  DataModelManager model(DataModelIds::kDataModelModeUserInterface, u"");
  model.PopulateFromSourceData({&preferences});
  DataModelFeatureServices& features = model.GetFeatureServices();
  Provider provider;
  DataCache cache(shared, CXString(kSharedCacheKey), 0xFFFFFFFFu);

  for (int round = 0; round < rounds; ++round) {
    features.SetCurrentValue(kFeatureJobNameIsDocument, FeatureValue::MakeBoolean(false));
    features.SetCurrentValue(kFeatureJobName, FeatureValue::MakeString(JobName(id, round)));
    features.SetCurrentValue(kFeatureUnit, FeatureValue::MakeOption(Unit(round)));
    model.FireEvent(DataModelIds::kEventSettingsSaved);

    const ByteBuffer state = State(id, round);
    provider.SetDataModelState(own, state);
    ByteBuffer read;
    provider.GetDataModelState(own, read);
    Check(read == state, id, round, "the state just stored does not read back");
    Check(provider.IsDataModelStateValid(own) == DataSourceProvider::kStateValid, id, round,
          "the state just stored is not valid");
    if (round % 3 == 1) {
      provider.InvalidateDataModelState(own);
      ByteBuffer gone;
      provider.GetDataModelState(own, gone);
      Check(gone.empty(), id, round, "an invalidated state still reads back");
      Check(provider.IsDataModelStateValid(own) == DataSourceProvider::kStateUnknown, id, round,
            "an invalidated state is not unknown");
      provider.SetDataModelState(own, state);
    }

    cache.SetCachedValue(CXString(SharedValueName(id)), static_cast<DWORD>(round), false);
    Check(cache.GetCachedLongValue(CXString(SharedValueName(id)), 0xFFFFFFFFu) == static_cast<DWORD>(round), id, round,
          "its value in the shared cache does not read back");
  }
  ClosePrinter(own);
  ClosePrinter(shared);
  return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: renps_state_worker STATE_DIR ID ROUNDS\n");
    return 2;
  }
  platform::host::SetStateDirectory(argv[1]);
  try {
    return Run(std::atoi(argv[2]), std::atoi(argv[3]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "worker %s: %s\n", argv[2], e.what());
  } catch (...) {
    std::fprintf(stderr, "worker %s: an exception\n", argv[2]);
  }
  return 3;
}
