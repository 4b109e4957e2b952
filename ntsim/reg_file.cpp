#include "ntsim/reg_file.h"

#include <array>
#include <cstdio>
#include <stdexcept>

#include "ntsim/codepage_1252.h"
#include "ntsim/machine_folder.h"
#include "winapi/winreg.h"

namespace ntsim {

namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The value of each character as a hexadecimal digit, or -1. A table, because a resource
// map's file is mostly hexadecimal digits.
constexpr std::array<signed char, 256> kHexDigits = [] {
  std::array<signed char, 256> digits{};
  digits.fill(-1);
  for (int c = '0'; c <= '9'; ++c) digits[c] = static_cast<signed char>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c) digits[c] = static_cast<signed char>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c) digits[c] = static_cast<signed char>(c - 'A' + 10);
  return digits;
}();

int HexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }

// Reads 1 to max_digits hexadecimal digits from the front of text.
bool TakeHex(std::string_view& text, std::size_t max_digits, DWORD& number) {
  std::size_t digits = 0;
  number = 0;
  while (digits < text.size() && HexDigit(text[digits]) >= 0) {
    if (++digits > max_digits) return false;
    number = number << 4 | static_cast<DWORD>(HexDigit(text[digits - 1]));
  }
  text.remove_prefix(digits);
  return digits > 0;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualIgnoringCase1252(text.substr(0, prefix.size()), prefix);
}

bool IsUtf16StringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::vector<BYTE> CodePage1252FromUtf16Bytes(const std::vector<BYTE>& bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
  }
  const std::string text = CodePage1252FromUtf16(units);
  return std::vector<BYTE>(text.begin(), text.end());
}

std::vector<BYTE> Utf16BytesFrom1252(const std::vector<BYTE>& data) {
  const std::u16string units =
      Utf16From1252(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  std::vector<BYTE> bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    bytes.push_back(static_cast<BYTE>(unit));
    bytes.push_back(static_cast<BYTE>(unit >> 8));
  }
  return bytes;
}

// Reads a registry file line by line into a tree. A Version 5.00 file is decoded from
// UTF-16 into the code page first, so that both formats are read as the same text.
class RegFileParser {
 public:
  RegFileParser(std::string_view bytes, const std::string& file_name) : file_name_(file_name) {
    Decode(bytes);
  }

  RegFile Parse() {
    RegFile file{RegistryTree(), RegFileFormat::Regedit4};
    std::string_view line;
    const std::string_view header = NextLine(line) ? TrimRight(TrimLeft(line)) : "";
    if (header == kRegedit4Header) {
      if (utf16_) Fail("a REGEDIT4 file is ANSI text, but this one is UTF-16");
      file.format = RegFileFormat::Regedit4;
    } else if (header == kVersion5Header) {
      if (!utf16_) Fail("a Version 5.00 file is UTF-16LE with a byte-order mark, but this one is not");
      file.format = RegFileFormat::Version5;
    } else {
      Fail("not a registry file: the first line must be \"REGEDIT4\" or \"" +
           std::string(kVersion5Header) + "\"");
    }

    tree_ = &file.tree;
    while (NextLine(line)) {
      line = TrimLeft(line);
      if (line.empty() || line.front() == ';') continue;
      try {
        if (line.front() == '[') {
          KeyLine(TrimRight(line));
        } else if (line.front() == '"' || line.front() == '@') {
          ValueLine(line);
        } else {
          Fail("expected a key, a value, a comment or a blank line");
        }
      } catch (const std::invalid_argument& refused) {
        // A name the tree cannot hold, such as one with a carriage return in it.
        Fail(refused.what());
      }
    }
    return file;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw MachineFault(file_name_ + ":" + std::to_string(line_number_) + ": " + why);
  }

  void Decode(std::string_view bytes) {
    const auto starts_with = [&](std::string_view mark) {
      return bytes.substr(0, mark.size()) == mark;
    };
    line_number_ = 1;
    if (starts_with("\xFE\xFF")) Fail("UTF-16 big-endian is not a format regedit writes");
    if (starts_with("\xEF\xBB\xBF")) {
      Fail("a UTF-8 byte-order mark: a registry file is ANSI text (REGEDIT4) or UTF-16LE "
           "(Version 5.00)");
    }
    if (!starts_with("\xFF\xFE")) {
      text_ = std::string(bytes);
      return;
    }
    utf16_ = true;
    bytes.remove_prefix(2);
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    text_ = CodePage1252FromUtf16(units);
    if (bytes.size() % 2 != 0) {
      line_number_ = 1;
      for (const char c : text_) line_number_ += c == '\n';
      Fail("the file ends in the middle of a UTF-16 character");
    }
  }

