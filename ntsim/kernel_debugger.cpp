#include "ntsim/kernel_debugger.h"

#include <cstdint>
#include <cstdio>

#include "ntsim/machine_folder.h"

namespace ntsim {

namespace {

int quiet_depth = 0;

struct Conversion {
  std::string flags;
  int width = -1;
  int precision = -1;
  char size = 0;  // 'l', 'h' or 0
};

// Reads a width or precision: digits, or '*' taken from the arguments.
int ReadCount(const char*& cursor, std::va_list& arguments) {
  if (*cursor == '*') {
    ++cursor;
    return va_arg(arguments, int);
  }
  int count = 0;
  while (*cursor >= '0' && *cursor <= '9' && count < 100000) {
    count = count * 10 + (*cursor - '0');
    ++cursor;
  }
  return count;
}

// The type letter is passed as an int: va_start after a parameter of a type that is promoted
// when passed (such as char) is undefined.
std::string Printed(const Conversion& conversion, int type, ...) {
  std::string pattern = "%" + conversion.flags;
  if (conversion.width >= 0) pattern += std::to_string(conversion.width);
  if (conversion.precision >= 0) pattern += "." + std::to_string(conversion.precision);
  pattern += static_cast<char>(type);
  std::va_list value;
  va_start(value, type);
  std::va_list measure;
  va_copy(measure, value);
  const int length = std::vsnprintf(nullptr, 0, pattern.c_str(), measure);
  va_end(measure);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, pattern.c_str(), value);
  va_end(value);
  return text;
}

}  // namespace

std::string FormatDebugText(const char* format, std::va_list arguments) {
  std::va_list rest;
  va_copy(rest, arguments);
  std::string text;
  const char* cursor = format;
  while (*cursor != '\0') {
    if (*cursor != '%') {
      text += *cursor++;
      continue;
    }
    const char* start = cursor++;
    Conversion conversion;
    while (*cursor == '-' || *cursor == '+' || *cursor == ' ' || *cursor == '#' ||
           *cursor == '0') {
      conversion.flags += *cursor++;
    }
    if ((*cursor >= '0' && *cursor <= '9') || *cursor == '*') {
      conversion.width = ReadCount(cursor, rest);
    }
    if (*cursor == '.') {
      ++cursor;
      conversion.precision = ReadCount(cursor, rest);
    }
    if (*cursor == 'l' || *cursor == 'h') conversion.size = *cursor++;
    const char type = *cursor;
    if (type != '\0') ++cursor;
    switch (type) {
      case '%': text += '%'; break;
      case 'd':
      case 'i':
        // The kernel's long is 32 bits, like its int.
        text += Printed(conversion, 'd', va_arg(rest, int));
        break;
      case 'u':
      case 'x':
      case 'X':
        text += Printed(conversion, type, va_arg(rest, unsigned int));
        break;
      case 'c': text += Printed(conversion, 'c', va_arg(rest, int)); break;
      case 's': {
        const char* value = va_arg(rest, const char*);
        text += Printed(conversion, 's', value != nullptr ? value : "(null)");
        break;
      }
      case 'p':
        text += Printed(Conversion{"0", 8, -1, 0}, 'X',
                        static_cast<unsigned int>(
                            reinterpret_cast<std::uintptr_t>(va_arg(rest, void*))));
        break;
      default: text.append(start, cursor); break;
    }
  }
  va_end(rest);
  return text;
}

void PrintToDebugger(const std::string& text) {
  if (quiet_depth > 0 || text.empty()) return;
  try {
    AppendToMachineFile("debug.log", text);
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
}

QuietDebugger::QuietDebugger() { ++quiet_depth; }
QuietDebugger::~QuietDebugger() { --quiet_depth; }

}  // namespace ntsim
