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

// What a ray brings back from the background, with weight left.
sample beyond_all(const world& w, vec sum, double weight) {
  if (!w.light.transparent) {
    sum = sum + w.light.background * weight;
    weight = 0;
  }
  return {sum.x, sum.y, sum.z, 1.0 - weight};
}

// The surfaces along the ray, taken room at a time.
// The first solid surface is given when known (and then null when none).
template <int room>
sample through(const world& w, const ray& q, bool known = false,
               const meeting* solid = nullptr) {
  vec sum;
  double weight = 1.0, tmin = 0.0;
  meeting met[room];
  bool more = true;
  while (more) {
    int n = known ? meetings_with(w.scene, q, solid, met, room, more)
                  : meetings(w.scene, q, tmin, met, room, more);
    known = false;
    for (int k = 0; k < n; ++k) {
      const material& m =
          material_of(w, w.scene.shapes[met[k].index], met[k].h);
      sum = sum +
            surface_colour(w, m, q, met[k].h) * (weight * (1.0 - m.transmit));
      weight *= m.transmit;
      if (weight < least_weight) return {sum.x, sum.y, sum.z, 1.0};
      tmin = met[k].h.t;
    }
  }
  return beyond_all(w, sum, weight);
}

}  // namespace

sample shade_first(const world& w, const ray& q, const meeting* first) {
  return w.scene.faint.scene ? through<most_meetings>(w, q, true, first)
                             : through<1>(w, q, true, first);
}

sample shade(const world& w, const ray& q) {
  // Without faint shapes a ray ends at the first surface it meets.
  return w.scene.faint.scene ? through<most_meetings>(w, q) : through<1>(w, q);
}

}  // namespace rodscene::render