  // The next line without its line end, or false at the end of the file.
  bool NextLine(std::string_view& line) {
    if (position_ >= text_.size()) return false;
    const std::string_view rest = std::string_view(text_).substr(position_);
    const auto end = rest.find('\n');
    line = rest.substr(0, end);
    position_ = end == std::string_view::npos ? text_.size() : position_ + end + 1;
    line_number_ = ++lines_read_;
    // A file passed through two conversions of its line ends has more than one CR.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\0') != std::string_view::npos) Fail("a NUL character");
    return true;
  }

  void KeyLine(std::string_view line) {
    if (line.size() < 2 || line.back() != ']') Fail("a key line must end with ']'");
    std::string_view path = line.substr(1, line.size() - 2);
    const bool removal = !path.empty() && path.front() == '-';
    if (removal) path.remove_prefix(1);

    const auto separator = path.find('\\');
    const std::string_view root = path.substr(0, separator);
    if (!EqualIgnoringCase1252(root, kRootName)) {
      Fail("only HKEY_LOCAL_MACHINE is modelled, not \"" + std::string(root) + "\"");
    }
    const std::string_view below =
        separator == std::string_view::npos ? std::string_view{} : path.substr(separator + 1);
    if (separator != std::string_view::npos && below.empty()) Fail("an empty key name in the path");
    const auto names = SplitRegistryPath(below);
    if (!names) Fail("an empty key name in the path");
    if (names->size() > kMaxRegistryKeyDepth) {
      Fail("a key path more than " + std::to_string(kMaxRegistryKeyDepth) + " keys deep");
    }

    if (removal) {
      if (names->empty()) Fail("HKEY_LOCAL_MACHINE itself cannot be removed");
      tree_->Remove(below);
      key_ = nullptr;
      return;
    }
    key_ = &tree_->Create(below);
  }

  // A quoted string from the front of text (which starts at its opening quote), with its
  // escapes resolved; text is left after the closing quote.
  std::string TakeQuoted(std::string_view& text) {
    std::string result;
    std::size_t i = 1;
    for (;; ++i) {
      if (i >= text.size()) Fail("a string without its closing quote");
      const char c = text[i];
      if (c == '"') break;
      if (c == '\\') {
        if (++i >= text.size()) Fail("a string without its closing quote");
        if (text[i] != '\\' && text[i] != '"') {
          Fail(std::string("an unknown escape \\") + text[i] + " in a string");
        }
      }
      result += text[i];
    }
    text.remove_prefix(i + 1);
    return result;
  }

  void ValueLine(std::string_view line) {
    if (key_ == nullptr) Fail("a value outside any key");
    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else {
      name = TakeQuoted(line);
    }
    line = TrimLeft(line);
    if (line.empty() || line.front() != '=') Fail("expected '=' after the value name");
    line = TrimRight(TrimLeft(line.substr(1)));

    if (line == "-") {
      key_->RemoveValue(name);
    } else if (!line.empty() && line.front() == '"') {
      const std::string text = TakeQuoted(line);
      if (!TrimLeft(line).empty()) Fail("unexpected text after the string");
      key_->SetValue(name, REG_SZ, RegistryStringData(text));
    } else if (StartsWithIgnoringCase(line, "dword:")) {
      line.remove_prefix(6);
      DWORD number = 0;
      if (!TakeHex(line, 8, number) || !line.empty()) {
        Fail("a dword must be 1 to 8 hexadecimal digits");
      }
      key_->SetValue(name, REG_DWORD, RegistryDwordData(number));
    } else if (StartsWithIgnoringCase(line, "hex:")) {
      line.remove_prefix(4);
      key_->SetValue(name, REG_BINARY, TakeBytes(line));
    } else if (StartsWithIgnoringCase(line, "hex(")) {
      line.remove_prefix(4);
      DWORD type = 0;
      if (!TakeHex(line, 8, type) || line.substr(0, 2) != "):") {
        Fail("hex(N): needs a type N of 1 to 8 hexadecimal digits");
      }
      line.remove_prefix(2);
      std::vector<BYTE> data = TakeBytes(line);
      if (utf16_ && IsUtf16StringType(type)) data = CodePage1252FromUtf16Bytes(data);
      key_->SetValue(name, type, std::move(data));
    } else {
      Fail("unknown value form: expected \"text\", dword:, hex: or hex(N):");
    }
  }

