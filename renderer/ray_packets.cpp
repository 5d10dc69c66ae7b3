// Neighbouring rays traced together, for the draft's rays through pixel
// centres: Embree walks its hierarchy once for the packet, and each ray
// the packet offers a shape is solved exactly, as a lone ray is, with
// ties to the lower index, so the surfaces found are those rays traced
// one by one find.
#include <cmath>
#include <limits>

#include "scene_rays.hpp"

namespace rodscene::render {

struct packet {
  const ray* q;
  int n;
  hit best[lanes_at_once];
  unsigned index[lanes_at_once];
};

void intersect_lanes(const RTCIntersectFunctionNArguments* args) {
  auto* c = reinterpret_cast<context*>(args->context);
  auto* part_of = static_cast<const part*>(args->geometryUserPtr);
  packet& p = *c->lanes;
  unsigned i = id_of(*part_of, args->primID);
  RTCRayN* rays = RTCRayHitN_RayN(args->rayhit, args->N);
  for (unsigned k = 0; k < args->N; ++k) {
    if (!args->valid[k]) continue;
    // Embree may hand the packet on in narrower groups, or a ray alone:
    // each ray carries its lane as its id.
    unsigned lane = RTCRayN_id(rays, args->N, k);
    if (lane >= unsigned(p.n)) continue;
    if (nearer(*part_of, i, p.q[lane], 0.0, p.best[lane], p.index[lane])) {
      RTCRayN_tfar(rays, args->N, k) = beyond(p.best[lane].t);
    }
  }
}

void nearest_solids(const rod_scene& s, const ray* q, int n, meeting* out,
                    bool* found) {
  packet p;
  p.q = q;
  p.n = n;
  alignas(32) int valid[lanes_at_once];
  RTCRayHit8 rh{};
  for (int k = 0; k < lanes_at_once; ++k) {
    valid[k] = k < n ? -1 : 0;
    p.best[k].t = INFINITY;
    p.index[k] = std::numeric_limits<unsigned>::max();
    if (k >= n) continue;
    RTCRay r = embree_ray(q[k], 0.0, INFINITY);
    rh.ray.org_x[k] = r.org_x;
    rh.ray.org_y[k] = r.org_y;
    rh.ray.org_z[k] = r.org_z;
    rh.ray.dir_x[k] = r.dir_x;
    rh.ray.dir_y[k] = r.dir_y;
    rh.ray.dir_z[k] = r.dir_z;
    rh.ray.tnear[k] = r.tnear;
    rh.ray.tfar[k] = r.tfar;
    rh.ray.mask[k] = r.mask;
    rh.ray.id[k] = unsigned(k);
    rh.hit.geomID[k] = RTC_INVALID_GEOMETRY_ID;
  }
  if (s.solid.scene) {
    context c;
    rtcInitIntersectContext(&c.base);
    c.base.flags = RTC_INTERSECT_CONTEXT_FLAG_COHERENT;
    c.lanes = &p;
    rtcIntersect8(valid, s.solid.scene, &c.base, &rh);
  }
  for (int k = 0; k < n; ++k) {
    found[k] = p.best[k].t < INFINITY;
    out[k] = {p.best[k], p.index[k]};
  }
}

}  // namespace rodscene::render
