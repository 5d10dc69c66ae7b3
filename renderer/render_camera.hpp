// The camera as the render path places it: rays through points of the
// picture given in pixels from its top left corner (a pixel's centre is
// at i + 0.5), a perspective camera with a horizontal field of view or an
// orthographic one showing a span across.
#pragma once

#include "rod_hits.hpp"

namespace rodscene::render {

struct view {
  vec location, forward, up, right;  // unit axes, right-handed
  bool orthographic = false;
  double span = 0;   // orthographic: the width shown
  double field = 0;  // perspective: horizontal field of view, degrees
  int width = 0, height = 0;
  double slope = 0;  // the tangent of half the field, set by prepared
};

view prepared(view v);
ray camera_ray(const view& v, double x, double y);

}  // namespace rodscene::render
