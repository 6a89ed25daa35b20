// File calls with Windows semantics over file descriptors.
#include <cstring>
#include <filesystem>

#include "platform_testing.h"

namespace {

using platform_testing::StateDirTest;
using platform_testing::W;

class FilesTest : public StateDirTest {
 protected:
  HANDLE Open(const std::u16string& path, DWORD access, DWORD disposition) {
    return CreateFileW(W(path), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
};

struct DispositionCase {
  DWORD disposition;
  bool existsBefore;
  bool opens;
  DWORD lastError;
  std::uintmax_t sizeAfter;  // when the file exists afterwards
};

TEST_F(FilesTest, CreationDispositionsFollowWindows) {
  const DispositionCase cases[] = {
      {CREATE_NEW, false, true, ERROR_SUCCESS, 0},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, 5},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, 0},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 0},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, 0},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, 5},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, 0},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 5},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, 0},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "disposition " << c.disposition << " exists " << c.existsBefore);
    std::filesystem::remove(Path("f.bin"));
    if (c.existsBefore) WriteText(Path("f.bin"), "hello");
    SetLastError(12345);
    HANDLE h = Open(WidePath("f.bin"), GENERIC_READ | GENERIC_WRITE, c.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(GetLastError(), c.lastError);
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(h));
    }
    if (c.opens || c.existsBefore)
      EXPECT_EQ(std::filesystem::file_size(Path("f.bin")), c.sizeAfter);
    else
      EXPECT_FALSE(std::filesystem::exists(Path("f.bin")));
  }
}

TEST_F(FilesTest, AppendAtEndAndReadToEndOfFile) {
  WriteText(Path("spool.ps"), "hello");
  // Backslashes separate like slashes, as in the paths the plug-in builds.
  std::u16string path = platform::FromUtf8(dir_) + u"\\spool.ps";
  HANDLE h = Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), 5u);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, "XY", 2, &written, nullptr));
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_CURRENT), 4u);
  char buffer[16] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(h, buffer, sizeof(buffer), &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "oXY");
  read = 99;
  EXPECT_TRUE(ReadFile(h, buffer, sizeof(buffer), &read, nullptr));  // end of file: success, nothing read
  EXPECT_EQ(read, 0u);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(ReadText(Path("spool.ps")), "helloXY");
}

TEST_F(FilesTest, FilePointerCarriesTheHighPartAndRefusesNegativePositions) {
  HANDLE h = Open(WidePath("big.bin"), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LONG high = 1;
  EXPECT_EQ(SetFilePointer(h, 5, &high, FILE_BEGIN), 5u);
  EXPECT_EQ(high, 1);
  high = 0;
  EXPECT_EQ(SetFilePointer(h, 0, &high, FILE_CURRENT), 5u);
  EXPECT_EQ(high, 1);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);  // does not fit 32 bits
  EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  high = -1;
  EXPECT_EQ(SetFilePointer(h, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_TRUE(CloseHandle(h));
}

TEST_F(FilesTest, StaleAndForeignHandlesAreRefused) {
  HANDLE h = Open(WidePath("a.txt"), GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  char byte = 0;
  DWORD n = 0;
  EXPECT_FALSE(ReadFile(h, &byte, 1, &n, nullptr));  // opened for writing only
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  int local = 0;
  EXPECT_FALSE(ReadFile(&local, &byte, 1, &n, nullptr));
  EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FilesTest, TempFileNamesFollowWindowsRules) {
  std::u16string directory = platform::FromUtf8(dir_);
  WCHAR name[MAX_PATH];
  UINT unique = GetTempFileNameW(W(directory), W(u"renps"), 0, name);
  ASSERT_NE(unique, 0u);
  std::u16string created(platform::U(name));
  char hex[8];
  std::snprintf(hex, sizeof(hex), "%X", unique);
  EXPECT_EQ(created, directory + u"/ren" + platform::FromUtf8(hex) + u".tmp");
  EXPECT_EQ(GetFileAttributesW(name), FILE_ATTRIBUTE_NORMAL);  // created, empty
  WCHAR second[MAX_PATH];
  ASSERT_NE(GetTempFileNameW(W(directory + u"/"), W(u"renps"), 0, second), 0u);
  EXPECT_NE(std::u16string(platform::U(second)), created);

  EXPECT_EQ(GetTempFileNameW(W(directory), W(u"ab"), 0x1ABCD, name), 0x1ABCDu);
  EXPECT_EQ(std::u16string(platform::U(name)), directory + u"/abABCD.tmp");
  EXPECT_EQ(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES);  // a name only
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  EXPECT_EQ(GetTempFileNameW(W(directory + u"/missing"), W(u"x"), 0, name), 0u);
  EXPECT_EQ(GetTempFileNameW(W(std::u16string(MAX_PATH, u'a')), W(u"x"), 0, name), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));

  EXPECT_TRUE(DeleteFileW(W(created)));
  EXPECT_FALSE(DeleteFileW(W(created)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesTest, TempPathEndsWithASeparatorAndReportsTheSizeItNeeds) {
  const char* saved = std::getenv("TMPDIR");
  std::string restore = saved != nullptr ? saved : "";
  ::setenv("TMPDIR", dir_.c_str(), 1);
  std::u16string expected = platform::FromUtf8(dir_) + u"/";
  WCHAR small[4];
  EXPECT_EQ(GetTempPathW(4, small), expected.size() + 1);
  WCHAR buffer[MAX_PATH];
  EXPECT_EQ(GetTempPathW(MAX_PATH, buffer), expected.size());
  EXPECT_EQ(std::u16string(platform::U(buffer)), expected);
  if (saved != nullptr)
    ::setenv("TMPDIR", restore.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

}  // namespace
