#include "render_camera.hpp"

#include <cmath>
#include <numbers>

namespace rodscene::render {

ray camera_ray(const view& v, double x, double y) {
  double aspect = double(v.height) / v.width;
  double u = x / v.width - 0.5, w = 0.5 - y / v.height;
  if (v.orthographic) {
    vec o = v.location + v.right * (u * v.span) + v.up * (w * v.span * aspect);
    return {o, v.forward};
  }
  double tan = std::tan(v.field * std::numbers::pi / 360.0);
  vec d = v.forward + v.right * (2 * u * tan) + v.up * (2 * w * tan * aspect);
  return {v.location, d};
}

}  // namespace rodscene::render
