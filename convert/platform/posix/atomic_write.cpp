#include "platform/atomic_write.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "platform/file_failure.h"
#include "platform/posix/system_call.h"

namespace trelka {

namespace {

// ".trelka-" and 8 random letters or digits: as short as a name of 16 bytes, so that a
// temporary file can be made beside every target whose own name fits.
constexpr std::string_view kTemporaryPrefix = ".trelka-";
constexpr std::size_t kRandomLength = 8;
constexpr std::size_t kTemporaryNameLength = kTemporaryPrefix.size() + kRandomLength;
constexpr int kNameAttempts = 100;

constexpr std::array kCleanupSignals = {SIGINT, SIGTERM, SIGHUP};

// The live temporary files, for the signal handlers: fixed slots of plain data, each guarded
// by one atomic state, since a handler may read them at any moment. The registry only ever
// names files this process has made. A file is made and registered with the cleanup signals
// held back, and leaves the registry only after it has been renamed or removed, so a handler
// finds every temporary file and at worst unlinks a name that is already gone.
enum SlotState : int { kFree, kFilling, kLive, kRemoving };
static_assert(std::atomic<int>::is_always_lock_free);

struct TemporarySlot {
  std::atomic<int> state{kFree};
  int folder = -1;
  std::array<char, kTemporaryNameLength + 1> name{};
};

constinit std::array<TemporarySlot, 16> temporaries;

// Enters name (in the folder open as folder); -1 when every slot is taken.
int Register(int folder, const std::string& name) {
  for (std::size_t i = 0; i < temporaries.size(); ++i) {
    TemporarySlot& slot = temporaries[i];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling)) continue;
    slot.folder = folder;
    name.copy(slot.name.data(), kTemporaryNameLength);
    slot.state.store(kLive);
    return static_cast<int>(i);
  }
  return -1;
}

// A slot that a handler has taken meanwhile stays taken: the process is ending.
void Unregister(int slot) {
  int expected = kLive;
  (void)temporaries[static_cast<std::size_t>(slot)].state.compare_exchange_strong(expected, kFree);
}

// Async-signal-safe: atomics, unlinkat and raise only.
void RemoveTemporaryFilesAndReraise(int signal_number) {
  for (TemporarySlot& slot : temporaries) {
    int expected = kLive;
    if (slot.state.compare_exchange_strong(expected, kRemoving)) {
      (void)::unlinkat(slot.folder, slot.name.data(), 0);
    }
  }
  // SA_RESETHAND has restored the default action, so the signal raised again ends the process
  // as soon as this handler returns, and the parent sees it ended by that signal.
  (void)::raise(signal_number);
}

sigset_t CleanupSignalSet() {
  sigset_t set;
  ::sigemptyset(&set);
  for (const int signal_number : kCleanupSignals) ::sigaddset(&set, signal_number);
  return set;
}

// Holds the cleanup signals back in this thread while it lives, so that a temporary file and
// its registry slot are made together.
class CleanupSignalsHeld {
 public:
  CleanupSignalsHeld() {
    const sigset_t set = CleanupSignalSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
  }
  ~CleanupSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  CleanupSignalsHeld(const CleanupSignalsHeld&) = delete;
  CleanupSignalsHeld& operator=(const CleanupSignalsHeld&) = delete;

 private:
  sigset_t previous_{};
};

std::string RandomTemporaryName(const std::string& path) {
  static constexpr std::string_view kAlphabet =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::array<unsigned char, kRandomLength> random{};
  const ssize_t got =
      RetryOnInterrupt([&] { return ::getrandom(random.data(), random.size(), 0); });
  if (got != static_cast<ssize_t>(random.size())) RaiseFileFailure(errno, path);
  std::string name(kTemporaryPrefix);
  for (const unsigned char byte : random) name += kAlphabet[byte % kAlphabet.size()];
  return name;
}

