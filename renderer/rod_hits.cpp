#include "rod_hits.hpp"

#include <cmath>
#include <initializer_list>

namespace rodscene::render {
namespace {

// The hits found so far, in the order they are found.
struct found {
  double tmin, tmax;
  hit* out;
  int n = 0;

  void keep(double t, vec normal, bool cap) {
    if (t > tmin && t < tmax) out[n++] = {t, normal, cap};
  }
};

// The ray's closest approach to point c: its parameter there.
double closest(const ray& q, vec c) {
  return dot(c - q.o, q.d) / dot(q.d, q.d);
}

// A sphere's hits; with side +1 or -1 only those on the half of it that
// lies that way along axis (a round rod's end, whose other half is inside
// the cylinder: the rod is one solid, and a faint one shows no inner
// surface).
void sphere_hits(vec c, double r, const ray& q, bool cap, found& f,
                 vec axis = {}, double side = 0) {
  // A line farther from the centre than the radius (asked without a
  // division, with a margin far beyond rounding) misses.
  vec w = c - q.o;
  vec x{w.y * q.d.z - w.z * q.d.y, w.z * q.d.x - w.x * q.d.z,
        w.x * q.d.y - w.y * q.d.x};
  if (dot(x, x) > r * r * dot(q.d, q.d) * (1 + 1e-6)) return;
  double t0 = closest(q, c);
  vec p = q.o + q.d * t0 - c;
  double dd = dot(q.d, q.d);
  double disc = (r * r - dot(p, p)) / dd;
  if (disc < 0) return;
  double s = std::sqrt(disc);
  for (double t : {t0 - s, t0 + s}) {
    vec n = (q.o + q.d * t - c) * (1.0 / r);
    if (dot(n, axis) * side >= 0) f.keep(t, n, cap);
  }
}

// The side of the cylinder from a to b, and either its flat discs or, for
// a round rod, the spheres at its ends.
void rod_hits(const shape& s, const ray& q, found& f) {
  double len = s.length, r = s.r;
  vec ax = s.axis;
  double da = dot(q.d, ax);
  vec dp = q.d - ax * da;
  double aa = dot(dp, dp);
  // A line that passes the axis farther than the radius meets neither the
  // side nor the ends, which lie within the radius of the axis. Most
  // shapes offered are missed so: this is asked first from the ray's own
  // origin (the discriminant does not depend on it), with a margin that
  // keeps every end hit rounding could let through.
  vec o = q.o - s.a, o0 = o - ax * dot(o, ax);
  double b0 = dot(o0, dp), c0 = dot(o0, o0) - double(r) * r;
  if (aa > 0 && b0 * b0 - aa * c0 < -1e-9 * (b0 * b0 + aa * std::fabs(c0)))
    return;
  double t0 = closest(q, s.a + ax * (len * 0.5));
  vec oc = q.o + q.d * t0 - s.a;
  double oa = dot(oc, ax);
  vec op = oc - ax * oa;
  double bb = dot(op, dp), cc = dot(op, op) - r * r;
  double disc = bb * bb - aa * cc;
  if (aa > 0 && disc >= 0) {
    double root = std::sqrt(disc);
    for (double u : {(-bb - root) / aa, (-bb + root) / aa}) {
      double h = oa + u * da;
      if (h >= 0 && h <= len) {
        vec p = op + dp * u;
        f.keep(t0 + u, p * (1.0 / r), false);
      }
    }
  }
  if (s.flags & round_ends) {
    sphere_hits(s.a, r, q, false, f, ax, -1.0);
    sphere_hits(far_end(s), r, q, false, f, ax, 1.0);
    return;
  }
  if (da == 0) return;
  for (double h : {0.0, len}) {
    double u = (h - oa) / da;
    vec p = op + dp * u;
    if (dot(p, p) <= r * r) f.keep(t0 + u, h == 0 ? ax * -1.0 : ax, false);
  }
}

}  // namespace

shape rod(vec a, vec b, float r, std::uint32_t material, std::uint8_t flags) {
  shape s;
  s.a = a;
  s.length = length(b - a);
  s.axis = (b - a) * (1.0 / s.length);
  s.r = r;
  s.material = material;
  s.flags = flags;
  return s;
}

vec far_end(const shape& s) {
  return s.a + s.axis * s.length;
}

int all_hits(const shape& s, const ray& q, double tmin, double tmax, hit* out) {
  found f{tmin, tmax, out};
  rod_hits(s, q, f);
  if (s.flags & has_cap) sphere_hits(s.cap, s.cap_r, q, true, f);
  return f.n;
}

bool nearest_hit(const shape& s, const ray& q, double tmin, double tmax,
                 hit& out) {
  hit all[max_hits];
  int n = all_hits(s, q, tmin, tmax, all);
  if (n == 0) return false;
  int best = 0;
  for (int k = 1; k < n; ++k)
    if (all[k].t < all[best].t) best = k;
  out = all[best];
  return true;
}

}  // namespace rodscene::render
