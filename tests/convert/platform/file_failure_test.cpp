#include "platform/file_failure.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <new>
#include <stdexcept>

#include "platform/failure.h"
#include "test_support.h"

namespace trelka {
namespace {

TEST(FailureDisplayTextTest, AppendsAFullStopAfterCharactersAboveIt) {
  struct Case {
    std::string message;
    std::string shown;
  } cases[] = {
      {"File not found", "File not found."},
      {"404 Not Found", "404 Not Found."},
      {"Connection Closed Gracefully.", "Connection Closed Gracefully."},
      {"Wow!", "Wow!"},
      {"(x)", "(x)"},
      {"trailing ", "trailing "},
      {"Socket Error # 11001\r\n", "Socket Error # 11001\r\n"},
      {"ends in /", "ends in /."},
      {"ends in -", "ends in -"},
      {"\xC0", "\xC0."},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FailureDisplayText(c.message), c.shown) << c.message;
}

TEST(FailureMessageOfTest, NamesEveryKindOfCaughtException) {
  EXPECT_EQ(FailureMessageOf(std::make_exception_ptr(FileFailure("File not found"))),
            "File not found");
  EXPECT_EQ(FailureMessageOf(std::make_exception_ptr(std::bad_alloc())), "Out of memory");
  EXPECT_EQ(FailureMessageOf(std::make_exception_ptr(std::runtime_error("odd"))), "odd");
}

TEST(FileFailureMessageTest, MapsErrorNumbers) {
  testing::TempDir dir;
  const std::string in_existing_folder = (dir.Path() / "x.gpx").string();
  const std::string in_missing_folder = (dir.Path() / "no" / "x.gpx").string();
  struct Case {
    int error_number;
    std::string path;
    std::string message;
  } cases[] = {
      {ENOENT, in_existing_folder, "File not found"},
      {ENOENT, in_missing_folder, "Invalid filename"},
      {ENOTDIR, in_existing_folder, "Invalid filename"},
      {EMFILE, in_existing_folder, "Too many open files"},
      {ENFILE, in_existing_folder, "Too many open files"},
      {EACCES, in_existing_folder, "File access denied"},
      {EROFS, in_existing_folder, "File access denied"},
      {ENOSPC, in_existing_folder, "I/O error 28"},
      {EISDIR, in_existing_folder, "I/O error 21"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileFailureMessage(c.error_number, c.path), c.message) << c.error_number;
  }
}

}  // namespace
}  // namespace trelka
