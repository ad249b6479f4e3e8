#pragma once

// A fresh folder for one test's files, removed afterwards, and whole-file
// byte helpers.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace orvanta::test_support {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = ::testing::TempDir() + "orvanta-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

inline std::size_t FilesIn(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// Everything under a folder, links not followed: kind, mode, owner, inode,
// size, and the bytes of small files or the text of links. Two equal states
// mean nothing was created, removed, replaced or changed.
inline std::map<std::string, std::string> FolderState(const std::string& folder) {
  std::map<std::string, std::string> state;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    std::string& s = state[e.path().lexically_relative(folder)];
    s = std::to_string(st.st_mode) + " " + std::to_string(st.st_uid) + " " +
        std::to_string(st.st_ino) + " " + std::to_string(st.st_size);
    if (S_ISREG(st.st_mode) && st.st_size < 65536) s += " " + ReadBytes(e.path());
    if (S_ISLNK(st.st_mode)) s += " -> " + std::filesystem::read_symlink(e.path()).string();
  }
  return state;
}

}  // namespace orvanta::test_support
