// At start-up the item list is read into tens of megabytes of fresh memory, on a second thread.
// Each fresh 4 KiB page costs a page fault, and on a virtual machine a fault is dear: reading
// 100,000 items from PostgreSQL spent more time in faults than in the driver. So before anything
// else runs, both threads are given the one heap, and the heap is grown once by 128 MiB advised to
// transparent huge pages: a fault per 2 MiB. The pages are only taken as they are used; where the
// system offers no huge pages the advice is ignored.
#include "platform/heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace platform {

void prepareHeap() {
#if !defined(__SANITIZE_ADDRESS__)
    constexpr size_t growth = size_t(128) << 20;
    mallopt(M_ARENA_MAX, 1);
    // Blocks of up to 32 MiB (the most the allocator allows) come from the heap, not from
    // mappings of their own, so that they too land on the advised pages.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    // The heap grows, and is trimmed back, by no less than this.
    mallopt(M_TOP_PAD, int(growth));
    // A block just larger than the free top of the heap makes the heap grow now.
    void* block = std::malloc(mallinfo2().keepcost + 4096);
    if (!block) return;
    const auto pageSize = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + pageSize - 1) & ~(pageSize - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0));
    if (end > begin && end - begin <= 2 * growth) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    std::free(block);
#endif
}

}  // namespace platform
