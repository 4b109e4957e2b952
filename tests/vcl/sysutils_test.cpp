#include <gtest/gtest.h>

#include <cstdint>

#include "vcl/SysUtils.h"

namespace {

TEST(IntToHex, PadsToTheMinimumAndNeverCuts) {
  EXPECT_EQ(IntToHex(std::int32_t{0x3B}, 2), "3B");
  EXPECT_EQ(IntToHex(std::int32_t{14}, 2), "0E");
  EXPECT_EQ(IntToHex(std::int32_t{0x3F8}, 5), "003F8");
  EXPECT_EQ(IntToHex(std::int32_t{0x12345}, 2), "12345");
  EXPECT_EQ(IntToHex(std::int32_t{0}, 0), "0");
  EXPECT_EQ(IntToHex(std::uint32_t{0x80465A20}, 9), "080465A20");
}

TEST(IntToHex, NegativeValuesShowTheirPatternOfTheirOwnWidth) {
  EXPECT_EQ(IntToHex(std::int32_t{-1}, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(std::int64_t{-1}, 2), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(std::int64_t{0xA0000}, 9), "0000A0000");
}

TEST(IntToStr, IsSignedDecimal) {
  EXPECT_EQ(IntToStr(-6), "-6");
  EXPECT_EQ(IntToStr(255), "255");
}

struct FileNameCase {
  const char* name;
  const char* path;
  const char* file;
  const char* withoutExtension;
};

class FileNames : public ::testing::TestWithParam<FileNameCase> {};

TEST_P(FileNames, SplitAtTheLastSeparator) {
  const FileNameCase& c = GetParam();
  EXPECT_EQ(ExtractFilePath(c.name), c.path);
  EXPECT_EQ(ExtractFileName(c.name), c.file);
  EXPECT_EQ(ChangeFileExt(c.name, ""), c.withoutExtension);
}

INSTANTIATE_TEST_SUITE_P(
    HostAndPlatformNames, FileNames,
    ::testing::Values(FileNameCase{"/opt/quorvel/bin/quorvel", "/opt/quorvel/bin/", "quorvel",
                                   "/opt/quorvel/bin/quorvel"},
                      FileNameCase{"C:\\Tools\\quorvel.exe", "C:\\Tools\\", "quorvel.exe",
                                   "C:\\Tools\\quorvel"},
                      FileNameCase{"C:quorvel.exe", "C:", "quorvel.exe", "C:quorvel"},
                      FileNameCase{"/a.b/quorvel", "/a.b/", "quorvel", "/a.b/quorvel"},
                      FileNameCase{"quorvel", "", "quorvel", "quorvel"},
                      FileNameCase{"/tmp/", "/tmp/", "", "/tmp/"}));

}  // namespace
