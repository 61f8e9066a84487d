// How the programs ask the C library to keep memory. A run frees each page's buffers once the
// page is done; glibc would give the freed top of its heap back to the system at once, and
// the next page would start on fresh memory, at a page fault per 4 KiB (dear on virtual
// machines: about a third of a run's system time on this project's machine).
#pragma once

namespace trelka {

// Keeps up to 32 MiB of freed memory for reuse instead of returning it at once. Call at
// start-up; the peak memory stays what the work needs.
void KeepFreedMemoryForReuse();

}  // namespace trelka
