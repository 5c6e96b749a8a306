#include "kit/os/Pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace sandloop::os {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// A block of several huge pages is placed on a huge-page boundary and
// marked for huge pages: the kernel then maps and clears it 2 MiB at a
// time instead of 4 KiB at a time, which makes a large surface several
// times quicker to make and cheaper to draw into (far fewer TLB misses).
void* AllocateHuge(std::size_t asked) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t size = (asked + page - 1) / page * page;
  const std::size_t padded = size + kHugePage;
  void* raw = mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::size_t head = aligned - start, tail = padded - head - size;
  if (head > 0) munmap(raw, head);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
  void* p = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
  madvise(p, size, MADV_HUGEPAGE);
#endif
#if defined(MADV_POPULATE_WRITE)
  // Mapped in now, as the smaller blocks are; an older kernel maps each
  // page when it is first written instead.
  madvise(p, size, MADV_POPULATE_WRITE);
#endif
  return p;
}

}  // namespace

void* AllocatePages(std::size_t size) {
  if (size >= 2 * kHugePage) return AllocateHuge(size);
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

// munmap takes the whole pages of a size that is not a multiple of pages.
void FreePages(void* block, std::size_t size) {
  if (block != nullptr) munmap(block, size);
}

}  // namespace sandloop::os
