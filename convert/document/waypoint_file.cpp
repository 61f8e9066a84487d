#include "document/waypoint_file.h"

#include <algorithm>
#include <optional>

#include "platform/file_failure.h"
#include "platform/file_read.h"
#include "text/text_primitives.h"

namespace trelka {

namespace {

constexpr char kCtrlZ = '\x1A';
// Field 3 or 4 at the front of what is left of the line, without the comma that ends it.
std::string LeadingField(const std::string& line) { return Copy(line, 1, Pos(",", line) - 1); }

}  // namespace

WaypointRecord ParseWaypointLine(std::string line) {
  WaypointRecord record;
  Delete(line, 1, Pos(",", line));  // field 1
  const TextPos name_end = Pos(",", line);
  record.id = Copy(line, 3, name_end - 3);
  record.name = Copy(line, 1, name_end - 1);
  Delete(line, 1, name_end);  // field 2
  record.lat = LeadingField(line);
  Delete(line, 1, Pos(",", line));  // field 3
  record.lon = LeadingField(line);
  return record;
}

std::string ReadWaypointFile(const std::string& path) {
  std::optional<std::string> bytes =
      ReadFileIfPresent(path, kMaxWaypointFileBytes, "Waypoint file exceeds 256 MiB");
  if (!bytes) RaiseFileNotFound(path);
  return std::move(*bytes);
}

bool WaypointReader::AtEnd() const { return rest_.empty() || rest_.front() == kCtrlZ; }

std::string_view WaypointReader::TakeLine() {
  if (AtEnd()) return {};
  const std::size_t lf = rest_.find('\n');
  const std::string_view line = rest_.substr(0, lf);
  rest_.remove_prefix(lf == std::string_view::npos ? rest_.size() : lf + 1);
  return line;
}

std::string WaypointReader::ReadLine() {
  const std::string_view piece = TakeLine();
  std::string line;
  line.reserve(piece.size());
  // Every CR is dropped, whether or not a LF follows it.
  for (std::size_t from = 0; from < piece.size();) {
    const std::size_t cr = std::min(piece.find('\r', from), piece.size());
    line.append(piece.substr(from, cr - from));
    from = cr + 1;
  }
  return line;
}

void WaypointReader::SkipLines(int count) {
  for (int i = 0; i < count; ++i) (void)TakeLine();
}

int CountWaypointLines(std::string_view bytes) {
  WaypointReader reader(bytes);
  reader.SkipLines(kWaypointHeaderLines);
  int count = 0;
  while (!reader.AtEnd()) {
    reader.SkipLines(1);
    ++count;
  }
  return count;
}

}  // namespace trelka
