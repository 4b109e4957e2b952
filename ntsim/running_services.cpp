#include "ntsim/running_services.h"

#include <algorithm>
#include <cctype>

#include "ntsim/machine_folder.h"

namespace ntsim {

std::vector<std::string> ReadRunningServices() {
  std::optional<std::string> text;
  try {
    text = ReadMachineFile("running.ini");
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
  std::vector<std::string> services;
  if (!text) return services;
  std::string_view rest = *text;
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == ';') continue;
    if (!ListsService(services, line)) services.emplace_back(line);
  }
  return services;
}

void WriteRunningServices(const std::vector<std::string>& services) {
  std::string text = "; The services whose drivers are loaded on this machine.\n";
  for (const auto& service : services) text += service + "\n";
  try {
    ReplaceMachineFile("running.ini", text);
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
}

bool SameServiceName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool ListsService(const std::vector<std::string>& services, std::string_view name) {
  return std::any_of(services.begin(), services.end(),
                     [&](const std::string& service) { return SameServiceName(service, name); });
}

}  // namespace ntsim
