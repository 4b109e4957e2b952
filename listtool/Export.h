// A list file's snapshot as data for other programs: every vector with its gate decoded and
// raw, its users, and every used device with its resources in the resources window's texts.
// docs/quorvel-list.md gives both forms; they are a contract, so fields are only ever added.
#pragma once

#include <string>

#include "listtool/ListSnapshot.h"

// The version of the JSON document's schema, written in its "version" field.
inline constexpr int kExportSchemaVersion = 1;

std::string JsonExport(const TListSnapshot& Snapshot);

// The header row, then one row per resource of each user of each vector; a vector without
// users and a user without resources get one row whose later fields are empty.
std::string CsvExport(const TListSnapshot& Snapshot);
