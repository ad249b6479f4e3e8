#pragma once

// The one way the program stores a file. Every write replaces the file whole
// and atomically: the bytes go to a new, uniquely named temporary file in
// the target's folder, which is flushed to disk, given the old file's mode
// and owner and renamed over the target; the folder is flushed last. On any
// failure the temporary file goes and the target stays as it was.
//
// Only regular files are written. A symbolic link is written through: its
// final target is replaced and the link stays. A link whose target is
// missing creates that target when its folder exists. A link that names an
// open file of a process (/dev/stdout, /proc/self/fd/N) is refused, since
// replacing what it points at would destroy that file's other content.
//
// The new file keeps the old one's access control list and extended
// attributes; when they cannot be copied the old file stays as it was. A
// file with several hard links is refused: a replace would split them, and
// writing in place could leave a half-written file behind a failure.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileProblem.h"

namespace orvanta::files {

// The folder part of a path: "." for a bare name, "/" for a name in the
// root.
std::string FolderOf(const std::string& path);

// Writes all of `data` to `fd`, going on after interruptions; the errno
// value of a failure, or 0.
int WriteAll(int fd, std::string_view data);

// The file a write to some path replaces or creates.
struct WriteTarget {
  std::string Path;  // no symbolic link left to follow
  bool Exists = false;
  mode_t Mode = 0;  // of the existing file
  uid_t Owner = 0;
  gid_t Group = 0;
};

// Holds an exclusive lock on a folder, so that the files one writer puts
// there together (a pair of test pages) all come from the same writer.
class FolderLock {
 public:
  // Waits for the lock; Problem() tells when it could not be had.
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  const std::optional<FileProblem>& Problem() const { return problem_; }

 private:
  int fd_ = -1;
  std::optional<FileProblem> problem_;
};

// Follows `path` to the file a write would replace and checks that it may:
// a regular file the user may write (one without any write permission bit
// is refused even for root), or a missing file in an existing folder the
// user may write to.
std::optional<FileProblem> FindWriteTarget(const std::string& path, WriteTarget& target);

// Makes the target hold exactly the pieces, one after the other.
std::optional<FileProblem> ReplaceFile(const WriteTarget& target,
                                       const std::vector<std::string_view>& pieces);

// One of several files written together.
struct PlannedFile {
  WriteTarget Target;
  std::vector<std::string_view> Pieces;
};

// Writes every file beside its target first and replaces the targets only
// once all are written, so that a full disk or a failed write replaces none
// of them; should a rename still fail, the files renamed before it are put
// back. On failure `failed` is the index of the file that failed and
// `replaced` how many stay replaced all the same (only where a file system
// without hard links or a second failure kept them from going back).
std::optional<FileProblem> ReplaceFiles(const std::vector<PlannedFile>& files, std::size_t& failed,
                                        std::size_t& replaced);

// Removes what writers of this target killed midway left behind: temporary
// files of processes that are gone. Those of live writers stay.
void RemoveLeftovers(const WriteTarget& target);

// All three of the above.
std::optional<FileProblem> WriteFile(const std::string& path, std::string_view bytes);

}  // namespace orvanta::files
