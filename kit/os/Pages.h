#pragma once
// Large zero-filled blocks straight from the system, with every page made
// present in one call (PageMemory's large blocks), in huge pages where the
// system has them.
#include <cstddef>

namespace sandloop::os {

// Null when the memory cannot be had.
[[nodiscard]] void* AllocatePages(std::size_t size);
// A block whose pages are made present only where it is first written:
// room for data of a size known only as a bound, of which only the part
// written costs memory. Null when the address space cannot be had.
[[nodiscard]] void* ReservePages(std::size_t size);
// Gives back a block of AllocatePages or ReservePages with the size it was
// asked for.
void FreePages(void* block, std::size_t size);

}  // namespace sandloop::os
