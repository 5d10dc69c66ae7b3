// A picture's samples, in linear light, as the render path's qualities
// take them: draft, one ray through each pixel's centre; normal, a ray
// through each centre, and a 3 x 3 grid more over every pixel whose
// centre differs from a neighbour's by more than 0.3 (summed over the
// channels as written, by the sRGB curve); final, rays at the pixels'
// corners, each pixel's square halved again where its corners differ by
// more than 0.05 (as written), at most twice. No sample is jittered. Rows
// are shared among threads, and every pixel is found from the same rays
// whatever thread takes it.
#pragma once

#include <vector>

#include "render_camera.hpp"
#include "shading.hpp"

namespace rodscene::render {

enum class quality { draft, normal, final };

// Four numbers a pixel (r, g, b, covered), row by row from the top.
std::vector<sample> sample_picture(const world& w, const view& v, quality q,
                                   int threads);

}  // namespace rodscene::render
