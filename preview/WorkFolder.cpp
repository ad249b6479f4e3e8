#include "preview/WorkFolder.h"

#include <dirent.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "preview/TestPages.h"

namespace orvanta {

namespace {

constexpr const char* kInstancePrefix = "work-";
constexpr const char* kLaunchPrefix = "launch-";

std::string CleanPath(const std::string& path) {
  std::string clean = std::filesystem::path(path).lexically_normal().string();
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  return clean;
}

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "host";
  std::string host = name;
  for (char& c : host)
    if (c == '/' || c == '-') c = '_';
  return host;
}

// "work-HOST-PID": the host keeps instances on machines sharing one home
// folder apart.
std::string InstanceName(pid_t pid) {
  return kInstancePrefix + HostName() + "-" + std::to_string(pid);
}

// The process a name of ours ends with ("...-PID" or "...-PID-N.htm"),
// or 0.
pid_t PidIn(const std::string& rest) {
  char* end = nullptr;
  const long pid = std::strtol(rest.c_str(), &end, 10);
  return pid > 0 && (*end == '\0' || *end == '-') ? static_cast<pid_t>(pid) : 0;
}

bool IsGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

// Removes what gone instances of this host left in `folder`: their own
// folders, and their launch pages in a shared build-tree folder.
void RemoveLeftovers(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::string instance = kInstancePrefix + HostName() + "-";
  std::vector<std::string> gone;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    for (const std::string& prefix : {instance, std::string(kLaunchPrefix)}) {
      if (name.compare(0, prefix.size(), prefix) == 0 &&
          IsGone(PidIn(name.substr(prefix.size()))))
        gone.push_back(folder + "/" + name);
    }
  }
  ::closedir(dir);
  std::error_code ignored;
  for (const std::string& path : gone) std::filesystem::remove_all(path, ignored);
}

}  // namespace

bool IsWritableFolder(const std::string& folder) {
  struct stat st {};
  if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  // Root passes every permission check, so only a real file tells.
  std::string probe = CleanPath(folder) + "/.orvanta-probe-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

bool IsSystemProgramFolder(const std::string& folder) {
  static const char* const kSystemFolders[] = {"/bin",           "/sbin",           "/usr/bin",
                                               "/usr/sbin",      "/usr/local/bin",  "/usr/local/sbin",
                                               "/usr/games"};
  std::error_code error;
  const std::string real = std::filesystem::canonical(folder, error).string();
  if (error) return false;
  for (const char* system : kSystemFolders)
    if (real == system) return true;
  return false;
}

bool IsBuildTree(const std::string& programFolder) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::canonical(programFolder, error);
  if (error) return false;
  for (int up = 0; up < 3 && !folder.empty(); ++up) {
    if (std::filesystem::is_regular_file(folder / "CMakeCache.txt", error)) return true;
    if (folder == folder.parent_path()) break;
    folder = folder.parent_path();
  }
  return false;
}

std::string ChooseWorkFolder(const std::string& programFolder, const std::string& dataFolder) {
  if (IsBuildTree(programFolder) && !IsSystemProgramFolder(programFolder) &&
      IsWritableFolder(programFolder))
    return CleanPath(programFolder) + "/";
  // Each window of one process has a folder of its own too.
  static std::atomic<int> windows{0};
  const int window = ++windows;
  return CleanPath(dataFolder) + "/" + InstanceName(::getpid()) +
         (window > 1 ? "-" + std::to_string(window) : std::string()) + "/";
}

std::optional<files::FileProblem> PrepareWorkFolder(const std::string& workFolder) {
  const std::string folder = CleanPath(workFolder);
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) return files::SystemProblem(ENOTDIR);
    RemoveLeftovers(folder);
    return std::nullopt;
  }
  const std::filesystem::path parent = std::filesystem::path(folder).parent_path();
  std::error_code error;
  if (!std::filesystem::exists(parent, error)) {
    std::filesystem::create_directories(parent.parent_path(), error);
    if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST)
      return files::SystemProblem(errno);
  }
  RemoveLeftovers(parent.string());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return files::SystemProblem(errno);
  return std::nullopt;
}

void RemoveWorkFolder(const std::string& workFolder) {
  const std::string folder = CleanPath(workFolder);
  if (std::filesystem::path(folder).filename().string().rfind(kInstancePrefix, 0) != 0) return;
  for (const char* name : {kTestPageName, kLinkTestPageName, kGoButtonName})
    ::unlink((folder + "/" + name).c_str());
  ::rmdir(folder.c_str());  // stays while launch pages are in it
}

std::string LaunchPageName(int number) {
  return kLaunchPrefix + std::to_string(::getpid()) + "-" + std::to_string(number) + ".htm";
}

}  // namespace orvanta
