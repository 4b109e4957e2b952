#include "ntsim/codepage_1252.h"

#include <gtest/gtest.h>

namespace {

using ntsim::CodePage1252FromUtf16;
using ntsim::CompareIgnoringCase1252;

TEST(CodePage1252, EveryByteSurvivesARoundTrip) {
  for (int byte = 0; byte < 256; ++byte) {
    const char32_t character = ntsim::UnicodeOf1252(static_cast<unsigned char>(byte));
    EXPECT_EQ(static_cast<unsigned char>(ntsim::CodePage1252Of(character)), byte) << byte;
  }
  EXPECT_EQ(ntsim::UnicodeOf1252(0x80), U'\u20AC');
  EXPECT_EQ(ntsim::UnicodeOf1252(0x9F), U'\u0178');
  EXPECT_EQ(ntsim::UnicodeOf1252(0x81), U'\u0081');
  EXPECT_EQ(ntsim::UnicodeOf1252(0xE9), U'\u00E9');
}

TEST(CodePage1252, CharactersItLacksBecomeQuestionMarks) {
  EXPECT_EQ(CodePage1252FromUtf16(u"caf\u00E9 \u20AC"), "caf\xE9 \x80");
  EXPECT_EQ(CodePage1252FromUtf16(u"\u0100\u4E2D\u0080"), "???");
  EXPECT_EQ(CodePage1252FromUtf16(u"a\U0001F600b"), "a?b");           // a surrogate pair
  EXPECT_EQ(CodePage1252FromUtf16(std::u16string(u"x\xD800y")), "x?y");  // a lone one
  EXPECT_EQ(ntsim::Utf16From1252("caf\xE9 \x80"), u"caf\u00E9 \u20AC");
}

TEST(CodePage1252, NamesCompareByTheirUpperCase) {
  const struct {
    const char* left;
    const char* right;
    int order;
  } cases[] = {
      {"vga", "VGA", 0},
      {"Hardware", "hARDWARE", 0},
      {"caf\xE9", "CAF\xC9", 0},  // e and E with acute accent
      {"\xE9t\xE9", "\xC9T\xC9", 0},  // the letters between them compare like the others
      {"Z", "\xE0", -1},
      {"\xFF", "\x9F", 0},        // y and Y with diaeresis
      {"\x9A", "\x8A", 0},        // s and S with caron
      {"a", "B", -1},
      {"ab", "abc", -1},
      {"", "", 0},
      // By upper case, "z" stands before "_" although its code is above it.
      {"z", "_", -1},
      // The euro sign's character is above the Latin letters whatever its byte.
      {"\x80", "\xC0", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.left) + " / " + c.right);
    const int order = CompareIgnoringCase1252(c.left, c.right);
    EXPECT_EQ((order > 0) - (order < 0), c.order);
    EXPECT_EQ(ntsim::EqualIgnoringCase1252(c.left, c.right), c.order == 0);
  }
}

}  // namespace
