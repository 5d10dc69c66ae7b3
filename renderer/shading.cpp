#include "shading.hpp"

namespace rodscene::render {
namespace {

// How far along its normal a surface point is moved before its shadow
// ray leaves, far above the rounding of a hit solved near its rod.
constexpr double lift = 1e-4;

const material& material_of(const world& w, const shape& s, const hit& h) {
  if (!h.cap) return w.materials[s.material];
  return w.materials[s.flags & faint ? cap_faint : cap_solid];
}

// The diffuse share one light gives a point p with normal n.
double light_share(const world& w, vec p, vec n, vec place, bool shadows) {
  vec to = place - p;
  double c = dot(n, to) / length(to);
  if (c <= 0) return 0;
  if (shadows && blocked(w.scene, {p + n * lift, to}, 0.0, 1.0)) return 0;
  return c;
}

vec surface_colour(const world& w, const material& m, const ray& q,
                   const hit& h) {
  vec p = q.o + q.d * h.t;
  vec n = dot(h.normal, q.d) > 0 ? h.normal * -1.0 : h.normal;
  double lit = w.light.key_power *
                   light_share(w, p, n, w.light.key, w.light.key_shadows) +
               w.light.fill_power * light_share(w, p, n, w.light.fill, false);
  double k = m.ambient + m.diffuse * lit;
  return vec{m.r, m.g, m.b} * k;
}

}  // namespace

sample shade(const world& w, const ray& q) {
  vec sum;
  double weight = 1.0, tmin = 0.0;
  while (weight >= least_weight) {
    hit h;
    unsigned i = 0;
    if (!trace(w.scene, q, tmin, h, i)) {
      if (!w.light.transparent) {
        sum = sum + w.light.background * weight;
        weight = 0;
      }
      return {sum.x, sum.y, sum.z, 1.0 - weight};
    }
    const material& m = material_of(w, w.scene.shapes[i], h);
    sum = sum + surface_colour(w, m, q, h) * (weight * (1.0 - m.transmit));
    weight *= m.transmit;
    tmin = h.t;
  }
  return {sum.x, sum.y, sum.z, 1.0};
}

}  // namespace rodscene::render
