#include "platform/folder.h"

#include "platform/file_failure.h"
#include "platform/windows/system_headers.h"
#include "platform/windows/wide_text.h"

namespace trelka {

void MakeFolderIfMissing(const std::string& path) {
  const std::wstring wide = WidePath(path);
  if (::CreateDirectoryW(wide.c_str(), nullptr) == 0 && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    RaiseFileFailure(static_cast<int>(::GetLastError()), path);
  }
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    RaiseFileFailure(static_cast<int>(::GetLastError()), path);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) RaiseFileFailure(ERROR_PATH_NOT_FOUND, path);
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
  return folder + "\\" + name;
}

}  // namespace trelka
