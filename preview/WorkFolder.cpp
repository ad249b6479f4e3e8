#include "preview/WorkFolder.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace orvanta {

namespace {

std::string CleanPath(const std::string& path) {
  std::string clean = std::filesystem::path(path).lexically_normal().string();
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  return clean;
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

std::string ChooseWorkFolder(const std::string& programFolder, const std::string& dataFolder) {
  if (IsWritableFolder(programFolder) && !IsSystemProgramFolder(programFolder))
    return CleanPath(programFolder) + "/";
  std::error_code ignored;
  std::filesystem::create_directories(dataFolder, ignored);
  return CleanPath(dataFolder) + "/";
}

}  // namespace orvanta
