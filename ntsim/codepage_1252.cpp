#include "ntsim/codepage_1252.h"

#include <algorithm>
#include <array>

namespace ntsim {

namespace {

// The characters of bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Upcase(char32_t c) {
  if (c >= U'a' && c <= U'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  switch (c) {
    case 0xFF: return 0x178;   // y with diaeresis
    case 0x161: return 0x160;  // s with caron
    case 0x153: return 0x152;  // ligature oe
    case 0x17E: return 0x17D;  // z with caron
    case 0x192: return 0x191;  // f with hook
    case 0xB5: return 0x39C;   // micro sign, whose capital is Greek Mu
    default: return c;
  }
}

}  // namespace

char32_t UnicodeOf1252(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControlRange[byte - 0x80];
  return byte;
}

char CodePage1252Of(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<char>(static_cast<unsigned char>(character));
  }
  const auto found = std::find(kHighControlRange.begin(), kHighControlRange.end(), character);
  if (found == kHighControlRange.end()) return '?';
  return static_cast<char>(static_cast<unsigned char>(0x80 + (found - kHighControlRange.begin())));
}

std::string CodePage1252FromUtf16(std::u16string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;  // A character beyond the first plane is never in the code page.
      result += '?';
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      result += '?';
    } else {
      result += CodePage1252Of(unit);
    }
  }
  return result;
}

std::u16string Utf16From1252(std::string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (const char c : text) {
    result += static_cast<char16_t>(UnicodeOf1252(static_cast<unsigned char>(c)));
  }
  return result;
}

int CompareIgnoringCase1252(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    // Registry names are mostly ASCII, whose characters compare as their upper-case letters;
    // every key lookup walks a path of them.
    if (x < 0x80 && y < 0x80) {
      const int left = x >= 'a' && x <= 'z' ? x - 0x20 : x;
      const int right = y >= 'a' && y <= 'z' ? y - 0x20 : y;
      if (left != right) return left < right ? -1 : 1;
      continue;
    }
    const char32_t left = Upcase(UnicodeOf1252(x));
    const char32_t right = Upcase(UnicodeOf1252(y));
    if (left != right) return left < right ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace ntsim
