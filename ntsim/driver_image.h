// A driver image on the host: an ELF shared object of this host's kind that exports
// DriverEntry. The file is read and checked before the loader maps it, so that a file that
// is not a driver (a text, another program, a library of another host) fails to start with
// the system's code and never runs.
#pragma once

#include <string>
#include <vector>

#include "winapi/windef.h"

namespace ntsim {

struct DriverImageSymbols {
  std::vector<std::string> exports;  // defined dynamic symbols
  std::vector<std::string> imports;  // undefined dynamic symbols
  std::vector<std::string> needed;   // shared objects the image asks for
};

// ERROR_SUCCESS when the file is a driver image; else the system's code: the file's open
// error (ERROR_FILE_NOT_FOUND ...) or ERROR_BAD_EXE_FORMAT.
DWORD InspectDriverImage(const std::string& path, DriverImageSymbols& symbols);

}  // namespace ntsim
