#include "platform/atomic_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/failure.h"
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

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST(AtomicWriteTest, NewFileGetsTheUsualMode) {
  struct Case {
    mode_t umask;
    mode_t mode;
  } cases[] = {{022, 0644}, {077, 0600}};
  TempDir dir;
  for (const auto& c : cases) {
    const auto path = (dir.Path() / ("new" + std::to_string(c.umask))).string();
    const mode_t old_mask = ::umask(c.umask);
    WriteFileAtomically(path, {"x"});
    ::umask(old_mask);
    EXPECT_EQ(ModeOf(path), c.mode) << std::oct << c.umask;
  }
}

TEST(AtomicWriteTest, ReplacementKeepsTheMode) {
  TempDir dir;
  for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0755}}) {
    const auto path = dir.Write("kept.gpx", "old");
    ::chmod(path.c_str(), mode);
    WriteFileAtomically(path, {"new"});
    EXPECT_EQ(ModeOf(path), mode) << std::oct << mode;
  }
}

TEST(AtomicWriteTest, ReplacementKeepsOwnerAndGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  TempDir dir;
  const auto path = dir.Write("theirs.gpx", "old");
  ASSERT_EQ(::chown(path.c_str(), 4321, 5432), 0);
  WriteFileAtomically(path, {"new"});
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 4321u);
  EXPECT_EQ(info.st_gid, 5432u);
}

TEST(AtomicWriteTest, LongestNameSaves) {
  TempDir dir;
  const auto path = (dir.Path() / std::string(255, 'n')).string();
  WriteFileAtomically(path, {"first"});
  WriteFileAtomically(path, {"second"});
  EXPECT_EQ(ReadFileBytes(path), "second");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(AtomicWriteTest, UncommittedFileLeavesTheOldOneAndNoLeftovers) {
  TempDir dir;
  const auto path = dir.Write("out.gpx", "old");
  {
    AtomicFile file(path);
    file.Write("partial");
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
  }
  EXPECT_EQ(ReadFileBytes(path), "old");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
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
