// Writes the list tool's fixture list files into the folder it is given: whole snapshots
// (base.idt, changed.idt), one whose counts and indices lead out of its tables
// (damaged.idt), and files of the wrong length (empty.idt, short.idt with the IDT block
// alone, long.idt with 100 bytes more than a list file).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/listtool/list_fixtures.h"

namespace {

bool Write(const std::filesystem::path& Path, const std::string& Bytes) {
  std::ofstream File(Path, std::ios::binary | std::ios::trunc);
  File << Bytes;
  File.close();
  if (!File) std::fprintf(stderr, "make_list_fixtures: cannot write %s\n", Path.c_str());
  return static_cast<bool>(File);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: make_list_fixtures FOLDER\n");
    return 2;
  }
  const std::filesystem::path Folder = argv[1];
  std::error_code Error;
  std::filesystem::create_directories(Folder, Error);
  const std::string Base = list_fixtures::FileBytes(*list_fixtures::Base());
  const bool Written = Write(Folder / "base.idt", Base) &&
                       Write(Folder / "changed.idt",
                             list_fixtures::FileBytes(*list_fixtures::Changed())) &&
                       Write(Folder / "damaged.idt",
                             list_fixtures::FileBytes(*list_fixtures::Damaged())) &&
                       Write(Folder / "empty.idt", "") &&
                       Write(Folder / "short.idt", Base.substr(0, 16384)) &&
                       Write(Folder / "long.idt", Base + std::string(100, '\0'));
  return Written ? 0 : 1;
}
