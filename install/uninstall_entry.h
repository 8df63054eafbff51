// The product's line in the system's list of installed programs (Settings' "Apps", Control Panel's
// "Programs and Features"), kept under the user's own Uninstall key.
#pragma once

#include <cstddef>
#include <cstdint>

// "Ludra47 (100)", the last subkey name tried, and its terminator.
constexpr size_t UninstallKeyNameSize = 14;

struct UninstallEntry {
    const char* folder;      // the installation folder's full path, ANSI, e.g. "C:\\LUDRA"
    uint64_t installedBytes; // shown as EstimatedSize, in KB rounded up
};

// Writes the folder's entry into its own key when it has one, else into the first key ("Ludra47",
// "Ludra47 (2)", ...) that is free or whose installation is gone. True, or false with the last error
// saying why and nothing half-written left. keyName (null, or UninstallKeyNameSize bytes at least)
// receives the subkey's name.
bool RegisterUninstallEntry(const UninstallEntry& entry, char* keyName, size_t keyNameSize);
// Deletes every entry whose InstallLocation is folder, in any letter case. True when none is left
// (also when there was none); false with the last error otherwise.
bool RemoveUninstallEntry(const char* folder);
