// Folders the library keeps files in.
#pragma once

#include <cstddef>
#include <string>

namespace trelka {

// The longest file name (one path component) every supported file system takes, in bytes of
// ASCII.
inline constexpr std::size_t kMaxFileNameLength = 255;

// Makes the folder at path unless it exists. Raises FileFailure when it cannot, or when path
// names something other than a folder ("Invalid filename").
void MakeFolderIfMissing(const std::string& path);

// path joined to a name within it, with the system's separator.
[[nodiscard]] std::string PathInFolder(const std::string& folder, const std::string& name);

}  // namespace trelka
