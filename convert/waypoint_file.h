// Reading the waypoint file (.wpt, windows-1251): its line rules and the fields of one line.
//
// Line rules: a line ends at LF; every CR is dropped from the line's text (so CR LF ends a
// line, and a lone CR joins its neighbours); a Ctrl-Z (1A) at the start of a line ends the
// file; the end of the file ends a last line that has no break.
#pragma once

#include <string>

#include "waypoint_record.h"

namespace trelka {

// The waypoint file begins with this many header lines, which carry no waypoint.
inline constexpr int kWaypointHeaderLines = 4;

// Malformed lines never fail: missing commas and short names give empty fields.
[[nodiscard]] WaypointRecord ParseWaypointLine(std::string line);

// One open waypoint file, read line by line. Raises FileFailure when it cannot be opened or
// read.
class WaypointFile {
 public:
  explicit WaypointFile(const std::string& path);
  ~WaypointFile();
  WaypointFile(const WaypointFile&) = delete;
  WaypointFile& operator=(const WaypointFile&) = delete;

  // True at the end of the file or at a Ctrl-Z that starts the next line.
  [[nodiscard]] bool AtEnd();

  // The next line without its break, which is consumed; empty at the end.
  [[nodiscard]] std::string ReadLine();

  // Reads and discards count lines; harmless past the end.
  void SkipLines(int count);

 private:
  bool Fill();  // false at the end of the file

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  std::size_t next_ = 0;
  bool ended_ = false;
};

// The counting pass: the number of lines after the header, up to the end of the file.
[[nodiscard]] int CountWaypointLines(const std::string& path);

}  // namespace trelka
