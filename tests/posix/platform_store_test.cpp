// The state store behind the registry calls: round trips, the file text,
// damaged files, concurrent writers, and what one call into the plug-in sees.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform_testing.h"

namespace {

using platform_testing::StateDirTest;
using platform_testing::W;

// The literal's units with its terminator (Z) or without (Raw).
template <std::size_t N>
std::vector<BYTE> Z(const char16_t (&text)[N]) {
  std::vector<BYTE> out(N * 2);
  std::memcpy(out.data(), text, out.size());
  return out;
}
template <std::size_t N>
std::vector<BYTE> Raw(const char16_t (&text)[N]) {
  auto out = Z(text);
  out.resize(out.size() - 2);
  return out;
}

class StoreTest : public StateDirTest {
 protected:
  HKEY Create(HKEY root, const std::u16string& path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(root, W(path), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    return key;
  }
  // Reading through a fresh cache proves the value came back from the file.
  void ForgetMemory() { platform::host::SetStateDirectory(dir_); }
};

struct RoundTrip {
  const char* label;
  std::u16string name;
  DWORD type;
  std::vector<BYTE> data;
};

TEST_F(StoreTest, EveryValueShapeComesBackFromTheFileByteForByte) {
  std::vector<BYTE> longBlob(300);
  for (std::size_t i = 0; i < longBlob.size(); ++i) longBlob[i] = static_cast<BYTE>(i * 7);
  const std::vector<RoundTrip> cases = {
      {"dword", u"Count", REG_DWORD, {0x0a, 0, 0, 0}},
      {"binary", u"Blob", REG_BINARY, {0x0a, 0x0b}},
      {"empty binary", u"Nothing", REG_BINARY, {}},
      {"long binary wraps", u"Long", REG_BINARY, longBlob},
      {"sz", u"Name", REG_SZ, Z(u"text with \" escapes")},
      {"sz with escapes", u"Odd \\ \"name\"", REG_SZ, Z(u"tab\there\nback\\slash \u00e9\U0001F600 \xD800 end")},
      {"multi_sz", u"List", REG_MULTI_SZ, Z(u"one\0two\0")},
      {"sz without terminator", u"Cut", REG_SZ, Raw(u"abc")},
      {"short dword", u"Short", REG_DWORD, {1, 2, 3}},
      {"multi_sz with empty item", u"Holes", REG_MULTI_SZ, Z(u"a\0\0b\0")},
      {"other type", u"Expand", REG_EXPAND_SZ, Z(u"%TEMP%")},
      {"default value", u"", REG_SZ, Z(u"default")},
  };
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Demo");
  for (const auto& c : cases)
    ASSERT_EQ(RegSetValueExW(key, W(c.name), 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())),
              ERROR_SUCCESS)
        << c.label;
  RegCloseKey(key);
  ForgetMemory();

  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(u"software\\DEMO"), 0, KEY_READ, &key), ERROR_SUCCESS);
  for (const auto& c : cases) {
    DWORD type = 0;
    std::vector<BYTE> data(c.data.size() + 8, 0xEE);
    auto size = static_cast<DWORD>(data.size());
    ASSERT_EQ(RegQueryValueExW(key, W(c.name), nullptr, &type, data.data(), &size), ERROR_SUCCESS) << c.label;
    EXPECT_EQ(type, c.type) << c.label;
    data.resize(size);
    EXPECT_EQ(data, c.data) << c.label;
  }
  RegCloseKey(key);
  EXPECT_EQ(platform::host::GetLastStoreError(), "");
}

TEST_F(StoreTest, FileIsReadableTextInTheRegistryFileManner) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"Printers\\Demo\\PrinterDriverData");
  DWORD ten = 10;
  BYTE blob[] = {0x0a, 0x0b};
  auto text = Z(u"text with \" escapes");
  auto list = Z(u"one\0two\0");
  RegSetValueExW(key, W(u"Count"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&ten), 4);
  RegSetValueExW(key, W(u"Blob"), 0, REG_BINARY, blob, 2);
  RegSetValueExW(key, W(u"Name"), 0, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
  RegSetValueExW(key, W(u"List"), 0, REG_MULTI_SZ, list.data(), static_cast<DWORD>(list.size()));
  RegCloseKey(key);

  std::string file = ReadText(Path("HKLM.reg"));
  EXPECT_NE(file.find("\n[Printers\\\\Demo\\\\PrinterDriverData]\n"
                      "\"Count\"=dword:0000000a\n"
                      "\"Blob\"=hex:0a,0b\n"
                      "\"Name\"=sz:\"text with \\\" escapes\"\n"
                      "\"List\"=multi_sz:\"one\",\"two\"\n"),
            std::string::npos)
      << file;
  EXPECT_FALSE(std::filesystem::exists(Path("HKCU.reg")));
}

