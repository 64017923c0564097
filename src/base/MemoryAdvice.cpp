#include "base/MemoryAdvice.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace liedspur {

namespace {
constexpr std::size_t hugePage = std::size_t{2} << 20;
} // namespace

void adviseLargeBuffer(void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    // The whole pages of the buffer, so that its mapping stays one piece: a mapping cut where
    // huge pages begin can no longer grow by remapping, and every growth would copy it.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data) & ~(page - 1);
    const std::uintptr_t end =
        (reinterpret_cast<std::uintptr_t>(data) + bytes + page - 1) & ~(page - 1);
    // Only a hint: where the system has no huge pages the call fails and nothing changes.
    if (bytes >= hugePage)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace liedspur
