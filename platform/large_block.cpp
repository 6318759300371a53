#include "platform/large_block.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <utility>

namespace platform {

namespace {

// The size of a transparent huge page on x86-64 and arm64 with 4 kB pages.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundUp(std::size_t bytes, std::size_t unit) {
  return (bytes + unit - 1) / unit * unit;
}

// A mapping of `bytes` (a multiple of the page size); a block of a huge page or more starts on a
// huge page's boundary, so that every whole huge page in it can be one. Null when none is had.
void* mapBlock(std::size_t bytes) {
  const bool huge = bytes >= kHugePage;
  const std::size_t asked = huge ? bytes + kHugePage : bytes;
  void* mapped = mmap(nullptr, asked, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  if (!huge) return mapped;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = roundUp(start, kHugePage);
  if (aligned != start) munmap(mapped, aligned - start);
  const std::uintptr_t end = aligned + bytes;
  if (end != start + asked) munmap(reinterpret_cast<void*>(end), start + asked - end);
  // Only a hint: a kernel without huge pages, or with them off, maps small pages as before.
  madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

LargeBlock::LargeBlock(std::size_t bytes) {
  if (bytes == 0) return;
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t mapped = roundUp(bytes, page);
  if (mapped < bytes) throw std::bad_alloc();
  for (;;) {
    data_ = mapBlock(mapped);
    if (data_ != nullptr) break;
    // As operator new does: the handler frees memory, ends the program, or throws.
    std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
  size_ = bytes;
  mapped_ = mapped;
}

LargeBlock::~LargeBlock() { release(); }

LargeBlock::LargeBlock(LargeBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

void LargeBlock::release() {
  if (data_ != nullptr) munmap(data_, mapped_);
  data_ = nullptr;
  size_ = 0;
  mapped_ = 0;
}

}  // namespace platform
