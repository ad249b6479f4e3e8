#pragma once

#include <string>

namespace orvanta {

// True when a file can be created in the folder right now (asked of the file
// system, so read-only mounts and permissions both count).
bool IsWritableFolder(const std::string& folder);

// A folder shared by many programs (/usr/bin and the like). Test pages never
// go there, even for root, who can write to it.
bool IsSystemProgramFolder(const std::string& folder);

// The program's folder with "/" when it is writable and not a system
// program folder; otherwise `dataFolder` (created when missing) with "/". An
// installed program's folder is read-only, and the preview would silently
// show nothing.
std::string ChooseWorkFolder(const std::string& programFolder, const std::string& dataFolder);

}  // namespace orvanta
