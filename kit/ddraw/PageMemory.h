#pragma once
// Zero-filled memory for surfaces. Large blocks are mapped with all their
// pages made present in one call: touching a fresh block page by page
// costs one fault per 4 KiB, which dominates building the scene's
// surfaces (a 30-frame surf strip at 3840 x 2160 is 265 MB). Small blocks
// come from the ordinary heap. The line lies at the allocator's own first
// threshold for mapping (128 KiB), so that a picture made on another
// thread and dropped on this one never stays behind in that thread's heap.
// A part of a block shares it: the block is given back with its last part.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include "kit/os/Pages.h"

namespace sandloop::display {

class PageMemory {
 public:
  PageMemory() = default;
  // Throws std::bad_alloc when the memory cannot be had.
  explicit PageMemory(std::size_t size) : size_(size) {
    if (size >= kMapThreshold) {
      void* p = os::AllocatePages(size);
      if (p == nullptr) throw std::bad_alloc();
      data_ = static_cast<std::uint8_t*>(p);
      mapped_ = true;
    } else {
      data_ = static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1));
      if (data_ == nullptr) throw std::bad_alloc();
    }
  }
  PageMemory(PageMemory&& o) noexcept { swap(o); }
  PageMemory& operator=(PageMemory&& o) noexcept {
    PageMemory(std::move(o)).swap(*this);
    return *this;
  }
  PageMemory(const PageMemory&) = delete;
  PageMemory& operator=(const PageMemory&) = delete;
  ~PageMemory() {
    if (data_ == nullptr || whole_ != nullptr) return;
    if (mapped_)
      os::FreePages(data_, size_);
    else
      std::free(data_);
  }

  // `size` bytes of `whole` from `offset` on, holding `whole` as long as
  // the part is held; empty when they do not lie inside it.
  [[nodiscard]] static PageMemory Part(const std::shared_ptr<PageMemory>& whole, std::size_t offset, std::size_t size) {
    PageMemory part;
    if (whole == nullptr || whole->data_ == nullptr || offset > whole->size_ || size > whole->size_ - offset)
      return part;
    part.data_ = whole->data_ + offset;
    part.size_ = size;
    part.whole_ = whole;
    return part;
  }

  void swap(PageMemory& o) noexcept {
    std::swap(data_, o.data_);
    std::swap(size_, o.size_);
    std::swap(mapped_, o.mapped_);
    std::swap(whole_, o.whole_);
  }
  [[nodiscard]] std::uint8_t* data() { return data_; }
  [[nodiscard]] const std::uint8_t* data() const { return data_; }
  [[nodiscard]] std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kMapThreshold = std::size_t{1} << 17;
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  std::shared_ptr<PageMemory> whole_;  // set for a part: the block it lies in
};

}  // namespace sandloop::display
