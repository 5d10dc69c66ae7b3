// The readers of whole systems in rodscene._core: configuration files of
// any size and the frames of LAMMPS text dumps.
#pragma once

#include <pybind11/pybind11.h>

namespace rodscene {

void bind_readers(pybind11::module_& m);

}  // namespace rodscene
