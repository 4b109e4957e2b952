// Machine folders for the scan's figures: the built-in profile's registry with its resource
// map replaced by one of `devices` devices, each with the table's limit of 256 resources
// (ports, interrupts, memory ranges and DMA channels in turn), so that the scan fills the
// device table and many vectors' user lists as far as the map goes.
#pragma once

#include <filesystem>
#include <string>

namespace bench {

// Writes registry.reg into `folder`, which must exist.
void WriteResourceMapMachine(const std::filesystem::path& folder, int devices);

// A fresh folder below the host's temporary folder; the caller removes it.
std::filesystem::path NewTemporaryFolder(const std::string& stem);

}  // namespace bench
