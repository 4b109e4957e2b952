// Who may do what below HKEY_LOCAL_MACHINE: a user with administrator rights may have every
// right to a key, any other user only the rights to read it (KEY_READ).
#pragma once

#include <optional>

#include "winapi/winreg.h"

namespace ntsim {

// The rights a key handle gets when it is opened for `desired`, generic rights mapped to
// the key's own and MAXIMUM_ALLOWED granting all the user may have; nothing when the user
// may not have every right asked for.
std::optional<REGSAM> GrantedKeyAccess(REGSAM desired, bool administrator);

}  // namespace ntsim
