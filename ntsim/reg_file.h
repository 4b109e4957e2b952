// The registry file of the machine folder, in the two formats regedit exports:
//
//   REGEDIT4                                 ANSI text, code page 1252
//   Windows Registry Editor Version 5.00     UTF-16LE text after a byte-order mark
//
// then key sections "[HKEY_LOCAL_MACHINE\PATH]" and their values, one a line:
// "name"="text" (with \\ and \" escaped), @=... for the default value, dword:0000000b,
// hex:01,02 for REG_BINARY and hex(N):... for any type N, a long list continued over lines
// that end in a backslash. "[-HKEY_LOCAL_MACHINE\PATH]" removes a key and "name"=- a value;
// lines that start with ';' are comments.
//
// The machine keeps names and strings in code page 1252. A Version 5.00 file's text maps to
// it character by character, a character the code page lacks becoming '?'; its REG_SZ,
// REG_EXPAND_SZ and REG_MULTI_SZ data written as hex(1), hex(2) and hex(7) is UTF-16 and
// maps the same way (a last odd byte of such data is dropped, as the A calls drop it). Data
// of every other type is kept byte for byte in both formats.
#pragma once

#include <string>
#include <string_view>

#include "ntsim/registry_tree.h"

namespace ntsim {

enum class RegFileFormat { Regedit4, Version5 };

struct RegFile {
  RegistryTree tree;
  RegFileFormat format;
};

// Reads a whole registry file. A malformed one is refused with a MachineFault whose message
// is "<file_name>:<line>: <why>"; nothing of it is taken.
RegFile ParseRegFile(std::string_view bytes, const std::string& file_name);

// The tree as a registry file in the given format, every key in sorted order with its
// values in creation order, lines ended by CR LF.
std::string WriteRegFile(const RegistryTree& tree, RegFileFormat format);

}  // namespace ntsim
