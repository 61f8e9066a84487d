// The one mapping from the system's file error numbers (errno on POSIX, GetLastError's codes
// on Windows) to the messages the user sees.
#pragma once

#include <string>

namespace trelka {

// "File not found", "Invalid filename" (a folder on the path is missing), "Too many open
// files", "File access denied", or "I/O error N" with the system's number for anything else.
// path is the file the failed operation was about; it tells a missing file from a missing
// folder, which the system reports alike.
[[nodiscard]] std::string FileFailureMessage(int error_number, const std::string& path);

// Raises FileFailure with FileFailureMessage(error_number, path).
[[noreturn]] void RaiseFileFailure(int error_number, const std::string& path);

// Raises the failure for a file at path that does not exist ("File not found", or "Invalid
// filename" when its folder does not exist either).
[[noreturn]] void RaiseFileNotFound(const std::string& path);

}  // namespace trelka
