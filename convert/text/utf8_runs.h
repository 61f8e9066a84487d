// Converting runs of windows-1251 bytes to UTF-8, the bulk of writing a document. The table
// (text/codepage.h) says what each byte becomes; a processor may do the common runs (ASCII and
// the Cyrillic letters) many bytes at a time, and CMake picks the side that does. A run ends
// at the first byte its caller treats apart, found as the bytes are converted.
#pragma once

#include "text/byte_stops.h"

namespace trelka {

// Where a conversion stopped in its input, and the end of what it wrote.
struct Utf8Run {
  const char* in;
  char* out;
};

// Converts [in, end) up to its first stop (all of it where it holds none) to out, which has
// room for three bytes each and one more; returns where it stopped, at the stop or at end, and
// the end of what it wrote. Byte for byte what the table gives, on every processor.
Utf8Run Cp1251ToUtf8UntilStop(const char* in, const char* end, const ByteStops& stops, char* out);

// The same through the table alone, eight ASCII bytes at a time: the portable side, and the
// reference the processor's own side is tested against.
Utf8Run Cp1251ToUtf8UntilStopByTable(const char* in, const char* end, const ByteStops& stops,
                                     char* out);

}  // namespace trelka
