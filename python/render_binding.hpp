// The renderer's entry in rodscene._core (render_rods), when the build has
// Embree; has_renderer tells the render path whether it is there.
#pragma once

#include <pybind11/pybind11.h>

namespace rodscene {

void add_renderer(pybind11::module_& m);

}  // namespace rodscene
