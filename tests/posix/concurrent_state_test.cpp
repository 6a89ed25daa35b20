// Several processes (renps_state_worker) saving user preferences and filling
// and invalidating the settings caches in one state directory at once, while
// this process keeps reading the store's files: no reader ever sees a torn or
// unparsable file, and afterwards every worker's last values are there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempDirectory.h"
#include "observers/UserPreferenceVerticalFeature.h"
#include "state_worker/state_worker.h"
#include "zqcore/DataSourceProvider.h"
#include "zqutil/DataCache.h"

extern char** environ;

namespace {

using namespace state_worker;

class Provider : public DataSourceProvider {
 public:
  void OnDataSourceUpdate() override {}
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

pid_t StartWorker(const std::string& stateDir, int id, int rounds, const std::string& errors) {
  const std::string program = std::string(RENPS_BINARY_DIR) + "/bin/renps_state_worker";
  std::vector<std::string> args = {program, stateDir, std::to_string(id), std::to_string(rounds)};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  const int status = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return status == 0 ? pid : -1;
}

// A value this process wrote before the workers started, which every write
// of theirs must carry over.
struct Sentinel {
  HKEY root;
  const char16_t* key;
  const char16_t* name;
  const char16_t* text;
};
const Sentinel kSentinels[] = {
    {HKEY_LOCAL_MACHINE, u"Software\\RenPS Test", u"Sentinel", u"machine value that must survive"},
    {HKEY_CURRENT_USER, u"Software\\RenPS Test", u"Sentinel", u"user value that must survive"},
};

bool WriteSentinel(const Sentinel& s) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(s.root, platform::W(s.key), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const std::u16string text = s.text;
  const LONG status = RegSetValueExW(key, platform::W(s.name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * 2));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

// What a reader sees of a sentinel now; empty when all is well.
std::string ReadSentinel(const Sentinel& s) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExW(s.root, platform::W(s.key), 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return "key not readable: " + std::to_string(status);
  char16_t buffer[128] = {};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  status = RegQueryValueExW(key, platform::W(s.name), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return "value not readable: " + std::to_string(status);
  if (type != REG_SZ || std::u16string(buffer) != s.text) return "value changed";
  return "";
}

// A hive file as it lies on disk: whole when it starts with the store's
// header and ends at the end of a line.
std::string TornFile(const std::string& path) {
  const std::string text = ReadFile(path);
  if (text.rfind("; renps state store: ", 0) != 0) return path + " does not start with the header";
  if (text.back() != '\n') return path + " ends inside a line";
  return "";
}

class ConcurrentState : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    platform::host::Reset();
    platform::host::SetStateDirectory(state_.path());
    platform::host::SetMachineFacts(u"alice", u"desk");
  }
  void TearDown() override { platform::host::Reset(); }

  harness::TempDirectory state_{"renps-concurrent"};
  harness::TempDirectory logs_{"renps-concurrent-logs"};
};

TEST_P(ConcurrentState, EveryProcessKeepsItsLastValuesAndNoFileIsEverTorn) {
  const int workers = GetParam();
  const int rounds = workers <= 2 ? 12 : 5;
  for (const Sentinel& s : kSentinels) ASSERT_TRUE(WriteSentinel(s));

  std::vector<pid_t> pids;
  for (int id = 0; id < workers; ++id) {
    pids.push_back(StartWorker(state_.path(), id, rounds, logs_ / ("worker" + std::to_string(id))));
    ASSERT_GT(pids.back(), 0) << "cannot start worker " << id;
  }

  // Read alongside until every worker has finished.
  std::vector<int> statuses(workers, -1);
  int running = workers;
  int reads = 0;
  std::vector<std::string> problems;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (running > 0 && std::chrono::steady_clock::now() < deadline) {
    for (const Sentinel& s : kSentinels)
      if (std::string problem = ReadSentinel(s); !problem.empty()) problems.push_back(problem);
    for (const char* file : {"HKLM.reg", "HKCU.reg"})
      if (std::string problem = TornFile(state_ / file); !problem.empty()) problems.push_back(problem);
    ++reads;
    for (int id = 0; id < workers; ++id) {
      if (statuses[id] != -1) continue;
      int status = 0;
      if (::waitpid(pids[id], &status, WNOHANG) == pids[id]) {
        statuses[id] = status;
        --running;
      }
    }
  }
  ASSERT_EQ(running, 0) << "workers still running after a minute";
  EXPECT_TRUE(problems.empty()) << problems.size() << " bad reads of " << reads << ", the first: " << problems[0];
  for (int id = 0; id < workers; ++id)
    EXPECT_TRUE(WIFEXITED(statuses[id]) && WEXITSTATUS(statuses[id]) == 0)
        << "worker " << id << ": " << ReadFile(logs_ / ("worker" + std::to_string(id)));

  // The last values of each.
  const int last = rounds - 1;
  for (int id = 0; id < workers; ++id) {
    SCOPED_TRACE("worker " + std::to_string(id));
    platform::host::RegisterPrinter(WorkerPrinter(id), [](const void*, std::size_t) { return true; });
    HANDLE printer = nullptr;
    std::u16string name = WorkerPrinter(id).name;
    ASSERT_TRUE(OpenPrinterW(platform::W(name.data()), &printer, nullptr));
    UserPreferenceVerticalFeature preferences(printer);
    EXPECT_EQ(preferences.GetName(UserPreferenceVerticalFeature::kJobName), CXString(JobName(id, last)));
    EXPECT_EQ(preferences.GetNameFlag(UserPreferenceVerticalFeature::kJobName), 2u);
    EXPECT_EQ(preferences.GetUnit(), Unit(last));
    Provider provider;
    ByteBuffer state;
    provider.GetDataModelState(printer, state);
    EXPECT_EQ(state, State(id, last));
    EXPECT_EQ(provider.IsDataModelStateValid(printer), DataSourceProvider::kStateValid);
    ClosePrinter(printer);
  }

  // The shared cache holds every worker's last value, and its header names
  // them all: deleting the whole cache removes every one.
  platform::host::RegisterPrinter(SharedPrinter(), [](const void*, std::size_t) { return true; });
  HANDLE shared = nullptr;
  std::u16string sharedName = SharedPrinter().name;
  ASSERT_TRUE(OpenPrinterW(platform::W(sharedName.data()), &shared, nullptr));
  DataCache cache(shared, CXString(kSharedCacheKey), 0xFFFFFFFFu);
  for (int id = 0; id < workers; ++id)
    EXPECT_EQ(cache.GetCachedLongValue(CXString(SharedValueName(id)), 0xFFFFFFFFu), static_cast<DWORD>(last))
        << "worker " << id;
  cache.DeleteCache(CXString(), true);
  for (int id = 0; id < workers; ++id)
    EXPECT_FALSE(cache.IsCachedValuePresent(CXString(SharedValueName(id))))
        << "worker " << id << "'s value is missing from the cache's header";
  ClosePrinter(shared);

  // No temporary file is left behind.
  for (const auto& entry : std::filesystem::directory_iterator(state_.path()))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Processes, ConcurrentState, ::testing::Values(2, 8),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

}  // namespace
