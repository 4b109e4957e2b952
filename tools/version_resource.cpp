#include "tools/version_resource.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "winapi/winver.h"

namespace version_resource {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kVersionPlaceholder = "{Version}";

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

std::optional<std::uint16_t> NumberOf(std::string_view text, int base) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value, base);
  if (text.empty() || result.ec != std::errc() || result.ptr != end || value > 0xFFFF) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const auto at = text.find(separator);
    parts.push_back(Trimmed(text.substr(0, at)));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// Reads the description line by line, remembering which line it is at so that every
// complaint names it.
class Parser {
 public:
  Description Parse(std::string_view text) {
    bool versionSeen = false;
    for (std::size_t start = 0; start <= text.size(); ++line_) {
      auto end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view raw = text.substr(start, end - start);
      start = end + 1;
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      const std::string_view content = Trimmed(raw);
      if (content.empty() || content.front() == '#') continue;
      if (content.front() == '[') {
        BeginSection(content);
        continue;
      }
      const auto equals = content.find('=');
      if (equals == std::string_view::npos) Fail("a line must be \"Name = value\" or \"[section]\"");
      const std::string_view name = Trimmed(content.substr(0, equals));
      const std::string_view value = Trimmed(content.substr(equals + 1));
      if (name.empty()) Fail("a value needs a name before its \"=\"");
      switch (section_) {
        case Section::Top:
          if (name != "Version") Fail("only Version belongs before the first section");
          if (versionSeen) Fail("Version is given twice");
          description_.version = VersionOf(value);
          versionText_ = std::string(value);
          versionSeen = true;
          break;
        case Section::VarFileInfo:
          if (name != "Translation") Fail("[VarFileInfo] holds only Translation");
          if (translationSeen_) Fail("Translation is given twice");
          description_.translations = TranslationsOf(value);
          translationSeen_ = true;
          break;
        case Section::StringTable: AddString(name, value); break;
      }
    }
    if (!versionSeen) {
      line_ = 0;
      Fail("the description gives no Version");
    }
    for (auto& table : description_.tables) {
      for (auto& [key, value] : table.values) value = WithVersion(value);
    }
    return std::move(description_);
  }

 private:
  enum class Section { Top, VarFileInfo, StringTable };

  [[noreturn]] void Fail(const std::string& message) const {
    throw DescriptionError(line_ == 0 ? message : "line " + std::to_string(line_) + ": " + message);
  }

  void BeginSection(std::string_view content) {
    if (content.back() != ']') Fail("a section line ends with \"]\"");
    const std::string_view inside = Trimmed(content.substr(1, content.size() - 2));
    if (inside == "VarFileInfo") {
      if (description_.hasVarFileInfo) Fail("[VarFileInfo] is given twice");
      description_.hasVarFileInfo = true;
      section_ = Section::VarFileInfo;
      return;
    }
    constexpr std::string_view kStringFileInfo = "StringFileInfo";
    if (inside.substr(0, kStringFileInfo.size()) != kStringFileInfo) {
      Fail("the sections are [VarFileInfo] and [StringFileInfo <translation>]");
    }
    const std::string_view name = Trimmed(inside.substr(kStringFileInfo.size()));
    if (name.size() != 8 || !NumberOf(name.substr(0, 4), 16) || !NumberOf(name.substr(4), 16)) {
      Fail("a string table is named by eight hexadecimal digits, such as 040704E4");
    }
    for (const auto& table : description_.tables) {
      if (table.name == name) Fail("the string table " + std::string(name) + " is given twice");
    }
    description_.tables.push_back(StringTable{std::string(name), {}});
    section_ = Section::StringTable;
  }

  std::array<std::uint16_t, 4> VersionOf(std::string_view value) const {
    const auto parts = Split(value, '.');
    std::array<std::uint16_t, 4> version{};
    bool valid = parts.size() == version.size();
    for (std::size_t i = 0; valid && i < parts.size(); ++i) {
      const auto number = NumberOf(parts[i], 10);
      valid = number.has_value();
      if (valid) version[i] = *number;
    }
    if (!valid) Fail("a version is four numbers from 0 to 65535 joined by dots, such as 1.0.1.10");
    return version;
  }

  std::vector<std::pair<std::uint16_t, std::uint16_t>> TranslationsOf(std::string_view value) const {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
    if (value.empty()) return translations;
    for (const std::string_view entry : Split(value, ',')) {
      const auto space = entry.find_first_of(kBlanks);
      const auto language = NumberOf(entry.substr(0, space), 16);
      const auto codePage =
          space == std::string_view::npos ? std::nullopt : NumberOf(Trimmed(entry.substr(space)), 16);
      if (!language || !codePage) {
        Fail("a translation is a language and a code page in hexadecimal, such as 0407 04E4");
      }
      translations.emplace_back(*language, *codePage);
    }
    return translations;
  }

  void AddString(std::string_view name, std::string_view value) {
    auto& values = description_.tables.back().values;
    for (const auto& [key, text] : values) {
      if (key == name) Fail(std::string(name) + " is given twice in this string table");
    }
    try {
      Utf16FromUtf8(name);
      Utf16FromUtf8(value);
    } catch (const DescriptionError& error) {
      Fail(error.what());
    }
    values.emplace_back(std::string(name), std::string(value));
  }

