// Storage for the rods' arrays: large arrays get memory of their own from
// the system, marked for huge pages. A million rods fill 56 MB, and in
// 4 KB pages, each faulted in on its first write, that costs a read about
// half as much time as its parsing.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace rodscene {

inline constexpr std::size_t huge_page_size = std::size_t{2} << 20;

template <typename T>
struct huge_allocator {
  using value_type = T;
  huge_allocator() = default;
  template <typename U>
  huge_allocator(const huge_allocator<U>&) {}

  static std::size_t mapped(std::size_t n) {
    return (n * sizeof(T) + huge_page_size - 1) / huge_page_size *
           huge_page_size;
  }
  T* allocate(std::size_t n) {
    if (n * sizeof(T) < huge_page_size) return std::allocator<T>().allocate(n);
    void* p = mmap(nullptr, mapped(n), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    madvise(p, mapped(n), MADV_HUGEPAGE);  // a wish: 4 KB pages without
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t n) {
    if (n * sizeof(T) < huge_page_size) {
      std::allocator<T>().deallocate(p, n);
    } else {
      munmap(p, mapped(n));
    }
  }
  template <typename U>
  bool operator==(const huge_allocator<U>&) const {
    return true;
  }
};

template <typename T>
using rod_array = std::vector<T, huge_allocator<T>>;

}  // namespace rodscene
