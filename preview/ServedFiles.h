#pragma once

#include <set>
#include <string>

namespace orvanta {

// The files the views may load: exactly those the program wrote and named
// here, by path. Nothing beside them, no link in their place, nothing a
// "../" reaches.
class ServedFiles {
 public:
  // An absolute path; kept as spelt, lexically cleaned.
  void Add(const std::string& path);

  // Opens a named regular file for reading, never through a link at its
  // name. -1 with errno set otherwise (ENOENT for a name never added).
  int Open(const std::string& requested) const;

 private:
  std::set<std::string> paths_;
};

}  // namespace orvanta
