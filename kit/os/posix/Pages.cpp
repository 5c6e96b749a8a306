#include "kit/os/Pages.h"

#include <sys/mman.h>
#include <unistd.h>

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

// The length a block of `size` bytes is mapped with. Only the huge pages
// that lie wholly inside a mapping can be huge, so a block a little short
// of a whole number of them (a screen's page of 1920 x 1080 is 8,294,404
// bytes, 94 KiB short of four) is mapped as that whole number: its last
// part would otherwise be made present 4 KiB at a time, at several times
// the cost of a whole huge page. So is a block that fills its last huge
// page at least half (a page of 1024 x 768, 3 MiB; a sprite of a 1080-line
// screen, 1.2 MiB): at most an eighth of the block, or half a huge page,
// is added.
std::size_t MappedSize(std::size_t size) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t pages = (size + page - 1) / page * page;
  const std::size_t huge = (size + kHugePage - 1) / kHugePage * kHugePage;
  const std::size_t more = huge - size;
  const bool little = more * 8 <= size || more <= kHugePage / 2;
  return huge >= kHugePage && little ? huge : pages;
}

// A mapping of MappedSize(size) bytes that starts on a huge-page boundary
// when it is at least one huge page long, so that its huge pages are
// whole: more is mapped and the ends beyond the block are given back.
void* MapBlock(std::size_t size) {
  const std::size_t length = MappedSize(size);
  if (length < kHugePage) {
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
  }
  void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::size_t head = aligned - start, tail = kHugePage - head;
  if (head > 0) munmap(raw, head);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

void* AllocatePages(std::size_t size) {
  void* p = MapBlock(size);
  if (p == nullptr) return nullptr;
  const std::size_t length = MappedSize(size);
  if (length < kHugePage) {
    // Small blocks: every page made present now, in one call.
    if (madvise(p, length, MADV_POPULATE_WRITE) == 0) return p;
  } else {
    (void)madvise(p, length, MADV_HUGEPAGE);
    if (madvise(p, length, MADV_POPULATE_WRITE) == 0) return p;
  }
  if (errno != EINVAL) {  // the memory is not there: the caller is told now, not by a fault later
    munmap(p, length);
    return nullptr;
  }
  // A system without the call: every page is touched instead.
  auto* bytes = static_cast<volatile std::uint8_t*>(p);
  for (std::size_t i = 0; i < length; i += 4096) bytes[i] = 0;
  return p;
}

void* ReservePages(std::size_t size) {
  void* p = MapBlock(size);
  // Room that is written from its start is made present a huge page per
  // fault where the system gives them.
  if (p != nullptr && MappedSize(size) >= kHugePage) (void)madvise(p, MappedSize(size), MADV_HUGEPAGE);
  return p;
}

void FreePages(void* block, std::size_t size) {
  if (block != nullptr) munmap(block, MappedSize(size));
}

}  // namespace sandloop::os