  // A comma-separated list of bytes, continued on the next line after a backslash.
  std::vector<BYTE> TakeBytes(std::string_view text) {
    std::vector<BYTE> bytes;
    bool after_comma = false;
    for (;;) {
      // Most of a file's bytes stand as two digits and a comma, which the general steps
      // below would take the same way.
      const std::size_t before = bytes.size();
      bytes.resize(before + text.size() / 3);
      BYTE* out = bytes.data() + before;
      while (text.size() >= 3 && text[2] == ',') {
        const int high = HexDigit(text[0]);
        const int low = HexDigit(text[1]);
        if (high < 0 || low < 0) break;
        *out++ = static_cast<BYTE>(high << 4 | low);
        text.remove_prefix(3);
      }
      bytes.resize(static_cast<std::size_t>(out - bytes.data()));
      if (bytes.size() > before) after_comma = true;
      text = TrimLeft(text);
      if (TrimRight(text) == "\\") {
        if (!NextLine(text)) Fail("the file ends inside a continued value");
        continue;
      }
      if (text.empty()) {
        if (after_comma) Fail("a byte must follow ','");
        return bytes;
      }
      DWORD byte = 0;
      if (!TakeHex(text, 2, byte)) Fail("a byte must be 1 or 2 hexadecimal digits");
      bytes.push_back(static_cast<BYTE>(byte));
      text = TrimLeft(text);
      if (text.empty()) return bytes;
      if (text.front() != ',') Fail("bytes must be separated by ','");
      text.remove_prefix(1);
      after_comma = true;
    }
  }

  std::string file_name_;
  std::string text_;
  bool utf16_ = false;
  std::size_t position_ = 0;
  int lines_read_ = 0;
  int line_number_ = 0;
  RegistryTree* tree_ = nullptr;
  RegistryKey* key_ = nullptr;
};

// Writes the file's text in code page 1252; a Version 5.00 file is converted as a whole.
class RegFileWriter {
 public:
  explicit RegFileWriter(RegFileFormat format) : format_(format) {}

  std::string Write(const RegistryTree& tree) {
    text_ += format_ == RegFileFormat::Regedit4 ? kRegedit4Header : kVersion5Header;
    text_ += "\r\n\r\n";
    std::string path(kRootName);
    if (!tree.Root().Values().empty()) Key(tree.Root(), path);
    for (const RegistryKey* subkey : tree.Root().Subkeys()) {
      path = std::string(kRootName) + "\\" + subkey->name();
      Key(*subkey, path);
    }
    if (format_ == RegFileFormat::Regedit4) return text_;
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : Utf16From1252(text_)) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
  }

 private:
  // The machine writes its whole registry at every change of the service database, so the
  // text is appended to in place rather than built from temporary strings.
  void Key(const RegistryKey& key, std::string& path) {
    text_ += '[';
    text_ += path;
    text_ += "]\r\n";
    for (const RegistryValue& value : key.Values()) Value(value);
    text_ += "\r\n";
    const std::size_t length = path.size();
    for (const RegistryKey* subkey : key.Subkeys()) {
      path += '\\';
      path += subkey->name();
      Key(*subkey, path);
      path.resize(length);
    }
  }

  static std::string Quoted(std::string_view text) {
    std::string result = "\"";
    for (const char c : text) {
      if (c == '\\' || c == '"') result += '\\';
      result += c;
    }
    return result + "\"";
  }

  // A REG_SZ value is written as a quoted string when it reads back the same: one
  // terminating NUL and no line break, which a line-based file cannot hold.
  static bool FitsInQuotes(const RegistryValue& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
      if (value.data[i] == 0 || value.data[i] == '\r' || value.data[i] == '\n') return false;
    }
    return true;
  }

  void Value(const RegistryValue& value) {
    std::string line = value.name.empty() ? "@=" : Quoted(value.name) + "=";
    if (FitsInQuotes(value)) {
      line += Quoted(std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                      value.data.size() - 1));
      text_ += line + "\r\n";
      return;
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
      char digits[9];
      std::snprintf(digits, sizeof digits, "%08x", *RegistryDwordOf(value));
      text_ += line + "dword:" + digits + "\r\n";
      return;
    }
    if (value.type == REG_BINARY) {
      line += "hex:";
    } else {
      char type[16];
      std::snprintf(type, sizeof type, "hex(%x):", value.type);
      line += type;
    }
    const bool as_utf16 = format_ == RegFileFormat::Version5 && IsUtf16StringType(value.type);
    if (as_utf16) {
      Bytes(std::move(line), Utf16BytesFrom1252(value.data));
    } else {
      Bytes(std::move(line), value.data);
    }
  }

  // Lines as regedit writes them: each but the last ends in a comma and a backslash, the
  // next starts with two blanks, and a continuation line holds 25 bytes.
  void Bytes(std::string line, const std::vector<BYTE>& bytes) {
    constexpr std::size_t kWidth = 77;  // without the backslash
    constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const char token[3] = {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 0xF], ','};
      const std::size_t length = i + 1 < bytes.size() ? 3 : 2;
      if (line.size() + length > kWidth && line.size() > 2) {
        text_ += line;
        text_ += "\\\r\n";
        line = "  ";
      }
      line.append(token, length);
    }
    text_ += line;
    text_ += "\r\n";
  }

  RegFileFormat format_;
  std::string text_;
};

}  // namespace

RegFile ParseRegFile(std::string_view bytes, const std::string& file_name) {
  return RegFileParser(bytes, file_name).Parse();
}

std::string WriteRegFile(const RegistryTree& tree, RegFileFormat format) {
  return RegFileWriter(format).Write(tree);
}

}  // namespace ntsim
