#include "kit/os/Pages.h"

#include <sys/mman.h>

namespace sandloop::os {

void* AllocatePages(std::size_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void FreePages(void* block, std::size_t size) {
  if (block != nullptr) munmap(block, size);
}

}  // namespace sandloop::os
