// Writing a whole file so that a failure never destroys what was there before.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace trelka {

// Writes the parts, one after the other, as the new content of the file at path: into a
// temporary file in the same folder, flushed to disk and then renamed over path, so the old
// file stays whole until the new one is complete. A path that names something other than a
// regular file (a device such as /dev/null or /dev/full, a pipe) is written in place, since
// it cannot be replaced. Raises FileFailure; on failure the temporary file is removed.
void WriteFileAtomically(const std::string& path, std::initializer_list<std::string_view> parts);

}  // namespace trelka
