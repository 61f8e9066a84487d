// What a program prints on standard output and standard error, in UTF-8. A terminal (a console
// window on Windows, which takes UTF-16) shows the characters; a file or a pipe gets the UTF-8
// bytes. The text is held until Flush(), so that a line costs no system call of its own.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

class StandardStream {
 public:
  enum class Which { kOutput, kError };
  explicit StandardStream(Which which);
  ~StandardStream() { Flush(); }
  StandardStream(const StandardStream&) = delete;
  StandardStream& operator=(const StandardStream&) = delete;

  // Whether the stream is a terminal that takes ANSI escapes (a carriage return and "ESC [K"
  // redraw a line).
  [[nodiscard]] bool IsTerminal() const { return terminal_; }

  void Write(std::string_view utf8) { held_.append(utf8); }
  // Writes out what is held. A stream that cannot be written (a closed pipe) loses it quietly.
  void Flush();

 private:
  Which which_;
  bool terminal_;
  std::string held_;
};

}  // namespace trelka