  std::string WithVersion(std::string text) const {
    for (auto at = text.find(kVersionPlaceholder); at != std::string::npos;
         at = text.find(kVersionPlaceholder, at + versionText_.size())) {
      text.replace(at, kVersionPlaceholder.size(), versionText_);
    }
    return text;
  }

  Description description_;
  Section section_ = Section::Top;
  bool translationSeen_ = false;
  std::string versionText_;
  std::size_t line_ = 1;
};

void Append16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Append16(out, value & 0xFFFF);
  Append16(out, value >> 16);
}

void PadTo32Bits(std::vector<std::uint8_t>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::size_t value) {
  out[at] = static_cast<std::uint8_t>(value);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Every node's offset within the block is a multiple of four, so aligning the output
// aligns the node's parts as the platform lays them out.
void AppendNode(std::vector<std::uint8_t>& out, const Node& node) {
  const std::size_t start = out.size();
  const std::size_t valueLength =
      node.type == Node::Type::Text ? node.value.size() / 2 : node.value.size();
  Append16(out, 0);
  Append16(out, static_cast<std::uint32_t>(valueLength));
  Append16(out, static_cast<std::uint32_t>(node.type));
  for (const char16_t unit : node.key) Append16(out, unit);
  Append16(out, 0);
  PadTo32Bits(out);
  out.insert(out.end(), node.value.begin(), node.value.end());
  for (const Node& child : node.children) {
    PadTo32Bits(out);
    AppendNode(out, child);
  }
  const std::size_t length = out.size() - start;
  if (length > 0xFFFF || valueLength > 0xFFFF) {
    throw DescriptionError("the version resource is larger than the 65,535 bytes a node can hold");
  }
  Put16(out, start, length);
}

Node TextNode(std::u16string key, std::string_view text = {}, bool withValue = false) {
  Node node{std::move(key), Node::Type::Text, {}, {}};
  if (withValue) {
    for (const char16_t unit : Utf16FromUtf8(text)) Append16(node.value, unit);
    Append16(node.value, 0);
  }
  return node;
}

std::vector<std::uint8_t> FixedFileInfoOf(const std::array<std::uint16_t, 4>& version) {
  const DWORD mostSignificant = static_cast<DWORD>(version[0]) << 16 | version[1];
  const DWORD leastSignificant = static_cast<DWORD>(version[2]) << 16 | version[3];
  const VS_FIXEDFILEINFO info{VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, mostSignificant,
                              leastSignificant, mostSignificant, leastSignificant,
                              VS_FFI_FILEFLAGSMASK, 0, VOS_NT_WINDOWS32, VFT_APP, 0, 0, 0};
  std::vector<std::uint8_t> bytes;
  for (const DWORD field :
       {info.dwSignature, info.dwStrucVersion, info.dwFileVersionMS, info.dwFileVersionLS,
        info.dwProductVersionMS, info.dwProductVersionLS, info.dwFileFlagsMask, info.dwFileFlags,
        info.dwFileOS, info.dwFileType, info.dwFileSubtype, info.dwFileDateMS, info.dwFileDateLS}) {
    Append32(bytes, field);
  }
  return bytes;
}

}  // namespace

Description ParseDescription(std::string_view text) { return Parser().Parse(text); }

std::vector<std::uint8_t> Serialize(const Node& node) {
  std::vector<std::uint8_t> out;
  AppendNode(out, node);
  return out;
}

Node VersionInfoOf(const Description& description) {
  Node root{u"VS_VERSION_INFO", Node::Type::Binary, FixedFileInfoOf(description.version), {}};
  if (!description.tables.empty()) {
    Node stringFileInfo = TextNode(u"StringFileInfo");
    for (const auto& table : description.tables) {
      Node tableNode = TextNode(Utf16FromUtf8(table.name));
      for (const auto& [key, value] : table.values) {
        tableNode.children.push_back(TextNode(Utf16FromUtf8(key), value, true));
      }
      stringFileInfo.children.push_back(std::move(tableNode));
    }
    root.children.push_back(std::move(stringFileInfo));
  }
  if (description.hasVarFileInfo) {
    Node translation{u"Translation", Node::Type::Binary, {}, {}};
    for (const auto& [language, codePage] : description.translations) {
      Append16(translation.value, language);
      Append16(translation.value, codePage);
    }
    Node varFileInfo = TextNode(u"VarFileInfo");
    varFileInfo.children.push_back(std::move(translation));
    root.children.push_back(std::move(varFileInfo));
  }
  return root;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string result;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xE ? 3
                               : lead >> 3 == 0x1E              ? 4
                                                                : 0;
    if (length == 0 || text.size() - at < length) throw DescriptionError("the text is not UTF-8");
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text[at + i]);
      if (next >> 6 != 0x2) throw DescriptionError("the text is not UTF-8");
      code = code << 6 | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      throw DescriptionError("the text is not UTF-8");
    }
    if (code < 0x10000) {
      result.push_back(static_cast<char16_t>(code));
    } else {
      result.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      result.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    }
    at += length;
  }
  return result;
}

}  // namespace version_resource
