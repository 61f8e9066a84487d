#include "platform/atomic_write.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <random>

#include "platform/file_failure.h"
#include "platform/windows/handle.h"
#include "platform/windows/system_headers.h"
#include "platform/windows/wide_text.h"

namespace trelka {

namespace {

// ".trelka-" and 8 random letters or digits, as on POSIX.
constexpr std::wstring_view kTemporaryPrefix = L".trelka-";
constexpr std::size_t kRandomLength = 8;
constexpr int kNameAttempts = 100;

// The live temporary files, for the console handler, which runs on a thread of its own: each
// slot guarded by one atomic state. A name is registered before its file is made and leaves
// the registry only after the file has been moved or removed, so the handler finds every
// temporary file and at worst deletes a name that is not there.
enum SlotState : int { kFree, kFilling, kLive, kRemoving };

struct TemporarySlot {
  std::atomic<int> state{kFree};
  std::wstring path;
};

std::array<TemporarySlot, 16> temporaries;

int Register(const std::wstring& path) {
  for (std::size_t i = 0; i < temporaries.size(); ++i) {
    TemporarySlot& slot = temporaries[i];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling)) continue;
    slot.path = path;
    slot.state.store(kLive);
    return static_cast<int>(i);
  }
  return -1;
}

// A slot that the handler has taken meanwhile stays taken: the process is ending.
void Unregister(int slot) {
  int expected = kLive;
  (void)temporaries[static_cast<std::size_t>(slot)].state.compare_exchange_strong(expected, kFree);
}

BOOL WINAPI RemoveTemporaryFiles(DWORD /*event*/) {
  for (TemporarySlot& slot : temporaries) {
    int expected = kLive;
    // The file is open with FILE_SHARE_DELETE: it goes when the ending process closes it.
    if (slot.state.compare_exchange_strong(expected, kRemoving)) {
      (void)::DeleteFileW(slot.path.c_str());
    }
  }
  return FALSE;  // on to the default handler, which ends the process
}

std::wstring RandomTemporaryName() {
  static constexpr std::wstring_view kAlphabet =
      L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::wstring name(kTemporaryPrefix);
  for (std::size_t i = 0; i < kRandomLength; ++i) name += kAlphabet[random() % kAlphabet.size()];
  return name;
}

// ReplaceFileW wants full paths; and so the temporary file's folder is always named.
std::wstring FullPath(const std::wstring& path) {
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

[[noreturn]] void RaiseLastError(const std::string& path) {
  RaiseFileFailure(static_cast<int>(::GetLastError()), path);
}

}  // namespace

struct AtomicFile::Native {
  explicit Native(const std::string& path) : path_(path), target_(FullPath(WidePath(path))) {}
  ~Native() { Discard(); }
  Native(const Native&) = delete;
  Native& operator=(const Native&) = delete;

  void Open();
  void OpenInFolder();
  bool OpenInPlaceIfNotAFile();
  void CreateTemporary();
  void Write(std::string_view bytes);
  void Commit();
  void Discard() noexcept;  // closes, and removes the temporary file unless it was moved

  std::string path_;  // as the caller named it; failure messages are about it
  std::wstring target_;
  std::wstring temporary_;  // empty when writing in place
  bool replacing_ = false;
  UniqueHandle file_;
  int slot_ = -1;  // the temporary file's entry in the handler's registry, while it exists
};

AtomicFile::AtomicFile(const std::string& path) : native_(std::make_unique<Native>(path)) {
  native_->Open();
}

AtomicFile::AtomicFile(const FileInFolder& file) : native_(std::make_unique<Native>(file.path)) {
  native_->OpenInFolder();
}

AtomicFile::AtomicFile(std::unique_ptr<Native> native) : native_(std::move(native)) {}

AtomicFile AtomicFile::StandardOutput() {
  auto native = std::make_unique<Native>("-");
  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE duplicate = INVALID_HANDLE_VALUE;
  if (output == nullptr || output == INVALID_HANDLE_VALUE ||
      ::DuplicateHandle(::GetCurrentProcess(), output, ::GetCurrentProcess(), &duplicate, 0, FALSE,
                        DUPLICATE_SAME_ACCESS) == 0) {
    RaiseFileFailure(ERROR_INVALID_HANDLE, "-");
  }
  native->file_ = UniqueHandle(duplicate);
  return AtomicFile(std::move(native));
}

