#include "kit/os/Pages.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdint>

namespace sandloop::os {

namespace {

// Blocks of at least one huge page ask for huge pages: making 2 MiB
// present at once costs a fraction of what 512 faults of 4 KiB do, and
// a surface's pages are all present for its whole life anyway. Where the
// system gives huge pages only on request, this is the request; where it
// gives none, the block has ordinary pages.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void* AllocatePages(std::size_t size) {
  const bool huge = size >= kHugePage;
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | (huge ? 0 : MAP_POPULATE), -1, 0);
  if (p == MAP_FAILED) return nullptr;
  if (!huge) return p;
  (void)madvise(p, size, MADV_HUGEPAGE);
  if (madvise(p, size, MADV_POPULATE_WRITE) == 0) return p;
  if (errno != EINVAL) {  // the memory is not there: the caller is told now, not by a fault later
    munmap(p, size);
    return nullptr;
  }
  // A system without the call: every page is touched instead.
  auto* bytes = static_cast<volatile std::uint8_t*>(p);
  for (std::size_t i = 0; i < size; i += 4096) bytes[i] = 0;
  return p;
}

void* ReservePages(std::size_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void FreePages(void* block, std::size_t size) {
  if (block != nullptr) munmap(block, size);
}

}  // namespace sandloop::os
