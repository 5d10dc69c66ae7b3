// Memory for the arrays the module hands to Python, carved from blocks of
// block_size that the calls of a thread share and that the system may back
// with huge pages. A page of a thousand frames holds some 300 MB of such
// arrays: in 4 KB pages, each faulted in on its first write, they cost
// the reading of the frames about as much as the reading itself.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <vector>

namespace rodscene {

inline constexpr std::size_t block_size = std::size_t{16} << 20;
// Larger arrays get memory of their own, from numpy.
inline constexpr std::size_t max_block_share = block_size / 8;

// Room for `bytes` in this thread's block (a new block when it is full),
// and the object that keeps the block while an array uses the room.
void* block_share(std::size_t bytes, pybind11::object& keeper);

// An array of `shape` in a block; the caller holds the GIL.
template <typename T>
pybind11::array_t<T> block_array(std::vector<pybind11::ssize_t> shape) {
  std::size_t bytes = sizeof(T);
  for (pybind11::ssize_t n : shape)
    bytes *= static_cast<std::size_t>(n);
  if (bytes == 0 || bytes > max_block_share) return pybind11::array_t<T>(shape);
  pybind11::object keeper;
  void* room = block_share(bytes, keeper);
  return pybind11::array_t<T>(shape, static_cast<T*>(room), keeper);
}

}  // namespace rodscene
