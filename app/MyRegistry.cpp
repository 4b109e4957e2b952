#include "app/MyRegistry.h"

#include <cstring>

LONG LastReadSize = 0;

namespace {

const TValueBlock kZeroBlock = {};

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
  // The value is read into a block of zeros of our own, so that the bytes after it are
  // zeros whatever the destination held.
  TValueBlock block = {};
  LastReadSize = 0;
  TMyRegistry registry;
  registry.SetRootKey(RootKey);
  if (!registry.OpenKey(KeyPath)) {
    std::memcpy(Destination, kZeroBlock, sizeof Destination);
    return;
  }
  try {
    if (registry.GetDataType(ValueName) == rdBinary) {
      std::memcpy(Destination, kZeroBlock, sizeof Destination);
      return;
    }
    // A string, expandable string or integer value raises the registry exception here, so
    // only values of the other types are ever read.
    LastReadSize = registry.ReadBinaryData(ValueName, block, kLargestValueRead);
    std::memcpy(Destination, block, sizeof Destination);
  } catch (const ERegistryException&) {
    std::memcpy(Destination, kZeroBlock, sizeof Destination);
  }
}
