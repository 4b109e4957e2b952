// The kernel debugger: what drivers print with DbgPrint is appended to debug.log of the
// machine folder, where a person (or a test) reads it.
#pragma once

#include <cstdarg>
#include <string>

namespace ntsim {

// DbgPrint's formatting: %x %X %d %i %u %c %s %p %% with flags, width, precision and the
// l/h size prefixes. A conversion the kernel's printf does not have is written out as it
// stands, so a wrong format shows in the log instead of reading an argument it cannot type.
std::string FormatDebugText(const char* format, std::va_list arguments);

void PrintToDebugger(const std::string& text);

// While a machine that stayed up is attached again, its drivers are loaded once more in this
// process; what they print then was printed when they were first loaded, so it is dropped.
class QuietDebugger {
 public:
  QuietDebugger();
  ~QuietDebugger();
  QuietDebugger(const QuietDebugger&) = delete;
  QuietDebugger& operator=(const QuietDebugger&) = delete;
};

}  // namespace ntsim
