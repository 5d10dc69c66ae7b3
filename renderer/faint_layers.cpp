// The faint surfaces along a ray, gathered in one traversal of the faint
// shapes' scene up to the nearest solid surface: each shape Embree offers
// gives all its hits, and the nearest ones are kept in order.
#include <algorithm>
#include <cmath>

#include "scene_rays.hpp"

namespace rodscene::render {

// A surface kept for a ray: the shape's own order among its hits breaks
// ties within a shape.
struct entry {
  meeting m;
  int seq = 0;
  bool solid = false;
};

static bool before(const entry& a, const entry& b) {
  if (a.m.index != b.m.index) return a.m.index < b.m.index;
  return a.seq < b.seq;
}

// The nearest surfaces met so far, one a distance, at most room of them,
// none beyond limit.
struct gathered {
  entry* e;
  int room, n = 0;
  double limit = INFINITY;
  bool tied = false;  // the solid surface lost a tie to a faint one

  void add(const entry& x) {
    double t = x.m.h.t;
    if (t > limit) return;
    for (int i = 0; i < n; ++i) {
      if (e[i].m.h.t != t) continue;
      if (before(x, e[i])) {
        tied = tied || e[i].solid;
        e[i] = x;
      }
      return;
    }
    int i = n;
    while (i > 0 && e[i - 1].m.h.t > t)
      --i;
    if (i == room) return;
    if (n == room) --n;
    std::copy_backward(e + i, e + n, e + n + 1);
    e[i] = x;
    if (++n == room) limit = std::min(limit, e[n - 1].m.h.t);
  }
};

// Every faint surface short of the kept ones' limit.
void gather(const RTCIntersectFunctionNArguments* args) {
  if (!args->valid[0]) return;
  auto* c = reinterpret_cast<context*>(args->context);
  auto* p = static_cast<const part*>(args->geometryUserPtr);
  unsigned i = id_of(*p, args->primID);
  gathered& g = *c->kept;
  hit hits[max_hits];
  int n = all_hits(p->shapes[i], *c->q, c->tmin,
                   std::nextafter(g.limit, INFINITY), hits);
  for (int k = 0; k < n; ++k)
    g.add({{hits[k], i}, k, false});
  if (g.limit < INFINITY) {
    reinterpret_cast<RTCRayHit*>(args->rayhit)->ray.tfar = beyond(g.limit);
  }
}

namespace {

// The faint surfaces short of the nearest solid one (found or not), and it.
int gathered_to(const rod_scene& s, const ray& q, double tmin, bool solid,
                entry nearest, meeting* out, int room, bool& more) {
  more = false;
  if (!s.faint.scene) {
    if (solid) out[0] = nearest.m;
    return solid ? 1 : 0;
  }
  entry kept[most_meetings];
  gathered g{kept, std::min(room, most_meetings)};
  if (solid) {
    nearest.solid = true;
    g.add(nearest);
  }
  context c;
  rtcInitIntersectContext(&c.base);
  c.q = &q;
  c.tmin = tmin;
  c.kept = &g;
  c.lanes = nullptr;
  RTCRayHit rh{};
  rh.ray = embree_ray(q, tmin, solid ? nearest.m.h.t : INFINITY);
  rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
  rtcIntersect1(s.faint.scene, &c.base, &rh);
  for (int i = 0; i < g.n; ++i)
    out[i] = kept[i].m;
  more = g.tied || (g.n == g.room && !kept[g.n - 1].solid);
  return g.n;
}

}  // namespace

int meetings(const rod_scene& s, const ray& q, double tmin, meeting* out,
             int room, bool& more) {
  entry nearest;
  bool solid = nearest_solid(s, q, tmin, nearest.m.h, nearest.m.index);
  return gathered_to(s, q, tmin, solid, nearest, out, room, more);
}

int meetings_with(const rod_scene& s, const ray& q, const meeting* solid,
                  meeting* out, int room, bool& more) {
  entry nearest;
  if (solid) nearest.m = *solid;
  return gathered_to(s, q, 0.0, solid != nullptr, nearest, out, room, more);
}

}  // namespace rodscene::render
