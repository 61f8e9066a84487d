#include "text/utf8_runs.h"

namespace trelka {

Utf8Run Cp1251ToUtf8UntilStop(const char* in, const char* end, const ByteStops& stops, char* out) {
  return Cp1251ToUtf8UntilStopByTable(in, end, stops, out);
}

}  // namespace trelka
