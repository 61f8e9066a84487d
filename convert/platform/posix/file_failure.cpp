#include "platform/file_failure.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "platform/failure.h"

namespace trelka {

namespace {

bool FolderOfExists(const std::string& path) {
  auto folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  struct stat info {};
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string FileFailureMessage(int error_number, const std::string& path) {
  switch (error_number) {
    case ENOENT:
      return FolderOfExists(path) ? "File not found" : "Invalid filename";
    case ENOTDIR:
      return "Invalid filename";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
      return "File access denied";
    default:
      return "I/O error " + std::to_string(error_number);
  }
}

void RaiseFileFailure(int error_number, const std::string& path) {
  throw FileFailure(FileFailureMessage(error_number, path));
}

void RaiseFileNotFound(const std::string& path) { RaiseFileFailure(ENOENT, path); }

}  // namespace trelka
