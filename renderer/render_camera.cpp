#include "render_camera.hpp"

#include <cmath>
#include <numbers>

namespace rodscene::render {

view prepared(view v) {
  v.slope = std::tan(v.field * std::numbers::pi / 360.0);
  return v;
}

ray camera_ray(const view& v, double x, double y) {
  double aspect = double(v.height) / v.width;
  double u = x / v.width - 0.5, w = 0.5 - y / v.height;
  if (v.orthographic) {
    vec o = v.location + v.right * (u * v.span) + v.up * (w * v.span * aspect);
    return {o, v.forward};
  }
  vec d = v.forward + v.right * (2 * u * v.slope) +
          v.up * (2 * w * v.slope * aspect);
  return {v.location, d};
}

}  // namespace rodscene::render
