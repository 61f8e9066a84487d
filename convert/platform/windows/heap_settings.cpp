#include "platform/heap_settings.h"

namespace trelka {

// The Windows heap keeps freed memory for reuse by itself (its low-fragmentation heap).
void KeepFreedMemoryForReuse() {}

}  // namespace trelka
