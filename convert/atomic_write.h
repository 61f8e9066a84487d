// Writing a whole file so that a failure never destroys what was there before: the bytes go
// into a temporary file beside the target, which is flushed to disk and renamed over it only
// when complete. The replacement keeps the replaced file's mode, and its owner and group
// where the process may set them; a new file gets 0666 less the umask. A temporary file never
// stays behind: its owner removes it, and so do the handlers of InstallTemporaryFileCleanup
// when a signal ends the process.
#pragma once

#include <sys/stat.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "system_call.h"

namespace trelka {

// The one owner of a file being written in full: Write() any number of times, then Commit().
// Destroyed without a successful Commit(), it removes its temporary file and the target stays
// as it was. A path that names something other than a regular file (a device such as
// /dev/null or /dev/full, a pipe) is opened and written in place, since it cannot be replaced.
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

  // Appends bytes. Raises FileFailure (a full disk is "I/O error 28").
  void Write(std::string_view bytes);

  // Flushes to disk and renames the temporary file over the target. Raises FileFailure and
  // then leaves the target as it was.
  void Commit();

 private:
  struct InPlace {};
  AtomicFile(InPlace, UniqueFd file, std::string path);

  // Creates the temporary file; replaced, when given, is the file it will replace.
  void CreateTemporaryFor(const struct stat* replaced);
  void CreateTemporary(mode_t mode);
  void KeepOwnerAndMode(const struct stat& replaced);
  void Discard() noexcept;  // closes, and removes the temporary file unless it was renamed

  std::string path_;            // as the caller named it; failure messages are about it
  UniqueFd folder_;             // the target's folder; not open when writing in place
  std::string target_name_;     // the target's name within folder_
  std::string temporary_name_;  // the temporary file's name within folder_
  UniqueFd file_;
  int slot_ = -1;  // the temporary file's entry in the signal handlers' registry, while it exists
};

// Writes the parts, one after the other, as the new content of the file at path, through an
// AtomicFile. Raises FileFailure; on failure the earlier file stays whole.
void WriteFileAtomically(const std::string& path, std::initializer_list<std::string_view> parts);
void WriteFileAtomically(const FileInFolder& file, std::initializer_list<std::string_view> parts);

// Makes SIGINT, SIGTERM and SIGHUP remove every live temporary file and then end the process
// by that signal, as their default action would. A signal the process ignores (under nohup,
// say) stays ignored. Call once at start-up, before any thread is made.
void InstallTemporaryFileCleanup();

}  // namespace trelka
