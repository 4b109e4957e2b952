// The run-time's basic services: the error class every failure is raised as, number and
// file-name formatting.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// Every failure the toolkit raises, and every one a program raises through it, is an
// Exception with a message text; the application shows that text when an event handler ends
// with it.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }

  std::string Message;
};

// A call that is not allowed in the object's present state, such as showing a visible form
// modally.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

std::string IntToStr(std::int64_t value);

// Upper-case hexadecimal, padded with zeros to at least `digits` digits and never cut. A
// 32-bit value is written as its 32-bit pattern (-1 is FFFFFFFF), a 64-bit one as its
// 64-bit pattern.
std::string IntToHex(std::int32_t value, int digits);
std::string IntToHex(std::uint32_t value, int digits);
std::string IntToHex(std::int64_t value, int digits);
std::string IntToHex(std::uint64_t value, int digits);

// File names may use the platform's backslash or the host's slash as separator; the drive
// colon ends a directory part too.
std::string ExtractFilePath(const std::string& fileName);  // up to and with the last separator
std::string ExtractFileName(const std::string& fileName);  // after the last separator
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
