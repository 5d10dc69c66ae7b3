#include "anti_aliasing.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "sampling.hpp"

namespace rodscene::render {

namespace {

constexpr double normal_threshold = 0.3;
std::atomic<unsigned> halt_count{0};  // halt_renders's calls so far
constexpr int grid = 3;               // a normal pixel's supersampling grid

double encoded(double c) {
  c = std::clamp(c, 0.0, 1.0);
  return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

taken written(const sample& s) {
  return {s, {encoded(s.r), encoded(s.g), encoded(s.b), s.a}};
}

bool same(const sample& p, const sample& q) {
  return p.r == q.r && p.g == q.g && p.b == q.b && p.a == q.a;
}

}  // namespace

void halt_renders() {
  ++halt_count;
}

stopper::stopper(std::function<bool()> ask)
    : ask(std::move(ask)), halts(halt_count) {}

bool stopper::now() {
  if (gave_up) return true;
  if (halt_count != halts || (ask && ask())) gave_up = true;
  return gave_up;
}

sampler::sampler(const world& w, const view& v, stopper& stop)
    : w(w),
      v(v),
      stop(stop),
      background(
          written(w.light.transparent
                      ? sample{}
                      : sample{w.light.background.x, w.light.background.y,
                               w.light.background.z, 1.0})) {}

sample sampler::at(double x, double y) const {
  return shade(w, camera_ray(v, x, y));
}

taken sampler::take(double x, double y) const {
  sample s = at(x, y);
  return same(s, background.s) ? background : written(s);
}

void sampler::row(double x0, double y, int n, sample* out) const {
  ray q[lanes_at_once];
  meeting met[lanes_at_once];
  bool found[lanes_at_once];
  for (int x = 0; x < n; x += lanes_at_once) {
    int m = std::min(lanes_at_once, n - x);
    for (int k = 0; k < m; ++k)
      q[k] = camera_ray(v, x0 + x + k, y);
    nearest_solids(w.scene, q, m, met, found);
    for (int k = 0; k < m; ++k)
      out[x + k] = shade_first(w, q[k], found[k] ? &met[k] : nullptr);
  }
}

void sampler::take_row(double x0, double y, int n, taken* out) const {
  sample s[lanes_at_once];
  for (int x = 0; x < n; x += lanes_at_once) {
    int m = std::min(lanes_at_once, n - x);
    row(x0 + x, y, m, s);
    for (int k = 0; k < m; ++k)
      out[x + k] = same(s[k], background.s) ? background : written(s[k]);
  }
}

double distance(const taken& p, const taken& q) {
  return std::fabs(p.e[0] - q.e[0]) + std::fabs(p.e[1] - q.e[1]) +
         std::fabs(p.e[2] - q.e[2]) + std::fabs(p.e[3] - q.e[3]);
}

sample mean(const sample* s, int n) {
  sample m;
  for (int i = 0; i < n; ++i) {
    m = {m.r + s[i].r, m.g + s[i].g, m.b + s[i].b, m.a + s[i].a};
  }
  return {m.r / n, m.g / n, m.b / n, m.a / n};
}

void each_row(int rows, int threads, stopper& stop,
              const std::function<void(int)>& row) {
  std::atomic<int> next{0};
  auto work = [&] {
    for (int y = next++; y < rows && !stop.now(); y = next++)
      row(y);
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < std::min(threads, rows); ++t)
    pool.emplace_back(work);
  work();
  for (auto& t : pool)
    t.join();
}

namespace {

bool differs(const std::vector<taken>& c, const view& v, int x, int y) {
  const taken& s = c[std::size_t(y) * v.width + x];
  int nx[] = {x - 1, x + 1, x, x}, ny[] = {y, y, y - 1, y + 1};
  for (int k = 0; k < 4; ++k) {
    if (nx[k] < 0 || ny[k] < 0 || nx[k] >= v.width || ny[k] >= v.height)
      continue;
    if (distance(s, c[std::size_t(ny[k]) * v.width + nx[k]]) > normal_threshold)
      return true;
  }
  return false;
}

std::vector<sample> normal_picture(const sampler& p, int threads) {
  const view& v = p.v;
  std::vector<taken> centres(std::size_t(v.width) * v.height);
  each_row(v.height, threads, p.stop, [&](int y) {
    p.take_row(0.5, y + 0.5, v.width,
               centres.data() + std::size_t(y) * v.width);
  });
  std::vector<sample> out(centres.size());
  each_row(v.height, threads, p.stop, [&](int y) {
    for (int x = 0; x < v.width; ++x) {
      std::size_t i = std::size_t(y) * v.width + x;
      out[i] = centres[i].s;
      if (!differs(centres, v, x, y)) continue;
      // The grid's rays, and the centre's once more.
      sample s[grid * grid + 1];
      for (int k = 0; k < grid * grid; ++k) {
        s[k] = p.at(x + (k % grid + 0.5) / grid, y + (k / grid + 0.5) / grid);
      }
      s[grid * grid] = centres[i].s;
      out[i] = mean(s, grid * grid + 1);
    }
  });
  return out;
}

}  // namespace

std::vector<sample> sample_picture(const world& w, const view& v, quality q,
                                   int threads, stopper& stop) {
  threads = std::max(1, threads);
  sampler p(w, v, stop);
  if (q == quality::normal) return normal_picture(p, threads);
  if (q == quality::final) return final_picture(p, threads);
  std::vector<sample> out(std::size_t(v.width) * v.height);
  each_row(v.height, threads, p.stop, [&](int y) {
    p.row(0.5, y + 0.5, v.width, out.data() + std::size_t(y) * v.width);
  });
  return out;
}

}  // namespace rodscene::render
