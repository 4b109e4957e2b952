// A registry file as a person may drop it into the machine folder: parsed, every key and
// value of the tree visited, and the tree written back in both formats, which must read
// again as the same tree, since the machine writes the registry back whenever a service
// changes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "ntsim/machine_folder.h"
#include "ntsim/reg_file.h"

namespace {

using fuzz_support::Broken;

void Visit(const ntsim::RegistryKey& key) {
  for (const ntsim::RegistryValue& value : key.Values()) {
    if (key.FindValue(value.name) == nullptr) Broken("a value is not found by its own name");
    (void)ntsim::RegistryStringOf(value);
    (void)ntsim::RegistryDwordOf(value);
  }
  const auto subkeys = key.Subkeys();
  if (subkeys.size() != key.SubkeyCount()) Broken("the subkey listing and count disagree");
  for (std::size_t i = 0; i < subkeys.size(); ++i) {
    if (key.SubkeyAt(i) != subkeys[i]) Broken("a subkey is not at its place in the listing");
    if (key.FindSubkey(subkeys[i]->name()) != subkeys[i]) {
      Broken("a subkey is not found by its own name");
    }
    Visit(*subkeys[i]);
  }
  if (key.SubkeyAt(subkeys.size()) != nullptr) Broken("a subkey past the last one");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ntsim::RegFile file;
  try {
    file = ntsim::ParseRegFile(fuzz_support::BytesOf(data, size), "registry.reg");
  } catch (const ntsim::MachineFault& fault) {
    if (std::string(fault.what()).rfind("registry.reg:", 0) != 0) {
      Broken(std::string("a refusal that does not name the file: ") + fault.what());
    }
    return 0;
  }
  Visit(file.tree.Root());

  const std::string dump = ntsim::WriteRegFile(file.tree, ntsim::RegFileFormat::Regedit4);
  for (const auto format : {ntsim::RegFileFormat::Regedit4, ntsim::RegFileFormat::Version5}) {
    const std::string written = ntsim::WriteRegFile(file.tree, format);
    ntsim::RegFile again;
    try {
      again = ntsim::ParseRegFile(written, "written.reg");
    } catch (const ntsim::MachineFault& fault) {
      Broken(std::string("the machine cannot read back what it wrote: ") + fault.what());
    }
    if (again.format != format) Broken("a written file reads in another format");
    if (ntsim::WriteRegFile(again.tree, ntsim::RegFileFormat::Regedit4) != dump) {
      Broken("a written file reads back as another tree");
    }
  }
  return 0;
}
