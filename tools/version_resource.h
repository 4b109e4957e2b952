// The build's writer of version resources: it turns a description file into the binary
// VS_VERSIONINFO block that the version library reads from a program file.
//
// A description holds lines "Name = value" and section lines "[...]"; a line starting with
// '#' and a blank line are skipped, and the text is UTF-8:
//
//   Version = 1.0.1.10                  the file and product version of the fixed file info
//   [VarFileInfo]
//   Translation = 0407 04E4, 0409 04B0  language and code page pairs, in hexadecimal;
//                                       nothing after "=" is an empty list
//   [StringFileInfo 040704E4]           one string table, named by its translation
//   FileVersion = {Version}             a string value; {Version} stands for the version
//
// The block holds the string tables in the order they are described, then the translation
// list; a description without [VarFileInfo] gives a block without one.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace version_resource {

// A description that cannot be read; the message names the line.
class DescriptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct StringTable {
  std::string name;                                         // e.g. "040704E4"
  std::vector<std::pair<std::string, std::string>> values;  // key and UTF-8 text, in order
};

struct Description {
  std::array<std::uint16_t, 4> version{};
  bool hasVarFileInfo = false;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;  // language, code page
  std::vector<StringTable> tables;
};

Description ParseDescription(std::string_view text);

// One node of the block: its key, its value and the nodes below it. The platform's node
// types are 0 for a binary value (its length counted in bytes) and 1 for a text value (a
// zero-terminated UTF-16 string, its length counted in characters).
struct Node {
  enum class Type : std::uint16_t { Binary = 0, Text = 1 };
  std::u16string key;
  Type type = Type::Text;
  std::vector<std::uint8_t> value;  // little-endian bytes; UTF-16LE with its zero for Text
  std::vector<Node> children;
};

// The node and everything below it in the platform's layout: each node a header of three
// 16-bit words (length, value length, type), its key, its value and its children, every
// part starting on a 32-bit boundary.
std::vector<std::uint8_t> Serialize(const Node& node);

// The VS_VERSIONINFO node of a description: the fixed file info of an application for
// 32-bit Windows NT, its string tables and its translation list.
Node VersionInfoOf(const Description& description);

std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace version_resource