AtomicFile::~AtomicFile() = default;

void AtomicFile::Write(std::string_view bytes) { native_->Write(bytes); }

void AtomicFile::Commit() { native_->Commit(); }

// A device (NUL, CON) or a pipe cannot be replaced: it is written as it is.
bool AtomicFile::Native::OpenInPlaceIfNotAFile() {
  const UniqueHandle probe(
      ::CreateFileW(target_.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!probe.IsOpen() || ::GetFileType(probe.Get()) == FILE_TYPE_DISK) return false;
  file_ =
      UniqueHandle(::CreateFileW(target_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_.IsOpen()) RaiseLastError(path_);
  return true;
}

void AtomicFile::Native::Open() {
  if (OpenInPlaceIfNotAFile()) return;
  const DWORD attributes = ::GetFileAttributesW(target_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    replacing_ = true;
    // Replacing would get round a file's own write protection; honour it instead. A folder
    // cannot be written either.
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
      RaiseFileFailure(ERROR_ACCESS_DENIED, path_);
    }
  } else if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
    RaiseLastError(path_);
  }
  CreateTemporary();
}

// Whatever stands under the name (a link, say) is replaced itself; a folder cannot be.
void AtomicFile::Native::OpenInFolder() {
  const DWORD attributes = ::GetFileAttributesW(target_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) RaiseFileFailure(ERROR_ACCESS_DENIED, path_);
    replacing_ = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
  }
  CreateTemporary();
}

void AtomicFile::Native::CreateTemporary() {
  std::filesystem::path folder = std::filesystem::path(target_).parent_path();
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::wstring name = (folder / RandomTemporaryName()).wstring();
    slot_ = Register(name);
    if (slot_ < 0) RaiseFileFailure(ERROR_TOO_MANY_OPEN_FILES, path_);
    // A new file takes the folder's inherited ACL, which stays when it is moved into place.
    file_ = UniqueHandle(::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_.IsOpen()) {
      temporary_ = name;
      return;
    }
    const DWORD error = ::GetLastError();
    Unregister(slot_);
    slot_ = -1;
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      RaiseFileFailure(static_cast<int>(error), path_);
    }
  }
  RaiseFileFailure(ERROR_FILE_EXISTS, path_);
}

void AtomicFile::Native::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    constexpr std::size_t kLargestWrite = 1U << 30;
    const auto size = static_cast<DWORD>(std::min(bytes.size(), kLargestWrite));
    DWORD written = 0;
    if (::WriteFile(file_.Get(), bytes.data(), size, &written, nullptr) == 0) RaiseLastError(path_);
    bytes.remove_prefix(written);
  }
}

void AtomicFile::Native::Commit() {
  if (temporary_.empty()) {  // a device or pipe, written in place
    if (!file_.Close()) RaiseLastError(path_);
    return;
  }
  if (::FlushFileBuffers(file_.Get()) == 0) RaiseLastError(path_);
  if (!file_.Close()) RaiseLastError(path_);
  // ReplaceFileW keeps the replaced file's attributes and ACL. A file removed meanwhile is
  // simply made anew.
  bool moved =
      replacing_ && ::ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr,
                                   REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                   nullptr, nullptr) != 0;
  if (!moved && (!replacing_ || ::GetLastError() == ERROR_FILE_NOT_FOUND)) {
    moved = ::MoveFileExW(temporary_.c_str(), target_.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!moved) RaiseLastError(path_);
  // Moved first, unregistered after: the handler in between deletes a name that is gone.
  Unregister(slot_);
  slot_ = -1;
}

void AtomicFile::Native::Discard() noexcept {
  (void)file_.Close();
  if (slot_ < 0) return;
  (void)::DeleteFileW(temporary_.c_str());
  Unregister(slot_);
  slot_ = -1;
}

void InstallTemporaryFileCleanup() { (void)::SetConsoleCtrlHandler(RemoveTemporaryFiles, TRUE); }

}  // namespace trelka
