#include "kit/os/Pages.h"

#include <windows.h>

namespace sandloop::os {

// Committed pages read as zero; the system makes them present on first
// touch, so large blocks are prefetched in one call where the system can.
void* AllocatePages(std::size_t size) {
  void* p = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (p == nullptr) return nullptr;
  WIN32_MEMORY_RANGE_ENTRY range{p, size};
  PrefetchVirtualMemory(GetCurrentProcess(), 1, &range, 0);  // a hint: failing costs nothing
  return p;
}

// Committed pages take no memory until they are first touched.
void* ReservePages(std::size_t size) { return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE); }

void FreePages(void* block, std::size_t) {
  if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace sandloop::os
