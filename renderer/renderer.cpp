#include "renderer.hpp"

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

std::vector<material> materials_of(const rods_input& in) {
  std::vector<material> m{plain(in.cap_colour, 0),
                          plain(in.cap_colour, faint_transmit),
                          plain(in.edge_colour, 0)};
  m.reserve(first_rod_material + in.count);
  for (std::size_t i = 0; i < in.count; ++i) {
    const double* c = in.colours + 3 * i;
    const double* f = in.finishes + 2 * i;
    bool faded = in.faint && in.faint[i];
    m.push_back({float(c[0]), float(c[1]), float(c[2]), float(f[0]),
                 float(f[1]), float(faded ? faint_transmit : 0.0)});
  }
  return m;
}

std::vector<shape> shapes_of(const rods_input& in) {
  std::vector<shape> s;
  s.reserve(in.count + in.edge_count);
  for (std::size_t i = 0; i < in.count; ++i) {
    shape r = rod(
        point(in.ends + 6 * i), point(in.ends + 6 * i + 3), float(in.radius),
        std::uint32_t(first_rod_material + i),
        (in.round ? round_ends : 0) | (in.faint && in.faint[i] ? faint : 0));
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
                                      int threads) {
  std::vector<material> materials = materials_of(in);
  rod_scene scene;
  build_scene(scene, shapes_of(in));
  std::vector<sample> samples =
      sample_picture({scene, materials, light}, prepared(v), q, threads);
  drop_scene(scene);
  return encode(samples, light.transparent);
}

}  // namespace rodscene::render
