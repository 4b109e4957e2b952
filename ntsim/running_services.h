// The machine's running state: the services whose drivers are loaded, kept in running.ini
// of the machine folder so that a driver stays running when the program that started it
// ends without stopping it. The file holds one service name a line; lines starting with ';'
// are comments.
#pragma once

#include <string>
#include <vector>

namespace ntsim {

// The running services as the file names them; none when there is no file. A file that
// cannot be read stops the machine.
std::vector<std::string> ReadRunningServices();

// Rewrites the file by atomic replace. Call it holding the MachineLock, with the list read
// under the same lock.
void WriteRunningServices(const std::vector<std::string>& services);

// Names compare without regard to case, as service names do.
bool SameServiceName(std::string_view a, std::string_view b);
bool ListsService(const std::vector<std::string>& services, std::string_view name);

}  // namespace ntsim
