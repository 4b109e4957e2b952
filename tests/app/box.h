// A message box as a test compares it: its caption and its text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

struct Box {
  std::string caption;
  std::string text;
  bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << '"' << box.caption << "\" \"" << box.text << '"';
}

// The error boxes of a part of the console output, in order: "=== box error <caption>", one
// text line, "=== end".
inline std::vector<Box> BoxesIn(const std::string& output) {
  std::vector<Box> boxes;
  const std::string head = "=== box error ";
  for (std::size_t at = output.find(head); at != std::string::npos; at = output.find(head, at)) {
    const std::size_t captionEnd = output.find('\n', at);
    const std::size_t end = output.find("=== end\n", captionEnd);
    std::string text = output.substr(captionEnd + 1, end - captionEnd - 1);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    boxes.push_back({output.substr(at + head.size(), captionEnd - at - head.size()), text});
    at = end;
  }
  return boxes;
}

}  // namespace testing_support
