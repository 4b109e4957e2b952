// The program's version information: the eight standard texts of its version resource,
// read from the program file itself each time they are asked for, for the first language
// and code page the resource announces.
#pragma once

#include <array>
#include <string>

// The keys read, in the order of VersionValues.
extern const std::array<const char*, 8> VersionKeys;
// The values last read, empty until the first read. A read overwrites all eight, or none
// when the program file has no version resource or no translation list.
extern std::array<std::string, 8> VersionValues;
// The value of a key the resource's string table lacks.
extern const char* const NotAvailableText;

void ReadVersionInfo();
std::string FileDescriptionText();
std::string FileVersionText();
std::string LegalCopyrightText();
