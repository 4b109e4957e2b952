#include "ntsim/version_block.h"

#include <algorithm>
#include <string>

#include "ntsim/codepage_1252.h"

namespace ntsim {

namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr std::string_view kRootKey = "VS_VERSION_INFO";
constexpr unsigned kTextType = 1;

// The caller has checked that the word lies inside the block.
unsigned WordAt(std::string_view block, std::size_t at) {
  return static_cast<unsigned char>(block[at]) | static_cast<unsigned char>(block[at + 1]) << 8;
}

std::size_t Aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

// One node, its parts cut to the room its parent leaves it.
struct Node {
  std::size_t end;       // one past its last byte
  std::size_t next;      // where a sibling after it would start
  std::string key;       // in code page 1252
  VersionValue value;
  std::size_t children;  // where its first child would start
};

std::optional<Node> NodeAt(std::string_view block, std::size_t at, std::size_t limit) {
  if (at > limit || limit - at < kHeaderBytes) return std::nullopt;
  const std::size_t length = WordAt(block, at);
  if (length < kHeaderBytes) return std::nullopt;
  Node node;
  node.end = std::min(limit, at + length);
  node.next = at + Aligned(length);
  const std::size_t value_length = WordAt(block, at + 2);
  node.value.type = WordAt(block, at + 4) == kTextType ? VersionValueType::Text
                                                       : VersionValueType::Binary;
  std::u16string key;
  std::size_t unit = at + kHeaderBytes;
  for (; unit + 2 <= node.end && WordAt(block, unit) != 0; unit += 2) {
    key.push_back(static_cast<char16_t>(WordAt(block, unit)));
  }
  // A key without its terminator inside the node is no key.
  if (unit + 2 > node.end) return std::nullopt;
  node.key = CodePage1252FromUtf16(key);
  node.value.offset = std::min(Aligned(unit + 2), node.end);
  const std::size_t claimed =
      node.value.type == VersionValueType::Text ? value_length * 2 : value_length;
  node.value.bytes = std::min(claimed, node.end - node.value.offset);
  node.children = std::min(Aligned(node.value.offset + node.value.bytes), node.end);
  return node;
}

std::optional<Node> ChildNamed(std::string_view block, const Node& parent, std::string_view key) {
  // Each sibling starts at least one header past the one before, so the walk ends.
  for (std::size_t at = parent.children; at < parent.end;) {
    auto child = NodeAt(block, at, parent.end);
    if (!child) return std::nullopt;
    if (EqualIgnoringCase1252(child->key, key)) return child;
    at = child->next;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::size_t> VersionBlockLength(std::string_view block) {
  if (block.size() < kHeaderBytes) return std::nullopt;
  const std::size_t length = std::min<std::size_t>(WordAt(block, 0), block.size());
  const auto root = NodeAt(block, 0, length);
  if (!root || root->key != kRootKey) return std::nullopt;
  return length;
}

std::optional<VersionValue> FindVersionValue(std::string_view block, std::string_view path) {
  const auto length = VersionBlockLength(block);
  if (!length) return std::nullopt;
  block = block.substr(0, *length);
  auto node = NodeAt(block, 0, block.size());
  while (node) {
    const auto separator = path.find_first_not_of('\\');
    if (separator == std::string_view::npos) return node->value;
    path.remove_prefix(separator);
    const std::string_view key = path.substr(0, path.find('\\'));
    path.remove_prefix(key.size());
    node = ChildNamed(block, *node, key);
  }
  return std::nullopt;
}

}  // namespace ntsim
