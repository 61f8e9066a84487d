#include "test_support.h"

#include <libxml/parser.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "codepage.h"

namespace trelka::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "trelka-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(std::string_view name, std::string_view bytes) const {
  const std::string path = (path_ / name).string();
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string XmlProblem(std::string_view document) {
  xmlDocPtr doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), "document.gpx",
                                nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc != nullptr) {
    xmlFreeDoc(doc);
    return {};
  }
  const xmlError* error = xmlGetLastError();
  return error != nullptr && error->message != nullptr ? error->message : "not well-formed";
}

std::string Escaped(std::string_view bytes) {
  std::string out;
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

std::string W(std::string_view utf8) { return Utf8ToCp1251(utf8); }

}  // namespace trelka::testing
