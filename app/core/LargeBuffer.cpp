#include "app/core/LargeBuffer.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace zuneigo {

void AdviseHugePages(void* p, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const auto begin = (reinterpret_cast<std::uintptr_t>(p) + HugePageSize - 1) & ~(HugePageSize - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(HugePageSize - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

} // namespace zuneigo
