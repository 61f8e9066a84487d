// Folders the program keeps files of its own in, such as the page cache. A Folder is opened
// once; the files in it are reached by name within it, so that neither the folder's path nor
// its length matters again (POSIX: through the folder's descriptor).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trelka {

// The longest file name (one path component) every supported file system takes, in bytes of
// ASCII.
inline constexpr std::size_t kMaxFileNameLength = 255;

class Folder {
 public:
  // Makes the folder at path unless it exists, and opens it. Raises FileFailure when it
  // cannot, or when path names something other than a folder.
  explicit Folder(std::string path);
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Raises FileFailure unless files can be made in the folder.
  void CheckWritable() const;

  [[nodiscard]] const std::string& Path() const { return path_; }
  // The open folder: a descriptor on POSIX; on Windows a handle that keeps it from being
  // removed or renamed.
  [[nodiscard]] std::intptr_t NativeHandle() const { return handle_; }

 private:
  std::string path_;  // as the caller named it, for messages
  std::intptr_t handle_ = -1;
};

// A file named within an open folder, which is borrowed; path names the file in failure
// messages.
struct FileInFolder {
  const Folder* folder = nullptr;
  std::string name;
  std::string path;
};

// The file name within folder.
[[nodiscard]] FileInFolder InFolder(const Folder& folder, std::string name);

}  // namespace trelka
