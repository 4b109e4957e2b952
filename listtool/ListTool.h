// The list tool's command line: show, export and diff on list files, --help and --version.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit statuses: success (for diff: the snapshots are equal), the snapshots differ, and a
// usage error or a file that cannot be read or is no whole list file.
enum TListToolStatus { kListToolSuccess = 0, kListToolDifferent = 1, kListToolError = 2 };

// Runs the command of Args (the arguments after the program's name), writing its result to
// Out and every error, prefixed "quorvel-list: ", to Err.
int RunListTool(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
