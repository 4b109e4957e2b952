#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "ntsim/files.h"
#include "ntsim/handles.h"
#include "tests/support/scratch_machine.h"
#include "winapi/kernel32.h"

namespace {

class Files : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return (machine_.folder() / name).string(); }

  HANDLE Open(const std::string& path, DWORD access, DWORD disposition) {
    return CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  }

  testing_support::ScratchMachine machine_;
};

TEST_F(Files, WriteThenReadBackWithCounts) {
  const std::string path = PathOf("list.idt");
  HANDLE file = Open(path, GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, "abcdef", 6, &written, nullptr));
  EXPECT_EQ(written, 6u);
  EXPECT_TRUE(FlushFileBuffers(file));
  EXPECT_TRUE(CloseHandle(file));

  file = Open(path, GENERIC_READ, OPEN_EXISTING);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 6u);
  char buffer[16] = {};
  DWORD read = 0;
  // A read past the end delivers what is there and succeeds.
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 6u);
  EXPECT_STREQ(buffer, "abcdef");
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

TEST_F(Files, CreateAlwaysOverAnExistingFileSaysSo) {
  machine_.Write("old", "old content");
  HANDLE file = Open(PathOf("old"), GENERIC_WRITE, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(file);
  EXPECT_EQ(machine_.Read("old"), "");
}

TEST_F(Files, FailuresGiveTheSystemsCodes) {
  machine_.Write("plain", "x");
  const struct {
    const char* name;
    DWORD access;
    DWORD disposition;
    DWORD error;
  } cases[] = {
      {"missing", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {"no-folder/file", GENERIC_WRITE, CREATE_ALWAYS, ERROR_FILE_NOT_FOUND},
      {"plain/below", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
      {"plain", GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS},
      {".", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
      {"plain", GENERIC_READ, 99, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(0);
    EXPECT_EQ(Open(PathOf(c.name), c.access, c.disposition), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

TEST_F(Files, CallsOnAHandleThatIsNotOpenFail) {
  DWORD count = 7;
  char byte = 0;
  EXPECT_FALSE(ReadFile(reinterpret_cast<HANDLE>(4000), &byte, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Files, MoveReplacesOnlyWhenAsked) {
  machine_.Write("a", "new");
  machine_.Write("b", "old");
  EXPECT_FALSE(MoveFileExA(PathOf("a").c_str(), PathOf("b").c_str(), 0));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFileExA(PathOf("a").c_str(), PathOf("b").c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(machine_.Read("b"), "new");
  EXPECT_TRUE(DeleteFileA(PathOf("b").c_str()));
  EXPECT_FALSE(DeleteFileA(PathOf("b").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Files, TransfersInADirectionTheFileWasNotOpenedForAreDenied) {
  machine_.Write("plain", "x");
  char byte = 0;
  DWORD count = 0;
  HANDLE file = Open(PathOf("plain"), GENERIC_READ, OPEN_EXISTING);
  EXPECT_FALSE(WriteFile(file, "y", 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(file);
  file = Open(PathOf("plain"), GENERIC_WRITE, OPEN_EXISTING);
  EXPECT_FALSE(ReadFile(file, &byte, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(file);
  EXPECT_EQ(machine_.Read("plain"), "x");
}

TEST_F(Files, ALimitOnWritesCutsThemShortWithoutAnError) {
  HANDLE file = Open(PathOf("short"), GENERIC_WRITE, CREATE_ALWAYS);
  ntsim::testing::LimitFileWrites(4);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  EXPECT_TRUE(WriteFile(file, "def", 3, &written, nullptr));
  EXPECT_EQ(written, 1u);
  EXPECT_TRUE(WriteFile(file, "ghi", 3, &written, nullptr));
  EXPECT_EQ(written, 0u);
  ntsim::testing::LimitFileWrites(std::nullopt);
  EXPECT_TRUE(WriteFile(file, "jk", 2, &written, nullptr));
  CloseHandle(file);
  EXPECT_EQ(machine_.Read("short"), "abcdjk");
}

TEST_F(Files, TemporaryNamesAreNewEmptyFilesOfTheirFolder) {
  const std::string folder = machine_.folder().string();
  char first[MAX_PATH] = {};
  char second[MAX_PATH] = {};
  const UINT one = GetTempFileNameA(folder.c_str(), "idtlist", 0, first);
  const UINT two = GetTempFileNameA((folder + "/").c_str(), "idtlist", 0, second);
  ASSERT_NE(one, 0u);
  ASSERT_NE(two, 0u);
  EXPECT_NE(one, two);
  char expected[32];
  std::snprintf(expected, sizeof expected, "/idt%X.TMP", one);
  EXPECT_EQ(std::string(first), folder + expected);
  EXPECT_EQ(std::filesystem::file_size(first), 0u);
  EXPECT_EQ(std::filesystem::file_size(second), 0u);

  // With a number of the caller's the name is only built: no file is made.
  char named[MAX_PATH] = {};
  EXPECT_EQ(GetTempFileNameA(folder.c_str(), "x", 0x1A2B, named), 0x1A2Bu);
  EXPECT_EQ(std::string(named), folder + "/x1A2B.TMP");
  EXPECT_FALSE(std::filesystem::exists(named));

  EXPECT_EQ(GetTempFileNameA(PathOf("missing").c_str(), "idt", 0, named), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  const std::string deep(MAX_PATH, 'd');
  EXPECT_EQ(GetTempFileNameA(deep.c_str(), "idt", 0, named), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST(ModuleFileName, IsTheProgramsFullPathAndCutsToTheBuffer) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(path), length);
  EXPECT_EQ(std::filesystem::path(path), std::filesystem::canonical("/proc/self/exe"));

  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(small[3], '\0');
}

}  // namespace
