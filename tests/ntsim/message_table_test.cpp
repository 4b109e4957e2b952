// FormatMessageA with the system's message table: the system's texts as the platform gives
// them, nothing for a code it does not know, and every code the machine produces covered.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "ntsim/message_table.h"
#include "ntsim/status_codes.h"
#include "winapi/kernel32.h"
#include "winapi/ntddk.h"

namespace {

std::string SystemText(DWORD code, DWORD language = LANG_SYSTEM_DEFAULT) {
  char buffer[65536] = {};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, language, buffer, 260, nullptr);
  EXPECT_EQ(length, std::string(buffer).size());
  return buffer;
}

TEST(FormatMessage, GivesTheSystemsTextsEndingInCrLf) {
  const struct {
    DWORD code;
    const char* text;
  } cases[] = {
      {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
      {ERROR_INVALID_FUNCTION, "Incorrect function.\r\n"},
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
      {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
      {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command.\r\n"},
      {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
      {ERROR_DISK_FULL, "There is not enough space on the disk.\r\n"},
      {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\r\n"},
      {ERROR_SERVICE_EXISTS, "The specified service already exists.\r\n"},
      {ERROR_SERVICE_DOES_NOT_EXIST,
       "The specified service does not exist as an installed service.\r\n"},
      {ERROR_SERVICE_ALREADY_RUNNING, "An instance of the service is already running.\r\n"},
      {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started.\r\n"},
      {ERROR_SERVICE_MARKED_FOR_DELETE, "The specified service has been marked for deletion.\r\n"},
      {ERROR_SERVICE_CANNOT_ACCEPT_CTRL,
       "The service cannot accept control messages at this time.\r\n"},
      {ERROR_INVALID_SERVICE_CONTROL, "The requested control is not valid for this service.\r\n"},
      // Asked for without arguments, an insert stays as it is written.
      {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SystemText(c.code), c.text) << c.code;
  }
  EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED, 0), "Access is denied.\r\n");
  EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED, MAKELANGID(0x09, SUBLANG_DEFAULT)),
            "Access is denied.\r\n");
}

TEST(FormatMessage, GivesNothingItCannot) {
  const struct {
    DWORD flags;
    DWORD code;
    DWORD language;
    DWORD size;
    DWORD error;
  } cases[] = {
      {FORMAT_MESSAGE_FROM_SYSTEM, 9999, LANG_SYSTEM_DEFAULT, 260, ERROR_MR_MID_NOT_FOUND},
      {FORMAT_MESSAGE_FROM_SYSTEM, 0xC0000035, LANG_SYSTEM_DEFAULT, 260, ERROR_MR_MID_NOT_FOUND},
      {FORMAT_MESSAGE_FROM_SYSTEM, ERROR_ACCESS_DENIED, 0x0407, 260, ERROR_RESOURCE_LANG_NOT_FOUND},
      {FORMAT_MESSAGE_FROM_SYSTEM, ERROR_ACCESS_DENIED, LANG_SYSTEM_DEFAULT, 18,
       ERROR_INSUFFICIENT_BUFFER},
      {0, ERROR_ACCESS_DENIED, LANG_SYSTEM_DEFAULT, 260, ERROR_INVALID_PARAMETER},
      {FORMAT_MESSAGE_FROM_SYSTEM | 80, ERROR_ACCESS_DENIED, 0, 260, ERROR_CALL_NOT_IMPLEMENTED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    char buffer[300];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(FormatMessageA(c.flags, nullptr, c.code, c.language, buffer, c.size, nullptr), 0u);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(buffer[0], '\0');
  }
}

// Every code the machine declares has its text, so no failure the machine reports shows an
// empty message box.
TEST(FormatMessage, KnowsEveryDeclaredCode) {
  std::ifstream header(QUORVEL_WINERROR_HEADER);
  ASSERT_TRUE(header);
  const std::regex declaration(R"(inline constexpr DWORD (\w+) = (\d+);)");
  int declared = 0;
  for (std::string line; std::getline(header, line);) {
    std::smatch match;
    if (!std::regex_search(line, match, declaration)) continue;
    ++declared;
    EXPECT_TRUE(ntsim::SystemMessageText(static_cast<DWORD>(std::stoul(match[2]))).has_value())
        << match[1];
  }
  EXPECT_GT(declared, 50);
}

TEST(StatusCodes, TranslateAsThePlatformDoes) {
  const struct {
    NTSTATUS status;
    DWORD error;
  } cases[] = {
      {STATUS_SUCCESS, ERROR_SUCCESS},
      {STATUS_OBJECT_NAME_COLLISION, ERROR_ALREADY_EXISTS},
      {STATUS_OBJECT_NAME_NOT_FOUND, ERROR_FILE_NOT_FOUND},
      {STATUS_INVALID_DEVICE_REQUEST, ERROR_INVALID_FUNCTION},
      {STATUS_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {STATUS_INSUFFICIENT_RESOURCES, ERROR_NO_SYSTEM_RESOURCES},
      {STATUS_INVALID_IMAGE_FORMAT, ERROR_BAD_EXE_FORMAT},
      {NtStatus(0xC0001234), ERROR_MR_MID_NOT_FOUND},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ntsim::Win32ErrorFromStatus(c.status), c.error) << std::hex << c.status;
  }
}

}  // namespace
