// The walk over a version resource: the platform's VS_VERSIONINFO block, a tree of nodes,
// each a header of three 16-bit words (length in bytes, value length, type), a
// zero-terminated UTF-16 key and its value, then its children, every part starting on a
// 32-bit boundary. Lengths come from the file, so every one is bounded by the node that
// holds it and the block's own bytes: a truncated or hostile block gives a failed lookup,
// never a read outside it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace ntsim {

// The node types of the platform: a binary value's length is counted in bytes, a text
// value's in UTF-16 characters.
enum class VersionValueType { Binary, Text };

struct VersionValue {
  std::size_t offset;  // of the value within the block
  std::size_t bytes;   // what the block holds of it, never past its node
  VersionValueType type;
};

// The length the block's root claims, at most the bytes there are, or nothing when the
// bytes do not start with a VS_VERSIONINFO root.
std::optional<std::size_t> VersionBlockLength(std::string_view block);

// The value at a path of keys separated by '\' ("\StringFileInfo\040704E4\FileVersion";
// "\" is the root). Keys compare as the platform compares them, without regard to case; a
// key holds code page 1252 characters.
std::optional<VersionValue> FindVersionValue(std::string_view block, std::string_view path);

}  // namespace ntsim
