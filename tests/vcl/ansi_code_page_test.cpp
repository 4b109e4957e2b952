#include <gtest/gtest.h>

#include <string>

#include "vcl/AnsiCodePage.h"

namespace {

struct CharacterCase {
  unsigned char byte;
  char32_t unicode;
  const char* utf8;
};

class CodePage1252 : public ::testing::TestWithParam<CharacterCase> {};

TEST_P(CodePage1252, MapsTheByteBothWays) {
  const CharacterCase& c = GetParam();
  const std::string ansi(1, static_cast<char>(c.byte));
  EXPECT_EQ(vcl::AnsiToUnicode(c.byte), c.unicode);
  EXPECT_EQ(vcl::AnsiToUtf8(ansi), c.utf8);
  EXPECT_EQ(vcl::Utf8ToAnsi(c.utf8), ansi);
}

// Bytes 80 to 9F hex are where the code page differs from Latin-1.
INSTANTIATE_TEST_SUITE_P(
    Characters, CodePage1252,
    ::testing::Values(CharacterCase{'A', U'A', "A"}, CharacterCase{0x80, U'\u20AC', "\u20AC"},
                      CharacterCase{0x85, U'\u2026', "\u2026"},
                      CharacterCase{0x8A, U'\u0160', "\u0160"},
                      CharacterCase{0x93, U'\u201C', "\u201C"},
                      CharacterCase{0x99, U'\u2122', "\u2122"},
                      CharacterCase{0x9F, U'\u0178', "\u0178"},
                      CharacterCase{0x81, U'\u0081', "\xC2\x81"},
                      CharacterCase{0x9D, U'\u009D', "\xC2\x9D"},
                      CharacterCase{0xA0, U'\u00A0', "\u00A0"},
                      CharacterCase{0xE4, U'\u00E4', "\u00E4"},
                      CharacterCase{0xFF, U'\u00FF', "\u00FF"}));

TEST(CodePage1252, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(vcl::Utf8ToAnsi(vcl::AnsiToUtf8(all)), all);
}

TEST(CodePage1252, WhatItCannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(vcl::Utf8ToAnsi("a\u4E2Db"), "a?b");       // not in the code page
  EXPECT_EQ(vcl::Utf8ToAnsi("a\xC3"), "a?");           // cut sequence
  EXPECT_EQ(vcl::Utf8ToAnsi("\xFF\xFE" "x"), "??x");   // not UTF-8 at all
  EXPECT_EQ(vcl::Utf8ToAnsi("\xE2\x82" "x"), "??x");   // sequence broken by a plain byte
  EXPECT_EQ(vcl::Utf8ToAnsi("\U0001F600"), "?");
}

}  // namespace
