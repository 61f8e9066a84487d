// Helpers shared by the conversion library's tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace trelka::testing {

// A fresh folder under the system's temporary folder, removed with its content at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
  // Writes bytes to the file name inside the folder and returns its full path.
  std::string Write(std::string_view name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

[[nodiscard]] std::string ReadFileBytes(const std::string& path);

// Empty when libxml2 parses the UTF-8 document as well-formed XML, else its first error.
[[nodiscard]] std::string XmlProblem(std::string_view document);

// A readable rendering of bytes for failure messages: printable ASCII as is, others as \xHH.
[[nodiscard]] std::string Escaped(std::string_view bytes);

// windows-1251 bytes for UTF-8 source text.
[[nodiscard]] std::string W(std::string_view utf8);

}  // namespace trelka::testing
