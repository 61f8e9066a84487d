// What only the Windows side does: Windows error codes mapped to the file-failure messages,
// and file names that are UTF-8 in Trelka and UTF-16 at the API.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/atomic_write.h"
#include "platform/failure.h"
#include "platform/file_failure.h"
#include "platform/file_read.h"
#include "platform/folder.h"
#include "test_support.h"

namespace trelka {
namespace {

using std::filesystem::path;

std::string Utf8(const path& p) {
  const std::u8string text = p.u8string();
  return {text.begin(), text.end()};
}

std::string Content(const path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Counted by the system itself: std::filesystem does not reach past 260 characters.
int EntriesIn(const path& folder) {
  WIN32_FIND_DATAW found{};
  const std::wstring pattern = L"\\\\?\\" + folder.native() + L"\\*";
  HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  do {
    const std::wstring_view name = found.cFileName;
    if (name != L"." && name != L"..") ++count;
  } while (::FindNextFileW(search, &found) != 0);
  ::FindClose(search);
  return count;
}

std::string FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const FileFailure& failure) {
    return failure.Message();
  }
  return "no failure";
}

TEST(WindowsFileFailureTest, MapsWindowsErrorCodes) {
  struct Case {
    int code;
    std::string message;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, "File not found"},
      {ERROR_PATH_NOT_FOUND, "Invalid filename"},
      {ERROR_TOO_MANY_OPEN_FILES, "Too many open files"},
      {ERROR_ACCESS_DENIED, "File access denied"},
      {ERROR_SHARING_VIOLATION, "File access denied"},
      {ERROR_WRITE_PROTECT, "File access denied"},
      {ERROR_DISK_FULL, "I/O error 112"},
      {ERROR_HANDLE_DISK_FULL, "I/O error 39"},
      {ERROR_DIRECTORY, "I/O error 267"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileFailureMessage(c.code, "x.gpx"), c.message) << c.code;
}

TEST(WindowsFileFailureTest, FailuresOfRealCalls) {
  testing::TempDir dir;
  const path read_only = dir.Path() / "read-only.gpx";
  std::ofstream(read_only) << "old";
  ::SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
  struct Case {
    const char* what;
    std::function<void()> call;
    std::string message;
  } cases[] = {
      {"reading in a missing folder",
       [&] { (void)ReadFileIfPresent(Utf8(dir.Path() / "no" / "x.wpt"), 10, "big"); },
       "Invalid filename"},
      {"writing in a missing folder",
       [&] { WriteFileAtomically(Utf8(dir.Path() / "no" / "x.gpx"), {"x"}); }, "Invalid filename"},
      {"writing a read-only file", [&] { WriteFileAtomically(Utf8(read_only), {"x"}); },
       "File access denied"},
      {"writing a folder", [&] { WriteFileAtomically(Utf8(dir.Path()), {"x"}); },
       "File access denied"},
      {"a folder where a file is", [&] { const Folder folder(Utf8(read_only)); },
       "Invalid filename"},
  };
  for (const auto& c : cases) EXPECT_EQ(FailureOf(c.call), c.message) << c.what;
  EXPECT_EQ(Content(read_only), "old");
  ::SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsFileNamesTest, CyrillicAndLongNamesReadAndReplace) {
  testing::TempDir dir;
  path deep = dir.Path();
  while (deep.native().size() < 300) {
    deep /= u8"Очень длинная папка";
    const Folder made(Utf8(deep));
  }
  struct Case {
    const char* what;
    path folder;
  } cases[] = {{"Cyrillic names", dir.Path() / u8"Тайники"}, {"a path over 260", deep}};
  for (const auto& c : cases) {
    const Folder folder(Utf8(c.folder));
    const path file = c.folder / u8"Маршрут №1.gpx";
    WriteFileAtomically(Utf8(file), {"первый"});
    WriteFileAtomically(Utf8(file), {"второй", "!"});
    EXPECT_EQ(ReadFileIfPresent(Utf8(file), 100, "big").value_or("none"), "второй!") << c.what;
    EXPECT_EQ(EntriesIn(c.folder), 1) << c.what << ": no temporary file stays";
    EXPECT_FALSE(ReadFileIfPresent(Utf8(c.folder / u8"Нет.wpt"), 100, "big")) << c.what;
  }
}

TEST(WindowsFileNamesTest, DevicesAreWrittenInPlace) { WriteFileAtomically("NUL", {"nothing"}); }

// The page cache's own files: only a file on disk is read, and storing replaces whatever
// stands under the name.
TEST(WindowsFileNamesTest, FilesInAFolderOfTheProgramsOwn) {
  testing::TempDir dir;
  const Folder pages(Utf8(dir.Path() / u8"Страницы"));
  EXPECT_EQ(InFolder(pages, "1.html").path, Utf8(dir.Path() / u8"Страницы") + "\\1.html");
  const Folder not_a_file(Utf8(dir.Path() / u8"Страницы" / "2.html"));
  EXPECT_FALSE(ReadRegularFileIfPresent(InFolder(pages, "2.html"), 100, "big"));
  EXPECT_FALSE(ReadRegularFileIfPresent(InFolder(pages, "3.html"), 100, "big"));
  WriteFileAtomically(InFolder(pages, "3.html"), {"page"});
  WriteFileAtomically(InFolder(pages, "3.html"), {"new page"});
  EXPECT_EQ(ReadRegularFileIfPresent(InFolder(pages, "3.html"), 100, "big").value_or("none"),
            "new page");
  pages.CheckWritable();
}

}  // namespace
}  // namespace trelka