UniqueFd OpenOrRaise(const std::string& path, int flags) {
  UniqueFd fd(RetryOnInterrupt([&] { return ::open(path.c_str(), flags); }));
  if (!fd.IsOpen()) RaiseFileFailure(errno, path);
  return fd;
}

}  // namespace

struct AtomicFile::Native {
  explicit Native(const std::string& path) : path_(path) {}
  ~Native() { Discard(); }
  Native(const Native&) = delete;
  Native& operator=(const Native&) = delete;

  void Open();
  void OpenInFolder(const FileInFolder& file);
  // Creates the temporary file; replaced, when given, is the file it will replace.
  void CreateTemporaryFor(const struct stat* replaced);
  void CreateTemporary(mode_t mode);
  void KeepOwnerAndMode(const struct stat& replaced);
  void Write(std::string_view bytes);
  void Commit();
  void Discard() noexcept;  // closes, and removes the temporary file unless it was renamed

  std::string path_;            // as the caller named it; failure messages are about it
  UniqueFd folder_;             // the target's folder; not open when writing in place
  std::string target_name_;     // the target's name within folder_
  std::string temporary_name_;  // the temporary file's name within folder_
  UniqueFd file_;
  off_t written_ = 0;  // bytes written to file_ so far
  int slot_ = -1;  // the temporary file's entry in the signal handlers' registry, while it exists
};

AtomicFile::AtomicFile(const std::string& path) : native_(std::make_unique<Native>(path)) {
  native_->Open();
}

AtomicFile::AtomicFile(const FileInFolder& file) : native_(std::make_unique<Native>(file.path)) {
  native_->OpenInFolder(file);
}

AtomicFile::AtomicFile(std::unique_ptr<Native> native) : native_(std::move(native)) {}

