#include "array_blocks.hpp"

#include <sys/mman.h>

#include <memory>
#include <new>

namespace py = pybind11;

namespace rodscene {
namespace {

// A block of anonymous memory, unmapped when the last array in it goes.
class block {
 public:
  block() {
    void* p = mmap(nullptr, block_size, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    madvise(p, block_size, MADV_HUGEPAGE);  // a wish: 4 KB pages without
    base_ = static_cast<char*>(p);
  }
  ~block() { munmap(base_, block_size); }
  block(const block&) = delete;
  block& operator=(const block&) = delete;
  char* at(std::size_t offset) { return base_ + offset; }

 private:
  char* base_;
};

// The block a thread carves from and how much of it is taken. It holds no
// Python object, so a thread may end after the interpreter has.
thread_local std::shared_ptr<block> current;
thread_local std::size_t taken = 0;

constexpr std::size_t share_alignment = 64;  // a cache line

}  // namespace

void* block_share(std::size_t bytes, py::object& keeper) {
  bytes = (bytes + share_alignment - 1) / share_alignment * share_alignment;
  if (current == nullptr || taken + bytes > block_size) {
    current = std::make_shared<block>();
    taken = 0;
  }
  void* room = current->at(taken);
  taken += bytes;
  auto* owner = new std::shared_ptr<block>(current);
  keeper = py::capsule(
      owner, [](void* o) { delete static_cast<std::shared_ptr<block>*>(o); });
  return room;
}

}  // namespace rodscene
