#include "platform/file_failure.h"

#include "platform/failure.h"
#include "platform/windows/system_headers.h"

namespace trelka {

// Windows tells a missing file from a missing folder itself, so path is not needed here.
std::string FileFailureMessage(int error_number, const std::string& /*path*/) {
  switch (error_number) {
    case ERROR_FILE_NOT_FOUND:
      return "File not found";
    case ERROR_PATH_NOT_FOUND:
      return "Invalid filename";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "Too many open files";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_WRITE_PROTECT:  // a write-protected medium, as a read-only file system on POSIX
      return "File access denied";
    default:
      return "I/O error " + std::to_string(error_number);
  }
}

void RaiseFileFailure(int error_number, const std::string& path) {
  throw FileFailure(FileFailureMessage(error_number, path));
}

void RaiseFileNotFound(const std::string& path) { RaiseFileFailure(ERROR_FILE_NOT_FOUND, path); }

}  // namespace trelka
