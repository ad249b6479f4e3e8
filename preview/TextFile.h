#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace orvanta {

class FileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// UTF-8 to windows-1252; characters the code page lacks become "?".
std::string Utf8ToWindows1252(std::string_view utf8);

// The text followed by CR LF, in windows-1252: a text file's bytes.
std::string TextFileBytes(std::string_view text);

// Creates or replaces the file with the text followed by CR LF, in
// windows-1252, through files/FileWriter.h: the old file stays whole if
// anything fails, and one that is read-only or not a regular file is
// refused. Throws FileWriteError naming the path and the reason.
void WriteTextFile(std::string_view text, const std::string& path);

// Writes raw bytes the same all-or-nothing way.
void WriteBinaryFile(std::string_view bytes, const std::string& path);

}  // namespace orvanta
