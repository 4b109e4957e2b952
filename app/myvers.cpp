#include "app/myvers.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "vcl/Forms.h"
#include "winapi/winver.h"

const std::array<const char*, 8> VersionKeys = {
    "CompanyName",    "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};

std::array<std::string, 8> VersionValues;

const char* const NotAvailableText = "<not available>";

namespace {

constexpr std::size_t kFileDescription = 1;
constexpr std::size_t kFileVersion = 2;
constexpr std::size_t kLegalCopyright = 4;

}  // namespace

void ReadVersionInfo() {
  const std::string path = Application->ExeName();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return;
  std::vector<char> data(static_cast<std::size_t>(size) + 1);
  GetFileVersionInfoA(path.c_str(), 0, size, data.data());

  LPVOID translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &translation, &length) ||
      length < 4) {
    return;
  }
  // The first entry of the list: the language identifier, then its code page, each a
  // 16-bit word taken whole, so that a language such as 0x0400 keeps its four digits.
  WORD words[2];
  std::memcpy(words, translation, sizeof words);
  char translationText[9];
  std::snprintf(translationText, sizeof translationText, "%04X%04X", words[0], words[1]);

  for (std::size_t i = 0; i < VersionKeys.size(); ++i) {
    const std::string query =
        std::string("\\StringFileInfo\\") + translationText + "\\" + VersionKeys[i];
    LPVOID value = nullptr;
    UINT characters = 0;
    if (VerQueryValueA(data.data(), query.c_str(), &value, &characters)) {
      // The value ends at its first zero or after the number of characters given.
      const char* text = static_cast<const char*>(value);
      VersionValues[i].assign(text, strnlen(text, characters));
    } else {
      VersionValues[i] = NotAvailableText;
    }
  }
}

std::string FileDescriptionText() { return VersionValues[kFileDescription]; }
std::string FileVersionText() { return VersionValues[kFileVersion]; }
std::string LegalCopyrightText() { return VersionValues[kLegalCopyright]; }
