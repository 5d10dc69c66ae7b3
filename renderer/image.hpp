// Linear samples written as 8-bit sRGB, as a PNG of POV-Ray's is: each
// channel clipped to [0, 1], encoded by the sRGB curve and rounded (found
// among the 255 linear values where the byte steps up). A
// picture with a transparent background keeps its coverage as alpha, the
// colour unassociated from it.
#pragma once

#include <cstdint>
#include <vector>

#include "shading.hpp"

namespace rodscene::render {

std::uint8_t srgb_byte(double linear);

// Three bytes a pixel, or four with alpha.
std::vector<std::uint8_t> encode(const std::vector<sample>& samples,
                                 bool alpha);

}  // namespace rodscene::render
