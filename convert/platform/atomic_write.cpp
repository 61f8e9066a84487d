// What both sides of the atomic replace share: writing a whole file through an AtomicFile.
#include "platform/atomic_write.h"

namespace trelka {

namespace {

void WriteAndCommit(AtomicFile& file, std::initializer_list<std::string_view> parts) {
  for (std::string_view part : parts) file.Write(part);
  file.Commit();
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::initializer_list<std::string_view> parts) {
  AtomicFile file(path);
  WriteAndCommit(file, parts);
}

void WriteFileAtomically(const FileInFolder& file, std::initializer_list<std::string_view> parts) {
  AtomicFile atomic_file(file);
  WriteAndCommit(atomic_file, parts);
}

}  // namespace trelka
