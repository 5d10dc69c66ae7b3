#include "rod_scene.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace rodscene::render {
namespace {

constexpr std::size_t many_shapes = 200000;

// A ray in double precision beside Embree's single-precision copy, and
// the nearest hit found so far.
struct context {
  RTCIntersectContext base;
  const ray* q;
  double tmin, tmax;
  hit best;
  unsigned index;
  bool shadow;
};

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
  auto* shapes = static_cast<const shape*>(args->geometryUserPtr);
  const shape& s = shapes[args->primID];
  double r = s.r;
  vec lo{std::fmin(s.a.x, s.b.x) - r, std::fmin(s.a.y, s.b.y) - r,
         std::fmin(s.a.z, s.b.z) - r};
  vec hi{std::fmax(s.a.x, s.b.x) + r, std::fmax(s.a.y, s.b.y) + r,
         std::fmax(s.a.z, s.b.z) + r};
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

void intersect(const RTCIntersectFunctionNArguments* args) {
  if (!args->valid[0]) return;
  auto* c = reinterpret_cast<context*>(args->context);
  auto* shapes = static_cast<const shape*>(args->geometryUserPtr);
  unsigned i = args->primID;
  hit h;
  // A shape at the same distance as the best so far wins by its index.
  double tmax = std::nextafter(c->best.t, INFINITY);
  if (!nearest_hit(shapes[i], *c->q, c->tmin, tmax, h)) return;
  if (h.t == c->best.t && i > c->index) return;
  c->best = h;
  c->index = i;
  auto* rh = reinterpret_cast<RTCRayHit*>(args->rayhit);
  // Embree's bound stays at or beyond the hit, rounded to single precision.
  rh->ray.tfar = float(h.t * (1 + 1e-6));
  rh->hit.primID = i;
  rh->hit.geomID = args->geomID;
}

void occluded(const RTCOccludedFunctionNArguments* args) {
  if (!args->valid[0]) return;
  auto* c = reinterpret_cast<context*>(args->context);
  auto* shapes = static_cast<const shape*>(args->geometryUserPtr);
  const shape& s = shapes[args->primID];
  if (s.flags & faint) return;
  hit h;
  if (nearest_hit(s, *c->q, c->tmin, c->tmax, h)) {
    reinterpret_cast<RTCRay*>(args->ray)->tfar = -INFINITY;
  }
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

}  // namespace

void build_scene(rod_scene& out, std::vector<shape>&& shapes) {
  out.shapes = std::move(shapes);
  out.scene = rtcNewScene(device());
  // A better hierarchy pays for its time below a few hundred thousand
  // shapes; more are built quickly.
  rtcSetSceneBuildQuality(out.scene, out.shapes.size() < many_shapes
                                         ? RTC_BUILD_QUALITY_HIGH
                                         : RTC_BUILD_QUALITY_MEDIUM);
  RTCGeometry g = rtcNewGeometry(device(), RTC_GEOMETRY_TYPE_USER);
  rtcSetGeometryUserPrimitiveCount(g, unsigned(out.shapes.size()));
  rtcSetGeometryUserData(g, out.shapes.data());
  rtcSetGeometryBoundsFunction(g, bounds, nullptr);
  rtcSetGeometryIntersectFunction(g, intersect);
  rtcSetGeometryOccludedFunction(g, occluded);
  rtcCommitGeometry(g);
  rtcAttachGeometry(out.scene, g);
  rtcReleaseGeometry(g);
  rtcCommitScene(out.scene);
}

void drop_scene(rod_scene& s) {
  if (s.scene) rtcReleaseScene(s.scene);
  s.scene = nullptr;
}

bool trace(const rod_scene& s, const ray& q, double tmin, hit& h,
           unsigned& index) {
  if (s.shapes.empty()) return false;
  context c;
  rtcInitIntersectContext(&c.base);
  c.q = &q;
  c.tmin = tmin;
  c.best.t = INFINITY;
  c.index = std::numeric_limits<unsigned>::max();
  RTCRayHit rh{};
  rh.ray = embree_ray(q, tmin, INFINITY);
  rh.hit.geomID = RTC_INVALID_GEOMETRY_ID;
  rtcIntersect1(s.scene, &c.base, &rh);
  if (c.best.t == INFINITY) return false;
  h = c.best;
  index = c.index;
  return true;
}

bool blocked(const rod_scene& s, const ray& q, double tmin, double tmax) {
  if (s.shapes.empty()) return false;
  context c;
  rtcInitIntersectContext(&c.base);
  c.q = &q;
  c.tmin = tmin;
  c.tmax = tmax;
  RTCRay r = embree_ray(q, tmin, tmax);
  rtcOccluded1(s.scene, &c.base, &r);
  return r.tfar == -INFINITY;
}

}  // namespace rodscene::render
