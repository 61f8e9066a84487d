#include "platform/folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_failure.h"
#include "platform/posix/system_call.h"

namespace trelka {

Folder::Folder(std::string path) : path_(std::move(path)) {
  if (::mkdir(path_.c_str(), 0777) != 0 && errno != EEXIST) RaiseFileFailure(errno, path_);
  handle_ =
      RetryOnInterrupt([&] { return ::open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); });
  if (handle_ < 0) RaiseFileFailure(errno, path_);
}

Folder::~Folder() {
  if (handle_ >= 0) (void)::close(static_cast<int>(handle_));
}

void Folder::CheckWritable() const {
  if (::faccessat(static_cast<int>(handle_), ".", W_OK | X_OK, 0) != 0) {
    RaiseFileFailure(errno, path_);
  }
}

FileInFolder InFolder(const Folder& folder, std::string name) {
  std::string path = folder.Path() + "/" + name;
  return {&folder, std::move(name), std::move(path)};
}

}  // namespace trelka
