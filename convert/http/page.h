// A page's bytes, handed from a page source to the run. The page client hands over the buffer
// it received the response into, the body where the head ends: a page is only read, so it is
// not copied out from behind the head. Other sources hold their pages as strings.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace trelka {

class Page {
 public:
  // Bytes received into a buffer, the page standing at [begin, end) of it.
  struct Received {
    std::unique_ptr<char[]> buffer;
    std::size_t begin = 0;
    std::size_t end = 0;
  };

  Page() = default;
  // Not explicit: a source that holds its pages as strings returns them as they are.
  Page(std::string text) : bytes_(std::move(text)) {}
  explicit Page(Received received) : bytes_(std::move(received)) {}

  [[nodiscard]] std::string_view Text() const {
    if (const auto* received = std::get_if<Received>(&bytes_)) {
      return {received->buffer.get() + received->begin, received->end - received->begin};
    }
    return std::get<std::string>(bytes_);
  }

  friend bool operator==(const Page& page, std::string_view text) { return page.Text() == text; }

 private:
  std::variant<std::string, Received> bytes_;
};

}  // namespace trelka
