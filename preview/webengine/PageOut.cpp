#include "preview/webengine/PageOut.h"

#if defined(__linux__)
#include <dlfcn.h>
#include <sys/mman.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// From Linux 5.4; older headers lack the name.
#ifndef MADV_PAGEOUT
#define MADV_PAGEOUT 21
#endif
#endif

namespace orvanta {

#if defined(__linux__)
namespace {

struct Mapping {
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
  // Private copies of the file's pages, in memory or swapped out.
  long copiedKb = 0;
};

std::vector<Mapping> MappingsOf(const std::string& path) {
  std::vector<Mapping> found;
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool ours = false;
  while (std::getline(smaps, line)) {
    if (line.empty()) continue;
    const char first = line.front();
    if ((first >= '0' && first <= '9') || (first >= 'a' && first <= 'f')) {
      // start-end perms offset device inode path
      std::istringstream fields(line);
      std::string range, perms, offset, device, inode, file;
      fields >> range >> perms >> offset >> device >> inode;
      std::getline(fields >> std::ws, file);
      // The writable ones hold the library's live data.
      ours = file == path && perms.find('w') == std::string::npos;
      if (!ours) continue;
      Mapping mapping;
      const std::size_t dash = range.find('-');
      mapping.start = std::stoull(range.substr(0, dash), nullptr, 16);
      mapping.end = std::stoull(range.substr(dash + 1), nullptr, 16);
      found.push_back(mapping);
    } else if (ours &&
               (line.compare(0, 10, "Anonymous:") == 0 || line.compare(0, 5, "Swap:") == 0)) {
      found.back().copiedKb += std::strtol(line.c_str() + line.find(':') + 1, nullptr, 10);
    }
  }
  return found;
}

}  // namespace

void PageOutLibraryOf(const void* symbol) {
  Dl_info info{};
  if (dladdr(symbol, &info) == 0 || info.dli_fname == nullptr) return;
  char path[PATH_MAX];
  if (realpath(info.dli_fname, path) == nullptr) return;
  for (const Mapping& mapping : MappingsOf(path)) {
    auto* start = reinterpret_cast<void*>(mapping.start);
    const std::size_t length = mapping.end - mapping.start;
    // Errors are left alone: an older kernel refuses the advice (EINVAL) and
    // the pages simply stay.
    static_cast<void>(madvise(start, length, MADV_PAGEOUT));
    // The kernel pages out a file's pages only for a process that owns the
    // file or may write it, so for a library installed by the system the
    // mapping is emptied instead: its pages stay in the page cache, unmapped,
    // for the next use or for the kernel to take. Only where nothing was ever
    // written, since private copies (relocated data) would be lost.
    if (mapping.copiedKb == 0) static_cast<void>(madvise(start, length, MADV_DONTNEED));
  }
}

#else

void PageOutLibraryOf(const void*) {}

#endif

}  // namespace orvanta
