#include "ntsim/registry_access.h"

#include "winapi/kernel32.h"

namespace ntsim {

std::optional<REGSAM> GrantedKeyAccess(REGSAM desired, bool administrator) {
  const REGSAM allowed = administrator ? KEY_ALL_ACCESS : KEY_READ;
  REGSAM asked = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL |
                             MAXIMUM_ALLOWED);
  if (desired & GENERIC_READ) asked |= KEY_READ;
  if (desired & GENERIC_WRITE) asked |= KEY_WRITE;
  if (desired & GENERIC_EXECUTE) asked |= KEY_EXECUTE;
  if (desired & GENERIC_ALL) asked |= KEY_ALL_ACCESS;
  if ((asked & ~allowed) != 0) return std::nullopt;
  return (desired & MAXIMUM_ALLOWED) != 0 ? allowed : asked;
}

}  // namespace ntsim
