// Zero-filled memory taken from the system in one piece, for the few large arrays of a big
// genealogy (its records, its name index, the tree control's items): one mapping instead of
// many allocations, and, where the kernel offers transparent huge pages on request, advised for
// them, so that touching 2 MB costs one page fault rather than 512.
//
// Pages are backed only once they are touched: a block larger than what is used costs address
// space, not memory. Not thread-safe.
#pragma once

#include <cstddef>

namespace platform {

class LargeBlock {
 public:
  LargeBlock() = default;
  // At least `bytes` zero bytes (none for 0). When the system has no room, calls the new
  // handler as operator new does (a program that set platform::exitOnOutOfMemory ends there),
  // and without one throws std::bad_alloc.
  explicit LargeBlock(std::size_t bytes);
  ~LargeBlock();
  LargeBlock(LargeBlock&& other) noexcept;
  LargeBlock& operator=(LargeBlock&& other) noexcept;
  LargeBlock(const LargeBlock&) = delete;
  LargeBlock& operator=(const LargeBlock&) = delete;

  void* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void release();

  void* data_ = nullptr;
  std::size_t size_ = 0;    // what was asked for
  std::size_t mapped_ = 0;  // what is mapped at data_
};

}  // namespace platform