TEST_F(StoreTest, QuerySizeProtocolAndMissingNames) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Demo");
  auto text = Z(u"abcdef");
  ASSERT_EQ(RegSetValueExW(key, W(u"Name"), 0, REG_SZ, text.data(), 14), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, W(u"NAME"), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 14u);
  EXPECT_EQ(type, REG_SZ);
  BYTE small[4] = {};
  size = sizeof(small);
  EXPECT_EQ(RegQueryValueExW(key, W(u"Name"), nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 14u);
  EXPECT_EQ(RegQueryValueExW(key, W(u"Missing"), nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(key, W(u"Name")), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, W(u"Name")), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  HKEY other = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(u"Software\\Absent"), 0, KEY_READ, &other), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(u"Software"), 0, KEY_READ, &other), ERROR_SUCCESS);
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExW(other, W(u"X"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCloseKey(other), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(other), ERROR_INVALID_HANDLE);
}

TEST_F(StoreTest, DamagedFileFailsWithPathAndLineAndIsNotRewritten) {
  const std::string damaged =
      "; hand-edited\n"
      "[Software\\\\Demo]\n"
      "\"Good\"=dword:00000001\n"
      "\"Bad\"=dword:12\n";
  WriteText(Path("HKCU.reg"), damaged);
  std::vector<std::u16string> debugLines;
  platform::host::SetDebugLogSink([&](std::u16string_view line) { debugLines.emplace_back(line); });

  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(u"Software\\Demo"), 0, KEY_ALL_ACCESS, &key), ERROR_BADDB);
  const std::string where = Path("HKCU.reg") + ":4:";
  EXPECT_EQ(platform::host::GetLastStoreError().rfind(where, 0), 0u) << platform::host::GetLastStoreError();
  ASSERT_FALSE(debugLines.empty());
  EXPECT_NE(platform::ToUtf8(debugLines.back()).find(where), std::string::npos);

  DWORD one = 1;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_CURRENT_USER, W(u"Software\\Other"), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_BADDB);
  EXPECT_EQ(RegSetValueExW(HKEY_CURRENT_USER, W(u"Top"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_BADDB);
  EXPECT_EQ(ReadText(Path("HKCU.reg")), damaged);
}

TEST_F(StoreTest, DamagedLinesOfEveryKindAreNamed) {
  struct Case {
    const char* text;
    int line;
  };
  const Case cases[] = {
      {"\"Orphan\"=dword:00000001\n", 1},
      {"[A]\n\"x\"=hex:0a,0\n", 2},
      {"[A]\n\n\"x\"=sz:\"unterminated\n", 3},
      {"[A]\n\"x\"=sz:\"bad \\q escape\"\n", 2},
      {"[A]\n\"x\"=float:1.0\n", 2},
      {"[A]\n\"x\"=dword:00000001\n\"X\"=dword:00000002\n", 3},
      {"[A\n", 1},
      {"junk\n", 1},
      {"[A]\n\"x\"=hex:0a,\\\n", 2},
  };
  for (const auto& c : cases) {
    WriteText(Path("HKLM.reg"), c.text);
    platform::host::SetStateDirectory(dir_);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(u"A"), 0, KEY_READ, &key), ERROR_BADDB) << c.text;
    EXPECT_NE(platform::host::GetLastStoreError().find("HKLM.reg:" + std::to_string(c.line) + ":"), std::string::npos)
        << c.text << " -> " << platform::host::GetLastStoreError();
  }
}

