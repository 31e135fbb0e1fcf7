#include "exporting/MemoryReuse.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quarvel {

void KeepFreedMemoryForReuse() {
#ifdef __GLIBC__
    // glibc hands back any free top of a heap past 128 KB; a file's buffers
    // are larger. Other systems' allocators keep freed memory themselves.
    constexpr int kKeptBytes = 256 << 20;
    (void)mallopt(M_TRIM_THRESHOLD, kKeptBytes);
#endif
}

} // namespace quarvel
