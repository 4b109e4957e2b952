#include "listtool/PlainText.h"

#include "vcl/AnsiCodePage.h"
#include "vcl/SysUtils.h"

std::string DisplayText(std::string_view Ansi) {
  std::string Text;
  for (const char Byte : Ansi) {
    const auto Code = static_cast<unsigned char>(Byte);
    switch (Byte) {
      case '\\':
        Text += "\\\\";
        continue;
      case '\t':
        Text += "\\t";
        continue;
      case '\r':
        Text += "\\r";
        continue;
      case '\n':
        Text += "\\n";
        continue;
      default:
        break;
    }
    const char32_t Character = vcl::AnsiToUnicode(Code);
    if (Character < 0x20 || (Character >= 0x7F && Character < 0xA0)) {
      Text += "\\x" + IntToHex(std::uint32_t{Code}, 2);
    } else {
      Text += vcl::AnsiToUtf8(std::string_view(&Byte, 1));
    }
  }
  return Text;
}

std::size_t DisplayWidth(std::string_view Utf8) {
  std::size_t Width = 0;
  for (const char Byte : Utf8) {
    if ((static_cast<unsigned char>(Byte) & 0xC0) != 0x80) ++Width;
  }
  return Width;
}
