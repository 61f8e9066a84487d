#include "platform/folder.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/file_failure.h"

namespace trelka {

void MakeFolderIfMissing(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) RaiseFileFailure(errno, path);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) RaiseFileFailure(errno, path);
  if (!S_ISDIR(info.st_mode)) RaiseFileFailure(ENOTDIR, path);
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

}  // namespace trelka
