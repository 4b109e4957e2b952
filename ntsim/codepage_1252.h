// Code page 1252, the ANSI code page of the machine: the one in which the A calls take and
// give names and string data. The machine's registry keeps its names and strings in it; a
// file in UTF-16 is mapped to it on reading and back on writing.
#pragma once

#include <string>
#include <string_view>

namespace ntsim {

// The character a byte stands for. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same number, as the
// platform's conversion maps them, so that every byte survives a round trip.
char32_t UnicodeOf1252(unsigned char byte);

// The byte that stands for a character, or '?' for a character the code page lacks.
char CodePage1252Of(char32_t character);

// UTF-16 text in code page 1252: a character the code page lacks, a surrogate pair or a lone
// surrogate becomes one '?'.
std::string CodePage1252FromUtf16(std::u16string_view text);
std::u16string Utf16From1252(std::string_view text);

// Names compare as the platform compares them: by the upper-case form of each character, so
// that "vga", "VGA" and "Vga" are one name and "é" matches "É". The order is that of the
// upper-cased characters' code points.
int CompareIgnoringCase1252(std::string_view a, std::string_view b);
inline bool EqualIgnoringCase1252(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareIgnoringCase1252(a, b) == 0;
}

}  // namespace ntsim
