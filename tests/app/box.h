// A message box as a test compares it: its caption and its text.
#pragma once

#include <ostream>
#include <string>

namespace testing_support {

struct Box {
  std::string caption;
  std::string text;
  bool operator==(const Box&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << '"' << box.caption << "\" \"" << box.text << '"';
}

}  // namespace testing_support
