#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "preview/TestPages.h"

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
// windows (of one process or several) never write over each other's pages, and no folder the user
// keeps other files in is served to the pages. Nothing is created.
std::string ChooseWorkFolder(const std::string& programFolder, const std::string& dataFolder);

// Removes what instances that hold no lock any more left in `folder`: their
// own folders, and their launch pages in a shared build-tree folder.
void RemoveLeftoversIn(const std::string& folder);

// A page of its own for each "Launch in Browser": the browser may read it
// long after, while later pages are written. Only the last few stay.
std::string LaunchPageName(int number);
inline constexpr int kLaunchPagesKept = 8;

// The folder one window writes its pages to, and the lock that tells other
// instances it is in use. Nothing is written until the first LockPages();
// the destructor removes what this instance wrote there and lets the lock
// go, leaving launched pages for the browser (the next start removes them).
class WorkFolder {
 public:
  WorkFolder(const std::string& programFolder, const std::string& dataFolder);
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  // Ends with "/".
  const std::string& Path() const { return path_; }
  std::string PagePath(std::string_view name) const { return path_ + std::string(name); }

  // Removes, on a thread of its own, what instances that are gone left
  // beside this folder. Once per instance; later calls do nothing.
  void StartSweep();
  void WaitForSweep();

  // Makes the folder when missing, open to its owner alone, holds this
  // instance's lock on it and returns the writer of its pages, with the
  // picture the pages show in place. Throws FileWriteError.
  PageWriter LockPages();

  // How this instance marks the folder as its own: a folder of its own, or
  // its launch pages in the shared folder of a build tree.
  class Policy;

 private:
  std::string path_;
  std::unique_ptr<Policy> policy_;
  std::thread sweep_;
  bool swept_ = false;
};

}  // namespace orvanta
