#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "platform/failure.h"
#include "test_support.h"

namespace trelka {
namespace {

constexpr std::size_t kLimit = 10;
constexpr std::string_view kTooLarge = "Too large for the test";

// The bytes read, "absent" for no file, or the failure's message.
std::string Outcome(const std::string& path) {
  try {
    const std::optional<std::string> bytes = ReadFileIfPresent(path, kLimit, kTooLarge);
    return bytes ? "bytes: " + *bytes : "absent";
  } catch (const FileFailure& failure) {
    return "failure: " + failure.Message();
  }
}

TEST(ReadFileIfPresentTest, ReadsWithinTheLimitAndFailsPastIt) {
  testing::TempDir dir;
  const struct {
    std::string_view what;
    std::string path;
    std::string outcome;
  } rows[] = {
      {"missing file", (dir.Path() / "none").string(), "absent"},
      {"empty file", dir.Write("empty", ""), "bytes: "},
      {"exactly the limit", dir.Write("ten", "0123456789"), "bytes: 0123456789"},
      {"one byte over the limit", dir.Write("eleven", "0123456789x"),
       "failure: Too large for the test"},
      {"a folder", dir.Path().string(), "failure: I/O error 21"},
      {"missing folder on the path", (dir.Path() / "no" / "x").string(), "absent"},
      {"endless device", "/dev/zero", "failure: Too large for the test"},
  };
  for (const auto& row : rows) EXPECT_EQ(Outcome(row.path), row.outcome) << row.what;
}

// A pipe has no size to look at first: it fails once more than the limit has arrived, and
// is read whole when it stays within it.
TEST(ReadFileIfPresentTest, StopsAPipePastTheLimit) {
  const struct {
    std::string_view what;
    std::string written;
    std::string outcome;
  } rows[] = {
      {"within the limit", "0123456789", "bytes: 0123456789"},
      {"past the limit", std::string(3 * kLimit, 'x'), "failure: Too large for the test"},
  };
  for (const auto& row : rows) {
    testing::TempDir dir;
    const std::string fifo = (dir.Path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Fewer bytes than a pipe holds, so the writer never waits for the reader.
    std::thread writer([&] {
      const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd < 0) return;
      EXPECT_EQ(::write(fd, row.written.data(), row.written.size()),
                static_cast<ssize_t>(row.written.size()));
      ::close(fd);
    });
    EXPECT_EQ(Outcome(fifo), row.outcome) << row.what;
    writer.join();
  }
}

}  // namespace
}  // namespace trelka
