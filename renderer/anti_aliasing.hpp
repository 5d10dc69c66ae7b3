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

#include <atomic>
#include <functional>
#include <vector>

#include "render_camera.hpp"
#include "shading.hpp"

namespace rodscene::render {

enum class quality { draft, normal, final };

// Gives up every picture being drawn now: the program is stopping. A
// picture asked for later is drawn.
void halt_renders();

// Whether a picture is given up: by halt_renders since it began, or by ask
// (when given), which any of its threads may call. Every thread looks
// before each row of work, so a stop takes effect within a row.
class stopper {
 public:
  explicit stopper(std::function<bool()> ask = {});
  bool now();
  bool given_up() const { return gave_up; }

 private:
  std::function<bool()> ask;
  unsigned halts;
  std::atomic<bool> gave_up{false};
};

// Four numbers a pixel (r, g, b, covered), row by row from the top; when
// stop gives up, the rows not yet drawn are left empty.
std::vector<sample> sample_picture(const world& w, const view& v, quality q,
                                   int threads, stopper& stop);

}  // namespace rodscene::render
