#pragma once
// Large zero-filled blocks straight from the system, with every page made
// present in one call (PageMemory's large blocks), in huge pages where the
// system has them.
#include <cstddef>

namespace sandloop::os {

// Null when the memory cannot be had.
[[nodiscard]] void* AllocatePages(std::size_t size);
// Gives back a block of AllocatePages with the size it was asked for.
void FreePages(void* block, std::size_t size);

}  // namespace sandloop::os
