#include "atomic_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "failure.h"
#include "test_support.h"

namespace trelka {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

std::size_t EntriesIn(const std::filesystem::path& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                std::filesystem::directory_iterator()));
}

std::string FailureMessageOf(const std::string& path) {
  try {
    WriteFileAtomically(path, {"new"});
  } catch (const FileFailure& failure) {
    return failure.Message();
  }
  return "no failure";
}

TEST(AtomicWriteTest, WritesThePartsAndReplacesAnOldFile) {
  TempDir dir;
  const auto path = dir.Write("out.gpx", "old content that is longer");
  WriteFileAtomically(path, {"abc", "", "\r\n"});
  EXPECT_EQ(ReadFileBytes(path), "abc\r\n");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(AtomicWriteTest, NewFileGetsTheUsualMode) {
  TempDir dir;
  const auto path = (dir.Path() / "new.gpx").string();
  const mode_t old_mask = ::umask(022);
  WriteFileAtomically(path, {"x"});
  ::umask(old_mask);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(AtomicWriteTest, SymbolicLinkKeepsPointingAtTheReplacedFile) {
  TempDir dir;
  const auto real = dir.Write("real.gpx", "old");
  const auto link = (dir.Path() / "link.gpx").string();
  std::filesystem::create_symlink(real, link);
  WriteFileAtomically(link, {"new"});
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(real), "new");
}

TEST(AtomicWriteTest, FailuresLeaveTheOldFileAndNoLeftovers) {
  TempDir dir;
  EXPECT_EQ(FailureMessageOf((dir.Path() / "missing" / "x.gpx").string()), "Invalid filename");
  EXPECT_EQ(FailureMessageOf(dir.Path().string()), "I/O error 21");
  EXPECT_EQ(FailureMessageOf("/dev/full"), "I/O error 28");
  EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(AtomicWriteTest, DevicesAreWrittenInPlace) {
  WriteFileAtomically("/dev/null", {"discarded"});
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST(AtomicWriteTest, ReadOnlyFolderIsAccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  const auto path = dir.Write("kept.gpx", "old");
  std::filesystem::permissions(
      dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  EXPECT_EQ(FailureMessageOf(path), "File access denied");
  EXPECT_EQ(ReadFileBytes(path), "old");
}

}  // namespace
}  // namespace trelka
