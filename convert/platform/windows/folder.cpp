#include "platform/folder.h"

#include "platform/file_failure.h"
#include "platform/windows/system_headers.h"
#include "platform/windows/wide_text.h"

namespace trelka {

Folder::Folder(std::string path) : path_(std::move(path)) {
  const std::wstring wide = WidePath(path_);
  if (::CreateDirectoryW(wide.c_str(), nullptr) == 0 && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    RaiseFileFailure(static_cast<int>(::GetLastError()), path_);
  }
  // Held open without FILE_SHARE_DELETE, so that the folder stays where it is meanwhile.
  const HANDLE handle =
      ::CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) RaiseFileFailure(static_cast<int>(::GetLastError()), path_);
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(handle, &info) == 0 ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    (void)::CloseHandle(handle);
    RaiseFileFailure(ERROR_PATH_NOT_FOUND, path_);
  }
  handle_ = reinterpret_cast<std::intptr_t>(handle);
}

Folder::~Folder() {
  if (handle_ != -1) (void)::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

// Whether files can be made shows only in making one: ACLs decide, not the attributes.
void Folder::CheckWritable() const {
  const std::wstring probe = WidePath(InFolder(*this, ".trelka-probe").path);
  const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) RaiseFileFailure(static_cast<int>(::GetLastError()), path_);
  (void)::CloseHandle(file);
}

FileInFolder InFolder(const Folder& folder, std::string name) {
  const std::string& base = folder.Path();
  std::string path = !base.empty() && (base.back() == '\\' || base.back() == '/')
                         ? base + name
                         : base + "\\" + name;
  return {&folder, std::move(name), std::move(path)};
}

}  // namespace trelka
