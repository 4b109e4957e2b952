// The system's message table: the English text of every error code the machine produces,
// as FormatMessageA gives it (ending in CR LF, inserts such as %1 left as written).
#pragma once

#include <optional>
#include <string_view>

#include "winapi/windef.h"

namespace ntsim {

std::optional<std::string_view> SystemMessageText(DWORD code);

}  // namespace ntsim
