// Reading the waypoint file (.wpt, windows-1251): its bytes, read once in full, their line
// rules and the fields of one line.
//
// Line rules: a line ends at LF; every CR is dropped from the line's text (so CR LF ends a
// line, and a lone CR joins its neighbours); a Ctrl-Z (1A) at the start of a line ends the
// file; the end of the file ends a last line that has no break.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "document/waypoint_record.h"

namespace trelka {

// The waypoint file begins with this many header lines, which carry no waypoint.
inline constexpr int kWaypointHeaderLines = 4;

// Malformed lines never fail: missing commas and short names give empty fields.
[[nodiscard]] WaypointRecord ParseWaypointLine(std::string line);

// The waypoint file is read in full at most this long; larger ones fail.
inline constexpr std::size_t kMaxWaypointFileBytes = std::size_t{256} * 1024 * 1024;

// Every byte of the waypoint file, read once, so that both passes see the same bytes and a
// pipe or FIFO can be read. Raises FileFailure when the file cannot be opened or read, and
// "Waypoint file exceeds 256 MiB" as soon as it has read more than kMaxWaypointFileBytes.
[[nodiscard]] std::string ReadWaypointFile(const std::string& path);

// The lines of a waypoint file's bytes, read one after the other. The bytes must outlive it.
class WaypointReader {
 public:
  explicit WaypointReader(std::string_view bytes) : rest_(bytes) {}

  // True at the end of the bytes or at a Ctrl-Z that starts the next line.
  [[nodiscard]] bool AtEnd() const;

  // The next line without its break, which is consumed; empty at the end.
  [[nodiscard]] std::string ReadLine();

  // Reads and discards count lines; harmless past the end.
  void SkipLines(int count);

 private:
  std::string_view TakeLine();  // the next line as it stands, CRs included

  std::string_view rest_;
};

// The counting pass: the number of lines after the header, up to the end of the file.
[[nodiscard]] int CountWaypointLines(std::string_view bytes);

}  // namespace trelka
