#include "vcl/SysUtils.h"

namespace {

std::string Hex(std::uint64_t pattern, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[pattern & 0xF]);
    pattern >>= 4;
  } while (pattern != 0);
  if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

std::size_t EndOfDirectory(const std::string& fileName) {
  const auto separator = fileName.find_last_of("\\/:");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::string IntToHex(std::int32_t value, int digits) {
  return Hex(static_cast<std::uint32_t>(value), digits);
}
std::string IntToHex(std::uint32_t value, int digits) { return Hex(value, digits); }
std::string IntToHex(std::int64_t value, int digits) {
  return Hex(static_cast<std::uint64_t>(value), digits);
}
std::string IntToHex(std::uint64_t value, int digits) { return Hex(value, digits); }

std::string ExtractFilePath(const std::string& fileName) {
  return fileName.substr(0, EndOfDirectory(fileName));
}

std::string ExtractFileName(const std::string& fileName) {
  return fileName.substr(EndOfDirectory(fileName));
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  const auto dot = fileName.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && dot >= EndOfDirectory(fileName);
  return (hasExtension ? fileName.substr(0, dot) : fileName) + extension;
}