TEST_F(StoreTest, TwoProcessesWritingTheSameHiveLoseNothing) {
  constexpr int kValues = 40;
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"Printers\\Demo\\PrinterDriverData");
  RegCloseKey(key);
  pid_t children[2];
  for (int child = 0; child < 2; ++child) {
    children[child] = ::fork();
    ASSERT_GE(children[child], 0);
    if (children[child] == 0) {
      HKEY k = nullptr;
      int failures = RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(u"Printers\\Demo\\PrinterDriverData"), 0, KEY_ALL_ACCESS,
                                   &k) != ERROR_SUCCESS;
      for (DWORD i = 0; i < kValues; ++i) {
        std::u16string name = (child == 0 ? u"first" : u"second") + platform::FromUtf8(std::to_string(i));
        DWORD value = i + static_cast<DWORD>(child) * 1000;
        failures += RegSetValueExW(k, W(name), 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4) != ERROR_SUCCESS;
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(u"Printers\\Demo\\PrinterDriverData"), 0, KEY_READ, &key),
            ERROR_SUCCESS);
  for (int child = 0; child < 2; ++child) {
    for (DWORD i = 0; i < kValues; ++i) {
      std::u16string name = (child == 0 ? u"first" : u"second") + platform::FromUtf8(std::to_string(i));
      DWORD value = 0, size = 4;
      ASSERT_EQ(RegQueryValueExW(key, W(name), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS)
          << platform::ToUtf8(name);
      EXPECT_EQ(value, i + static_cast<DWORD>(child) * 1000);
    }
  }
  RegCloseKey(key);
  // No temporary file is left behind.
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".HKLM.reg."), std::string::npos) << entry.path();
}

TEST_F(StoreTest, ReadsFromMemorySeeWhatOtherProcessesAndEditorsChanged) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"Printers\\Demo\\PrinterDriverData");
  auto read = [&] {
    DWORD value = 0, size = 4;
    EXPECT_EQ(RegQueryValueExW(key, W(u"Shared"), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    return value;
  };
  auto set = [&](DWORD value) {
    return RegSetValueExW(key, W(u"Shared"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4) == ERROR_SUCCESS;
  };
  // Values of one size, written back to back: the file's size never tells
  // the versions apart, and neither, within a clock tick, its time.
  for (DWORD round = 0; round < 10; ++round) {
    ASSERT_TRUE(set(2 * round));
    ASSERT_EQ(read(), 2 * round);
    ASSERT_EQ(read(), 2 * round);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(set(2 * round + 1) ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(read(), 2 * round + 1) << "round " << round;
  }

  // An edit in place that keeps the file's size and puts its modification
  // time back.
  const std::string path = Path("HKLM.reg");
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  std::string text = ReadText(path);
  const auto at = text.find("dword:00000013");
  ASSERT_NE(at, std::string::npos) << text;
  text.replace(at, 14, "dword:00000042");
  WriteText(path, text);
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(read(), 0x42u);
  RegCloseKey(key);
}

TEST_F(StoreTest, ACallLooksAtTheFileOnceAndItsChangesLoseNoOtherWrite) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"Printers\\Demo\\PrinterDriverData");
  auto read = [&](const char16_t* name) {
    DWORD value = 0, size = 4;
    EXPECT_EQ(RegQueryValueExW(key, W(name), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    return value;
  };
  auto set = [&](const char16_t* name, DWORD value) {
    return RegSetValueExW(key, W(name), 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4) == ERROR_SUCCESS;
  };
  auto elsewhere = [&](DWORD value) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(set(u"Shared", value) ? 0 : 1);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  ASSERT_TRUE(set(u"Shared", 1));

  platform::host::BeginStoreSnapshot();
  EXPECT_EQ(read(u"Shared"), 1u);
  ASSERT_TRUE(elsewhere(2));
  EXPECT_EQ(read(u"Shared"), 1u) << "inside a call the file was looked at once";
  // A change of the call's own starts from the file, with the other write in it.
  ASSERT_TRUE(set(u"Mine", 5));
  EXPECT_EQ(read(u"Mine"), 5u);
  EXPECT_EQ(read(u"Shared"), 2u);
  // Nested calls are one call.
  platform::host::BeginStoreSnapshot();
  ASSERT_TRUE(elsewhere(3));
  platform::host::EndStoreSnapshot();
  EXPECT_EQ(read(u"Shared"), 2u);
  platform::host::EndStoreSnapshot();
  EXPECT_EQ(read(u"Shared"), 3u) << "after the call every read looks again";

  ForgetMemory();
  EXPECT_EQ(read(u"Shared"), 3u);
  EXPECT_EQ(read(u"Mine"), 5u);
  RegCloseKey(key);
}

}  // namespace
