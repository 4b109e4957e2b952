// make_version_resource DESCRIPTION OUTPUT: writes the version resource that a description
// file describes. The output is replaced only once the whole block is written, so a failed
// run never leaves half a resource for the build to embed.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/version_resource.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_version_resource DESCRIPTION OUTPUT\n";
    return 2;
  }
  const std::string descriptionPath = argv[1];
  const std::filesystem::path outputPath = argv[2];
  std::ifstream in(descriptionPath, std::ios::binary);
  if (!in) {
    std::cerr << descriptionPath << ": cannot be read\n";
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::uint8_t> block;
  try {
    block = version_resource::Serialize(
        version_resource::VersionInfoOf(version_resource::ParseDescription(text.str())));
  } catch (const version_resource::DescriptionError& error) {
    std::cerr << descriptionPath << ": " << error.what() << '\n';
    return 1;
  }
  std::filesystem::path partial = outputPath;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    if (!out.flush()) {
      std::cerr << partial.string() << ": cannot be written\n";
      return 1;
    }
  }
  std::error_code error;
  std::filesystem::rename(partial, outputPath, error);
  if (error) {
    std::cerr << outputPath.string() << ": cannot be written: " << error.message() << '\n';
    return 1;
  }
  return 0;
}
