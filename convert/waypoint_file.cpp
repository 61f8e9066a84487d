#include "waypoint_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "file_failure.h"
#include "text_primitives.h"

namespace trelka {

namespace {

constexpr char kCtrlZ = '\x1A';
constexpr std::size_t kReadSize = std::size_t{64} * 1024;

// Field 3 or 4 at the front of what is left of the line, without the comma that ends it.
std::string LeadingField(const std::string& line) { return Copy(line, 1, Pos(",", line) - 1); }

}  // namespace

WaypointRecord ParseWaypointLine(std::string line) {
  WaypointRecord record;
  Delete(line, 1, Pos(",", line));  // field 1
  const TextPos name_end = Pos(",", line);
  record.id = Copy(line, 3, name_end - 3);
  Delete(line, 1, name_end);  // field 2
  record.lat = LeadingField(line);
  Delete(line, 1, Pos(",", line));  // field 3
  record.lon = LeadingField(line);
  return record;
}

WaypointFile::WaypointFile(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) RaiseFileFailure(errno, path_);
}

WaypointFile::~WaypointFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool WaypointFile::Fill() {
  if (next_ < buffer_.size()) return true;
  if (ended_) return false;
  buffer_.resize(kReadSize);
  next_ = 0;
  ssize_t got;
  do {
    got = ::read(fd_, buffer_.data(), kReadSize);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    buffer_.clear();
    RaiseFileFailure(errno, path_);
  }
  buffer_.resize(static_cast<std::size_t>(got));
  if (got == 0) ended_ = true;
  return got > 0;
}

bool WaypointFile::AtEnd() {
  if (!Fill()) return true;
  if (buffer_[next_] == kCtrlZ) {
    ended_ = true;
    buffer_.clear();
    next_ = 0;
    return true;
  }
  return false;
}

std::string WaypointFile::ReadLine() {
  std::string line;
  if (AtEnd()) return line;
  while (Fill()) {
    const std::string_view rest = std::string_view(buffer_).substr(next_);
    const std::size_t lf = rest.find('\n');
    const std::string_view piece = rest.substr(0, lf);
    // Every CR is dropped, whether or not a LF follows it.
    for (std::size_t from = 0; from < piece.size();) {
      const std::size_t cr = std::min(piece.find('\r', from), piece.size());
      line.append(piece.substr(from, cr - from));
      from = cr + 1;
    }
    next_ += piece.size();
    if (lf != std::string_view::npos) {
      ++next_;
      break;
    }
  }
  return line;
}

void WaypointFile::SkipLines(int count) {
  for (int i = 0; i < count; ++i) (void)ReadLine();
}

int CountWaypointLines(const std::string& path) {
  WaypointFile file(path);
  file.SkipLines(kWaypointHeaderLines);
  int count = 0;
  while (!file.AtEnd()) {
    (void)file.ReadLine();
    ++count;
  }
  return count;
}

}  // namespace trelka
