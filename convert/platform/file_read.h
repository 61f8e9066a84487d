// Reading a whole file into memory, within a limit, for the files the library reads: the
// waypoint file and the page cache's stored pages.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/folder.h"

namespace trelka {

// Every byte of the file at path, read once; nothing when there is no such file. A regular
// file larger than limit fails before a byte is read, other input (a pipe, /dev/zero) as soon
// as more than limit bytes have arrived, with FileFailure(too_large). Other failures raise
// FileFailure through the system's error mapping.
[[nodiscard]] std::optional<std::string> ReadFileIfPresent(const std::string& path,
                                                           std::size_t limit,
                                                           std::string_view too_large);

// The same for a file the program keeps for itself, taken only when it is a regular file: a
// symbolic link, FIFO, device or folder under that name counts as no file, and nothing there
// can make the open block.
[[nodiscard]] std::optional<std::string> ReadRegularFileIfPresent(const FileInFolder& file,
                                                                  std::size_t limit,
                                                                  std::string_view too_large);

// The path ReadFileIfPresent reads standard input by ("/dev/stdin" on POSIX), so that a pipe
// can stand in for a file.
[[nodiscard]] std::string StandardInputPath();

}  // namespace trelka
