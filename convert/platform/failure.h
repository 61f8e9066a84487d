// The common base of every failure the conversion raises. Failures travel as exceptions and
// are caught in exactly one place per entry point (the window's handler boundary,
// trelka-batch's main), which shows FailureDisplayText(message).
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace trelka {

class Failure : public std::exception {
 public:
  // message is windows-1251 text, as the page service and the conversion produce it.
  explicit Failure(std::string message) : message_(std::move(message)) {}
  [[nodiscard]] const char* what() const noexcept override { return message_.c_str(); }
  [[nodiscard]] const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// A file could not be opened, read or written; the message comes from FileFailureMessage.
class FileFailure : public Failure {
 public:
  using Failure::Failure;
};

// The text a failure is shown with: a "." is appended when the message is not empty and its
// last character's code is above that of "." (so "!", ")", " " and "." end it unchanged).
[[nodiscard]] std::string FailureDisplayText(std::string_view message);

// The message shown for memory exhaustion, which is not a Failure.
inline constexpr std::string_view kOutOfMemoryMessage = "Out of memory";

// The message to show for a caught exception: a Failure's own, kOutOfMemoryMessage for
// memory exhaustion, what() of any other standard exception. Shared by the entry points, so
// that the window and trelka-batch report a failure alike.
[[nodiscard]] std::string FailureMessageOf(const std::exception_ptr& caught);

}  // namespace trelka
