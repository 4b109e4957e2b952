#include "app/MyRegistry.h"

#include <cstring>

LONG LastReadSize = 0;

namespace {

enum class Listing { SubKeys, ValueNames };

void ListNames(HKEY RootKey, const std::string& KeyPath, TStrings& Names, Listing listing) {
  TMyRegistry registry;
  registry.SetRootKey(RootKey);
  if (!registry.OpenKey(KeyPath)) return;
  if (listing == Listing::SubKeys) {
    registry.GetKeyNames(Names);
  } else {
    registry.GetValueNames(Names);
  }
}

}  // namespace

bool TMyRegistry::OpenKey(const std::string& Key) {
  const std::string path = !Key.empty() && Key.front() == '\\' ? Key.substr(1) : Key;
  HKEY key = nullptr;
  if (RegOpenKeyExA(RootKey(), path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return false;
  }
  ChangeKey(key, path);
  return true;
}

void ListSubKeys(HKEY RootKey, const std::string& KeyPath, TStrings& Names) {
  ListNames(RootKey, KeyPath, Names, Listing::SubKeys);
}

void ListValueNames(HKEY RootKey, const std::string& KeyPath, TStrings& Names) {
  ListNames(RootKey, KeyPath, Names, Listing::ValueNames);
}

void ReadBinaryValue(HKEY RootKey, const std::string& KeyPath, const std::string& ValueName,
                     TValueBlock& Destination) {
  // The value is read straight into the destination and only the bytes after it are
  // cleared: the scan reads one value per device, and a block of its own, zeroed and copied
  // over, cost two more passes over 64 KiB for each. Every path writes all of Destination.
  LastReadSize = 0;
  TMyRegistry registry;
  registry.SetRootKey(RootKey);
  try {
    // A string, expandable string or integer value raises the registry exception in the
    // read, so only values of the other types are ever read.
    if (registry.OpenKey(KeyPath) && registry.GetDataType(ValueName) != rdBinary) {
      LastReadSize = registry.ReadBinaryData(ValueName, Destination, kLargestValueRead);
    }
  } catch (const ERegistryException&) {
    LastReadSize = 0;
  }
  std::memset(Destination + LastReadSize, 0, sizeof Destination - LastReadSize);
}
