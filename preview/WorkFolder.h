#pragma once

#include <optional>
#include <string>

#include "files/FileProblem.h"

namespace orvanta {

// True when a file can be created in the folder right now (asked of the file
// system, so read-only mounts and permissions both count).
bool IsWritableFolder(const std::string& folder);

// A folder shared by many programs (/usr/bin and the like). Test pages never
// go there, even for root, who can write to it.
bool IsSystemProgramFolder(const std::string& folder);

// A folder a build wrote the program to: it, or a folder above it, holds
// the build's CMakeCache.txt.
bool IsBuildTree(const std::string& programFolder);

// Where this running program writes its test pages, ending with "/". The
// program's folder when it runs from its build tree and may write there;
// otherwise a folder of this instance's own in `dataFolder`, so that two
// windows (of one process or several) never write over each other's pages, and no folder the user keeps
// other files in is served to the pages. Nothing is created.
std::string ChooseWorkFolder(const std::string& programFolder, const std::string& dataFolder);

// Creates the work folder when it is missing, open to its owner alone (and
// its parent so when that is missing too), and takes the lock this process
// holds on it until it ends (in a shared build-tree folder, the lock on its
// launch pages). Removes what instances that hold no lock any more left
// behind: a process number tells nothing across containers.
std::optional<files::FileProblem> PrepareWorkFolder(const std::string& workFolder);

// Removes what instances that hold no lock any more left in `folder`: their
// own folders, and their launch pages in a shared build-tree folder.
void RemoveLeftoversIn(const std::string& folder);

// Removes this instance's folder and what the program wrote there, and
// lets the lock go; files handed to the browser stay for it and go at the
// next start.
void RemoveWorkFolder(const std::string& workFolder);

// A page of its own for each "Launch in Browser": the browser may read it
// long after, while later pages are written. Only the last few stay.
std::string LaunchPageName(int number);
inline constexpr int kLaunchPagesKept = 8;

}  // namespace orvanta