AtomicFile AtomicFile::StandardOutput() {
  auto native = std::make_unique<Native>("-");
  native->file_ = UniqueFd(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
  if (!native->file_.IsOpen()) RaiseFileFailure(errno, "-");
  return AtomicFile(std::move(native));
}

AtomicFile::~AtomicFile() = default;

void AtomicFile::Write(std::string_view bytes) { native_->Write(bytes); }

void AtomicFile::Commit() { native_->Commit(); }

void AtomicFile::Native::Open() {
  const std::string& path = path_;
  std::string target = path;
  struct stat replaced {};
  const bool replacing = ::stat(path.c_str(), &replaced) == 0;
  if (replacing) {
    if (!S_ISREG(replaced.st_mode)) {
      file_ = OpenOrRaise(path, O_WRONLY | O_TRUNC | O_CLOEXEC);
      return;
    }
    // Renaming would get round a file's own write protection; honour it instead.
    if (::access(path.c_str(), W_OK) != 0) RaiseFileFailure(errno, path);
    // Replace the file a symbolic link points to, not the link.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
  }
  const std::filesystem::path target_path(target);
  const std::string folder = target_path.parent_path().string();
  target_name_ = target_path.filename().string();
  folder_ = UniqueFd(RetryOnInterrupt([&] {
    return ::open(folder.empty() ? "." : folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }));
  if (!folder_.IsOpen()) RaiseFileFailure(errno, path);

  CreateTemporaryFor(replacing ? &replaced : nullptr);
}

void AtomicFile::Native::OpenInFolder(const FileInFolder& file) {
  target_name_ = file.name;
  folder_ = UniqueFd(::fcntl(static_cast<int>(file.folder->NativeHandle()), F_DUPFD_CLOEXEC, 0));
  if (!folder_.IsOpen()) RaiseFileFailure(errno, path_);
  struct stat replaced {};
  const bool replacing =
      ::fstatat(folder_.Get(), target_name_.c_str(), &replaced, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(replaced.st_mode);
  CreateTemporaryFor(replacing ? &replaced : nullptr);
}

void AtomicFile::Native::CreateTemporaryFor(const struct stat* replaced) {
  // A new file gets 0666 less the umask from the kernel. A replacement is private until it
  // has the replaced file's owner, group and mode, which it gets before any byte is in it.
  CreateTemporary(replaced != nullptr ? 0600 : 0666);
  if (replaced == nullptr) return;
  try {
    KeepOwnerAndMode(*replaced);
  } catch (...) {
    Discard();
    throw;
  }
}

void AtomicFile::Native::CreateTemporary(mode_t mode) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = RandomTemporaryName(path_);
    const CleanupSignalsHeld held;
    UniqueFd file(RetryOnInterrupt([&] {
      return ::openat(folder_.Get(), name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
    }));
    if (!file.IsOpen()) {
      if (errno == EEXIST) continue;
      RaiseFileFailure(errno, path_);
    }
    slot_ = Register(folder_.Get(), name);
    if (slot_ < 0) {
      (void)::unlinkat(folder_.Get(), name.c_str(), 0);
      RaiseFileFailure(EMFILE, path_);
    }
    file_ = std::move(file);
    temporary_name_ = name;
    return;
  }
  RaiseFileFailure(EEXIST, path_);
}

void AtomicFile::Native::KeepOwnerAndMode(const struct stat& replaced) {
  // Keeping the owner needs privilege and keeping the group membership; a save that cannot
  // keep them still goes ahead. The owner comes first, since changing it may clear the
  // set-user-ID and set-group-ID bits that fchmod then sets.
  if (::fchown(file_.Get(), replaced.st_uid, replaced.st_gid) != 0) {
    (void)::fchown(file_.Get(), static_cast<uid_t>(-1), replaced.st_gid);
  }
  if (::fchmod(file_.Get(), replaced.st_mode & 07777) != 0) RaiseFileFailure(errno, path_);
}

void AtomicFile::Native::Write(std::string_view bytes) {
  const off_t start = written_;
  while (!bytes.empty()) {
    const ssize_t written =
        RetryOnInterrupt([&] { return ::write(file_.Get(), bytes.data(), bytes.size()); });
    if (written < 0) RaiseFileFailure(errno, path_);
    bytes.remove_prefix(static_cast<std::size_t>(written));
    written_ += written;
  }
  // The disk gets the bytes while the rest is still being made, rather than all at once in
  // Commit's fsync, which then has little left to wait for. Only a start: its failures are
  // the fsync's to report, since it neither waits nor consumes them.
  if (folder_.IsOpen() && written_ > start) {
    (void)::sync_file_range(file_.Get(), start, written_ - start, SYNC_FILE_RANGE_WRITE);
  }
}

void AtomicFile::Native::Commit() {
  if (!folder_.IsOpen()) {  // a device or pipe, written in place
    if (file_.Close() != 0) RaiseFileFailure(errno, path_);
    return;
  }
  if (RetryOnInterrupt([&] { return ::fsync(file_.Get()); }) != 0) RaiseFileFailure(errno, path_);
  if (file_.Close() != 0) RaiseFileFailure(errno, path_);
  if (::renameat(folder_.Get(), temporary_name_.c_str(), folder_.Get(), target_name_.c_str()) !=
      0) {
    RaiseFileFailure(errno, path_);
  }
  // Renamed first, unregistered after: a signal in between unlinks a name that is gone.
  Unregister(slot_);
  slot_ = -1;
}

void AtomicFile::Native::Discard() noexcept {
  (void)file_.Close();
  if (slot_ < 0) return;
  // Removed first, unregistered after, for the same reason as in Commit().
  (void)::unlinkat(folder_.Get(), temporary_name_.c_str(), 0);
  Unregister(slot_);
  slot_ = -1;
}

void InstallTemporaryFileCleanup() {
  struct sigaction action {};
  action.sa_handler = RemoveTemporaryFilesAndReraise;
  action.sa_mask = CleanupSignalSet();
  action.sa_flags = static_cast<int>(SA_RESETHAND);
  for (const int signal_number : kCleanupSignals) {
    struct sigaction current {};
    if (::sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
      continue;
    }
    (void)::sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace trelka
