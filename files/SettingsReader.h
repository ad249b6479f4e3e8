#pragma once

// The one way the program reads a settings or INI file: a regular file, or a
// pipe (a process substitution such as <(...)) read as a stream, up to a
// size far beyond any real settings file.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/FileProblem.h"

namespace orvanta::files {

inline constexpr std::size_t kSettingsFileLimit = std::size_t{64} << 20;

// A whole file's bytes, in a buffer that is not cleared first.
struct FileBytes {
  std::unique_ptr<char[]> Data;
  std::size_t Size = 0;
  std::string_view View() const { return {Data.get(), Size}; }
};

// What a read may take: the window opens only stored files, since a pipe
// would hold it until some other process writes; the command line also reads
// pipes.
enum class ReadFrom { FileOrPipe, RegularFileOnly };

// Refuses a folder, a device or a socket, a file over kSettingsFileLimit,
// a file saved as UTF-16 (named as such rather than by what follows from
// it), and a file whose lines end with CR alone (its lines would all run into
// one). With RegularFileOnly a pipe is refused too, and nothing waits for a
// writer. Never throws.
std::optional<FileProblem> ReadSettingsFile(const std::string& path, FileBytes& bytes,
                                            ReadFrom from = ReadFrom::FileOrPipe);

// The same for a descriptor already open, read from its current position.
std::optional<FileProblem> ReadSettingsFrom(int fd, FileBytes& bytes);

}  // namespace orvanta::files
