// The system's ANSI code page, 1252: every string of the toolkit is in it. Front-ends
// convert to UTF-8 for the terminal and to Unicode for the window system.
#pragma once

#include <string>
#include <string_view>

namespace vcl {

// The Unicode character of one code page 1252 byte. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D hex) stand for the control characters of the same value,
// so that every byte survives a round trip.
char32_t AnsiToUnicode(unsigned char byte);

std::string AnsiToUtf8(std::string_view ansi);
// Characters the code page lacks, and bytes that are not UTF-8, become "?".
std::string Utf8ToAnsi(std::string_view utf8);
// The code page byte of a Unicode character, or "?" when the code page lacks it.
char UnicodeToAnsi(char32_t character);

}  // namespace vcl
