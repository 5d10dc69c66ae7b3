#include "renderer.hpp"

#include <array>
#include <map>

#include "image.hpp"

namespace rodscene::render {
namespace {

vec point(const double* p) {
  return {p[0], p[1], p[2]};
}

material plain(rgb c, double transmit) {
  return {float(c.r),
          float(c.g),
          float(c.b),
          float(default_ambient),
          float(default_diffuse),
          float(transmit)};
}

material rod_material(const rods_input& in, std::size_t i) {
  const double* c = in.colours + 3 * i;
  const double* f = in.finishes + 2 * i;
  bool faded = in.faint && in.faint[i];
  return {float(c[0]), float(c[1]), float(c[2]),
          float(f[0]), float(f[1]), float(faded ? faint_transmit : 0.0)};
}

// Rods of few colours share materials; past this many, each rod has its
// own, which costs less than finding its twin among them.
constexpr std::size_t shared_materials = 4096;

// The materials, and each rod's.
std::vector<material> materials_of(const rods_input& in,
                                   std::vector<std::uint32_t>& of) {
  std::vector<material> m{plain(in.cap_colour, 0),
                          plain(in.cap_colour, faint_transmit),
                          plain(in.edge_colour, 0)};
  std::map<std::array<float, 6>, std::uint32_t> seen;
  of.resize(in.count);
  for (std::size_t i = 0; i < in.count; ++i) {
    material r = rod_material(in, i);
    std::array<float, 6> k{r.r, r.g, r.b, r.ambient, r.diffuse, r.transmit};
    auto [at, added] = seen.try_emplace(k, std::uint32_t(m.size()));
    if (added) m.push_back(r);
    of[i] = at->second;
    if (seen.size() > shared_materials) break;
  }
  if (seen.size() <= shared_materials) return m;
  m.resize(first_rod_material);
  for (std::size_t i = 0; i < in.count; ++i) {
    of[i] = std::uint32_t(m.size());
    m.push_back(rod_material(in, i));
  }
  return m;
}

std::vector<shape> shapes_of(const rods_input& in,
                             const std::vector<std::uint32_t>& of) {
  std::vector<shape> s;
  s.reserve(in.count + in.edge_count);
  for (std::size_t i = 0; i < in.count; ++i) {
    bool faded = in.faint && in.faint[i];
    shape r = rod(point(in.ends + 6 * i), point(in.ends + 6 * i + 3),
                  float(faded ? in.faint_radius : in.radius), of[i],
                  (in.round ? round_ends : 0) | (faded ? faint : 0));
    if (in.caps) {
      r.cap = point(in.caps + 3 * i);
      r.cap_r = float(in.cap_radius);
      r.flags |= has_cap;
    }
    s.push_back(r);
  }
  for (std::size_t j = 0; j < in.edge_count; ++j) {
    s.push_back(rod(point(in.edges + 6 * j), point(in.edges + 6 * j + 3),
                    float(in.edge_radius), edge_material, 0));
  }
  return s;
}

}  // namespace

std::vector<std::uint8_t> render_rods(const rods_input& in, const view& v,
                                      const lighting& light, quality q,
                                      int threads, stopper& stop) {
  std::vector<std::uint32_t> of;
  std::vector<material> materials = materials_of(in, of);
  rod_scene scene;
  std::vector<shape> shapes = shapes_of(in, of);
  of = {};
  build_scene(scene, std::move(shapes));
  std::vector<sample> samples =
      sample_picture({scene, materials, light}, prepared(v), q, threads, stop);
  drop_scene(scene);
  return encode(samples, light.transparent);
}

}  // namespace rodscene::render
