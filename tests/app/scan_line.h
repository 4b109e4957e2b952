// The resource map scan logs how many devices it found, which depends on the machine's
// registry. Tests of start-up and refresh check that the line is there and has its form, and
// compare it with its number written as N.
#pragma once

#include <regex>
#include <string>
#include <vector>

namespace testing_support {

inline std::string WithDeviceCountAsN(const std::string& text) {
  static const std::regex count(R"((^|\n)[0-9]+ devices detected \.\.\.)");
  return std::regex_replace(text, count, "$1N devices detected ...");
}

inline std::vector<std::string> WithDeviceCountAsN(std::vector<std::string> lines) {
  for (std::string& line : lines) line = WithDeviceCountAsN(line);
  return lines;
}

}  // namespace testing_support
