// The standard streams: made safe at start-up, and what a program prints on standard output
// and standard error, in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace trelka {

// Which standard streams the process was started without.
struct ClosedStandardStreams {
  bool input = false;
  bool output = false;
  bool error = false;
};

// A program started with a standard descriptor closed would hand its number to the next file
// it opens, and whatever it then prints would land in that file: in a document being written,
// say. So on POSIX each of descriptors 0, 1 and 2 that is closed gets /dev/null, and writing
// to a pipe whose reader is gone fails with EPIPE instead of ending the process; Windows
// handles have no such numbers. Call first thing in main, before any thread is made. Returns
// false when /dev/null cannot be opened, so that the program can stop before it opens
// anything.
[[nodiscard]] bool PrepareStandardStreams(ClosedStandardStreams& closed);

// Text for standard output or standard error, in UTF-8. A terminal (a console window on
// Windows, which takes UTF-16) shows the characters; a file or a pipe gets the UTF-8 bytes.
// The text is held until Flush(), so that a line costs no system call of its own.
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
  // Writes out what is held. A stream that cannot be written (a reader gone) loses it, and
  // Failed() is true from then on.
  void Flush();
  [[nodiscard]] bool Failed() const { return failed_; }

 private:
  Which which_;
  bool terminal_;
  bool failed_ = false;
  std::string held_;
};

}  // namespace trelka
