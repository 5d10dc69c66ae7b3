#include "rod_hits.hpp"

#include <cmath>
#include <initializer_list>

namespace rodscene::render {
namespace {

// Keeps the nearer of a candidate at t with normal n.
void keep(double t, vec n, bool cap, double tmin, hit& best, bool& found) {
  if (t > tmin && t < best.t) {
    best = {t, n, cap};
    found = true;
  }
}

// The ray's closest approach to point c: its parameter there.
double closest(const ray& q, vec c) {
  return dot(c - q.o, q.d) / dot(q.d, q.d);
}

// A sphere's hits; with side +1 or -1 only those on the half of it that
// lies that way along axis (a round rod's end, whose other half is inside
// the cylinder: the rod is one solid, and a faint one shows no inner
// surface).
void sphere_hits(vec c, double r, const ray& q, double tmin, bool cap,
                 hit& best, bool& found, vec axis = {}, double side = 0) {
  double t0 = closest(q, c);
  vec p = q.o + q.d * t0 - c;
  double dd = dot(q.d, q.d);
  double disc = (r * r - dot(p, p)) / dd;
  if (disc < 0) return;
  double s = std::sqrt(disc);
  for (double t : {t0 - s, t0 + s}) {
    vec n = (q.o + q.d * t - c) * (1.0 / r);
    if (t > tmin && t < best.t && dot(n, axis) * side >= 0) {
      keep(t, n, cap, tmin, best, found);
    }
  }
}

// The side of the cylinder from a to b, and either its flat discs or, for
// a round rod, the spheres at its ends.
void rod_hits(const shape& s, const ray& q, double tmin, hit& best,
              bool& found) {
  vec w = s.b - s.a;
  double len = length(w);
  vec ax = w * (1.0 / len);
  double t0 = closest(q, (s.a + s.b) * 0.5);
  vec oc = q.o + q.d * t0 - s.a;
  double da = dot(q.d, ax), oa = dot(oc, ax);
  vec dp = q.d - ax * da, op = oc - ax * oa;
  double aa = dot(dp, dp), bb = dot(op, dp), r = s.r;
  double cc = dot(op, op) - r * r;
  double disc = bb * bb - aa * cc;
  if (aa > 0 && disc >= 0) {
    double root = std::sqrt(disc);
    for (double u : {(-bb - root) / aa, (-bb + root) / aa}) {
      double h = oa + u * da;
      if (h >= 0 && h <= len) {
        vec p = op + dp * u;
        keep(t0 + u, p * (1.0 / r), false, tmin, best, found);
      }
    }
  }
  if (s.flags & round_ends) {
    sphere_hits(s.a, r, q, tmin, false, best, found, ax, -1.0);
    sphere_hits(s.b, r, q, tmin, false, best, found, ax, 1.0);
    return;
  }
  if (da == 0) return;
  for (double h : {0.0, len}) {
    double u = (h - oa) / da;
    vec p = op + dp * u;
    if (dot(p, p) <= r * r) {
      keep(t0 + u, h == 0 ? ax * -1.0 : ax, false, tmin, best, found);
    }
  }
}

}  // namespace

bool nearest_hit(const shape& s, const ray& q, double tmin, double tmax,
                 hit& out) {
  hit best;
  best.t = tmax;
  bool found = false;
  rod_hits(s, q, tmin, best, found);
  if (s.flags & has_cap)
    sphere_hits(s.cap, s.cap_r, q, tmin, true, best, found);
  if (found) out = best;
  return found;
}

}  // namespace rodscene::render
