#include "rod_scene.hpp"

#include "scene_rays.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace rodscene::render {
namespace {

constexpr std::size_t many_shapes = 200000;

RTCDevice device() {
  static RTCDevice made = rtcNewDevice(nullptr);
  if (!made) throw std::runtime_error("cannot start Embree");
  return made;
}

float down(double v) {
  return std::nextafter(float(v), -INFINITY);
}
float up(double v) {
  return std::nextafter(float(v), INFINITY);
}

void bounds(const RTCBoundsFunctionArguments* args) {
  auto* p = static_cast<const part*>(args->geometryUserPtr);
  const shape& s = p->shapes[id_of(*p, args->primID)];
  double r = s.r;
  vec b = far_end(s);
  vec lo{std::fmin(s.a.x, b.x) - r, std::fmin(s.a.y, b.y) - r,
         std::fmin(s.a.z, b.z) - r};
  vec hi{std::fmax(s.a.x, b.x) + r, std::fmax(s.a.y, b.y) + r,
         std::fmax(s.a.z, b.z) + r};
  if (s.flags & has_cap) {
    double c = s.cap_r;
    lo = {std::fmin(lo.x, s.cap.x - c), std::fmin(lo.y, s.cap.y - c),
          std::fmin(lo.z, s.cap.z - c)};
    hi = {std::fmax(hi.x, s.cap.x + c), std::fmax(hi.y, s.cap.y + c),
          std::fmax(hi.z, s.cap.z + c)};
  }
  *args->bounds_o = {down(lo.x), down(lo.y), down(lo.z), 0,
                     up(hi.x),   up(hi.y),   up(hi.z),   0};
}

}  // namespace

bool nearer(const part& p, unsigned i, const ray& q, double tmin, hit& best,
            unsigned& index) {
  hit h;
  // A shape at the same distance as the best so far wins by its index.
  double tmax = std::nextafter(best.t, INFINITY);
  if (!nearest_hit(p.shapes[i], q, tmin, tmax, h)) return false;
  if (h.t == best.t && i > index) return false;
  best = h;
  index = i;
  return true;
}

namespace {

// The nearest solid surface.
void intersect(const RTCIntersectFunctionNArguments* args) {
  auto* c = reinterpret_cast<context*>(args->context);
  if (c->lanes) return intersect_lanes(args);
  if (!args->valid[0]) return;
  auto* p = static_cast<const part*>(args->geometryUserPtr);
  if (!nearer(*p, id_of(*p, args->primID), *c->q, c->tmin, c->best, c->index)) {
    return;
  }
  auto* rh = reinterpret_cast<RTCRayHit*>(args->rayhit);
  rh->ray.tfar = beyond(c->best.t);
  rh->hit.primID = args->primID;
  rh->hit.geomID = args->geomID;
}

void occluded(const RTCOccludedFunctionNArguments* args) {
  if (!args->valid[0]) return;
  auto* c = reinterpret_cast<context*>(args->context);
  auto* p = static_cast<const part*>(args->geometryUserPtr);
  hit h[max_hits];  // any of them blocks
  if (all_hits(p->shapes[id_of(*p, args->primID)], *c->q, c->tmin, c->tmax, h) >
      0) {
    reinterpret_cast<RTCRay*>(args->ray)->tfar = -INFINITY;
  }
}

void build_part(part& p, const std::vector<shape>& shapes, bool faint) {
  p.shapes = shapes.data();
  std::size_t count = p.ids.empty() ? shapes.size() : p.ids.size();
  p.scene = rtcNewScene(device());
  // A better hierarchy pays for its time below a few hundred thousand
  // shapes; more are built quickly.
  rtcSetSceneBuildQuality(p.scene, count < many_shapes
                                       ? RTC_BUILD_QUALITY_HIGH
                                       : RTC_BUILD_QUALITY_MEDIUM);
  RTCGeometry g = rtcNewGeometry(device(), RTC_GEOMETRY_TYPE_USER);
  rtcSetGeometryUserPrimitiveCount(g, unsigned(count));
  rtcSetGeometryUserData(g, &p);
  rtcSetGeometryBoundsFunction(g, bounds, nullptr);
  rtcSetGeometryIntersectFunction(g, faint ? gather : intersect);
  rtcSetGeometryOccludedFunction(g, occluded);
  rtcCommitGeometry(g);
  rtcAttachGeometry(p.scene, g);
  rtcReleaseGeometry(g);
  rtcCommitScene(p.scene);
}

}  // namespace

unsigned id_of(const part& p, unsigned prim) {
  return p.ids.empty() ? prim : p.ids[prim];
}

// Embree's bound stays at or beyond t, rounded to single precision.
float beyond(double t) {
  return float(t * (1 + 1e-6));
}

RTCRay embree_ray(const ray& q, double tmin, double tmax) {
  RTCRay r{};
  r.org_x = float(q.o.x);
  r.org_y = float(q.o.y);
  r.org_z = float(q.o.z);
  r.dir_x = float(q.d.x);
  r.dir_y = float(q.d.y);
  r.dir_z = float(q.d.z);
  // Embree's interval is widened a little: the exact test is ours.
  r.tnear = float(tmin * 0.999);
  r.tfar = float(tmax * 1.001);
  r.mask = ~0u;
  return r;
}

// The nearest solid surface beyond tmin.
bool nearest_solid(const rod_scene& s, const ray& q, double tmin, hit& h,
                   unsigned& index) {
  if (!s.solid.scene) return false;
  context c;
  rtcInitIntersectContext(&c.base);
  c.q = &q;
  c.tmin = tmin;
  c.best.t = INFINITY;
  c.index = std::numeric_limits<unsigned>::max();
  c.lanes = nullptr;
  RTCRayHit rh{};
  rh.ray = embree_ray(q, tmin, INFINITY);
  rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
  rtcIntersect1(s.solid.scene, &c.base, &rh);
  if (c.best.t == INFINITY) return false;
  h = c.best;
  index = c.index;
  return true;
}

void build_scene(rod_scene& out, std::vector<shape>&& shapes) {
  out.shapes = std::move(shapes);
  bool any = std::any_of(out.shapes.begin(), out.shapes.end(),
                         [](const shape& s) { return s.flags & faint; });
  // Without faint shapes the solid scene's primitives are the shapes.
  for (unsigned i = 0; any && i < out.shapes.size(); ++i)
    (out.shapes[i].flags & faint ? out.faint : out.solid).ids.push_back(i);
  if (any) build_part(out.faint, out.shapes, true);
  if (any ? !out.solid.ids.empty() : !out.shapes.empty())
    build_part(out.solid, out.shapes, false);
}

void drop_scene(rod_scene& s) {
  for (part* p : {&s.solid, &s.faint}) {
    if (p->scene) rtcReleaseScene(p->scene);
    p->scene = nullptr;
  }
}

bool blocked(const rod_scene& s, const ray& q, double tmin, double tmax) {
  if (!s.solid.scene) return false;
  context c;
  rtcInitIntersectContext(&c.base);
  c.q = &q;
  c.tmin = tmin;
  c.tmax = tmax;
  RTCRay r = embree_ray(q, tmin, tmax);
  rtcOccluded1(s.solid.scene, &c.base, &r);
  return r.tfar == -INFINITY;
}

}  // namespace rodscene::render
