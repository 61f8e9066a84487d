// Writing a whole file so that a failure never destroys what was there before: the bytes go
// into a temporary file beside the target, which is flushed to disk and put in its place only
// when complete. On POSIX the replacement keeps the replaced file's mode, and its owner and
// group where the process may set them, and a new file gets 0666 less the umask; on Windows
// ReplaceFileW keeps the replaced file's attributes and ACL, and a new file gets the folder's
// inherited ACL. A temporary file never stays behind: its owner removes it, and so does the
// handler of InstallTemporaryFileCleanup when Ctrl-C (a signal, a closed console) ends the
// process.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "platform/folder.h"

namespace trelka {

// The one owner of a file being written in full: Write() any number of times, then Commit().
// Destroyed without a successful Commit(), it removes its temporary file and the target stays
// as it was. A path that names something other than a regular file (a device such as
// /dev/null, /dev/full or NUL, a pipe) is opened and written in place, since it cannot be
// replaced.
class AtomicFile {
 public:
  // Opens the temporary file (or the device or pipe) at once, so that a target that cannot be
  // written is reported before any work is done. Raises FileFailure; a write-protected file is
  // "File access denied", and a symbolic link has the file it points to replaced.
  explicit AtomicFile(const std::string& path);

  // The same for a file the program keeps in a folder of its own: whatever stands under that
  // name (a symbolic link, a FIFO) is replaced itself, and nothing outside the folder is
  // touched.
  explicit AtomicFile(const FileInFolder& file);

  // Standard output, written in place as a pipe is: there is no file to replace. Raises
  // FileFailure when it cannot be duplicated.
  [[nodiscard]] static AtomicFile StandardOutput();

  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Appends bytes. Raises FileFailure (a full disk is "I/O error 28" on Linux, "I/O error
  // 112" on Windows).
  void Write(std::string_view bytes);

  // Flushes to disk and renames the temporary file over the target. Raises FileFailure and
  // then leaves the target as it was.
  void Commit();

 private:
  struct Native;  // the platform's handles and names
  explicit AtomicFile(std::unique_ptr<Native> native);

  std::unique_ptr<Native> native_;
};

// Writes the parts, one after the other, as the new content of the file at path, through an
// AtomicFile. Raises FileFailure; on failure the earlier file stays whole.
void WriteFileAtomically(const std::string& path, std::initializer_list<std::string_view> parts);
void WriteFileAtomically(const FileInFolder& file, std::initializer_list<std::string_view> parts);

// Makes SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl-C, Ctrl-Break and closing the console)
// remove every live temporary file and then end the process as their default action would. A
// signal the process ignores (under nohup, say) stays ignored. Call once at start-up, before
// any thread is made.
void InstallTemporaryFileCleanup();

}  // namespace trelka
