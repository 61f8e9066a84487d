#include "text/utf8_runs.h"

namespace trelka {

char* Cp1251RunToUtf8(const char* in, const char* end, char* out) {
  return Cp1251RunToUtf8ByTable(in, end, out);
}

}  // namespace trelka
