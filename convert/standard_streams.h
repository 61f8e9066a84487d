// The standard descriptors at start-up. A program started with one of them closed would hand
// its number to the next file it opens, and whatever it then prints to stdout or stderr
// would land in that file: in a document being written, say.
#pragma once

namespace trelka {

// Which standard descriptors the process was started without.
struct ClosedStandardStreams {
  bool input = false;
  bool output = false;
  bool error = false;
};

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, and makes writing to a
// pipe whose reader is gone fail with EPIPE instead of ending the process. Call first thing
// in main, before any thread is made. Returns false when /dev/null cannot be opened, so that
// the program can stop before it opens anything.
[[nodiscard]] bool PrepareStandardStreams(ClosedStandardStreams& closed);

}  // namespace trelka
