#include "platform/heap_settings.h"

#include <malloc.h>

namespace trelka {

void KeepFreedMemoryForReuse() { (void)::mallopt(M_TRIM_THRESHOLD, 32 << 20); }

}  // namespace trelka
