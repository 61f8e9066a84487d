#include "text/cursor_out.h"

namespace trelka {

void CursorOut::Grow(std::size_t n) {
  const std::size_t needed = written_ + n + kRunCopy;
  if (needed > out_.capacity()) out_.reserve(std::max(2 * out_.capacity(), needed));
  out_.resize(std::min(out_.capacity(), needed + kStretch));
}

}  // namespace trelka
