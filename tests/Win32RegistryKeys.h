#pragma once
// Test-only work on the real registry below HKEY_CURRENT_USER that the program's seven registry
// calls cannot do: volatile keys and access lists, used to make the registry refuse a change.

#include <windows.h>

#include <string>

namespace corvelle::testing {

// Creates the key at the path as a volatile key, its missing parents as ordinary ones. True when
// the key was created new.
bool CreateVolatileKey(const std::string& path);

// Replaces the key's access list with one entry that grants everyone the given rights.
bool SetEveryonesAccess(const std::string& path, REGSAM access);

}  // namespace corvelle::testing
