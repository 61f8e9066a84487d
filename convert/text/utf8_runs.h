// Converting runs of windows-1251 bytes to UTF-8, the bulk of writing a document. The table
// (text/codepage.h) says what each byte becomes; a processor may do the common runs (ASCII and
// the Cyrillic letters) many bytes at a time, and CMake picks the side that does.
#pragma once

namespace trelka {

// Converts [in, end), which holds no byte the caller treats apart (NUL, CR, LF), to out, which
// has room for three bytes each and one more; returns the end of what was written. Byte for
// byte what the table gives, on every processor.
char* Cp1251RunToUtf8(const char* in, const char* end, char* out);

// The same through the table alone, eight ASCII bytes at a time: the portable side, and the
// reference the processor's own side is tested against.
char* Cp1251RunToUtf8ByTable(const char* in, const char* end, char* out);

}  // namespace trelka
