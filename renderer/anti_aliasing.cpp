#include "anti_aliasing.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

namespace rodscene::render {
namespace {

constexpr double normal_threshold = 0.3;
constexpr double final_threshold = 0.05;
constexpr int grid = 3;         // a normal pixel's supersampling grid
constexpr int final_depth = 3;  // a final pixel's levels of halving

// Runs row(y) for every y below rows on the given number of threads.
void each_row(int rows, int threads, const std::function<void(int)>& row) {
  std::atomic<int> next{0};
  auto work = [&] {
    for (int y = next++; y < rows; y = next++)
      row(y);
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t)
    pool.emplace_back(work);
  work();
  for (auto& t : pool)
    t.join();
}

sample at(const world& w, const view& v, double x, double y) {
  return shade(w, camera_ray(v, x, y));
}

// The distance between two colours as the picture writes them, by the
// sRGB curve, summed over the channels: what anti-aliasing tests.
double encoded(double c) {
  c = std::clamp(c, 0.0, 1.0);
  return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

double encoded_distance(const sample& p, const sample& q) {
  return std::fabs(encoded(p.r) - encoded(q.r)) +
         std::fabs(encoded(p.g) - encoded(q.g)) +
         std::fabs(encoded(p.b) - encoded(q.b)) + std::fabs(p.a - q.a);
}

sample mean(const sample* s, int n) {
  sample m;
  for (int i = 0; i < n; ++i) {
    m = {m.r + s[i].r, m.g + s[i].g, m.b + s[i].b, m.a + s[i].a};
  }
  return {m.r / n, m.g / n, m.b / n, m.a / n};
}

// Samples at points (x + dx, y + dy) for every pixel of a grid of the
// given size, pixel (0, 0) first.
std::vector<sample> points(const world& w, const view& v, int cols, int rows,
                           double shift, int threads) {
  std::vector<sample> out(std::size_t(cols) * rows);
  each_row(rows, threads, [&](int y) {
    for (int x = 0; x < cols; ++x) {
      out[std::size_t(y) * cols + x] = at(w, v, x + shift, y + shift);
    }
  });
  return out;
}

bool differs(const std::vector<sample>& c, const view& v, int x, int y) {
  const sample& s = c[std::size_t(y) * v.width + x];
  int nx[] = {x - 1, x + 1, x, x}, ny[] = {y, y, y - 1, y + 1};
  for (int k = 0; k < 4; ++k) {
    if (nx[k] < 0 || ny[k] < 0 || nx[k] >= v.width || ny[k] >= v.height)
      continue;
    if (encoded_distance(s, c[std::size_t(ny[k]) * v.width + nx[k]]) >
        normal_threshold)
      return true;
  }
  return false;
}

std::vector<sample> normal_picture(const world& w, const view& v, int threads) {
  auto centres = points(w, v, v.width, v.height, 0.5, threads);
  std::vector<sample> out(centres);
  each_row(v.height, threads, [&](int y) {
    for (int x = 0; x < v.width; ++x) {
      if (!differs(centres, v, x, y)) continue;
      // The grid's rays, and the centre's once more.
      sample s[grid * grid + 1];
      for (int k = 0; k < grid * grid; ++k) {
        s[k] =
            at(w, v, x + (k % grid + 0.5) / grid, y + (k / grid + 0.5) / grid);
      }
      s[grid * grid] = centres[std::size_t(y) * v.width + x];
      out[std::size_t(y) * v.width + x] = mean(s, grid * grid + 1);
    }
  });
  return out;
}

// A final pixel's samples on its finest lattice, a quarter pixel apart,
// each taken once however many squares share it.
constexpr int cells = 1 << (final_depth - 1);

struct lattice {
  const world& w;
  const view& v;
  int x, y;
  sample s[cells + 1][cells + 1];
  bool known[cells + 1][cells + 1] = {};

  const sample& get(int i, int j) {
    if (!known[j][i]) {
      s[j][i] = at(w, v, x + double(i) / cells, y + double(j) / cells);
      known[j][i] = true;
    }
    return s[j][i];
  }
};

// The mean over the square of side size (in lattice steps) at (i, j),
// halved while its corners differ.
sample square(lattice& p, int i, int j, int size, int level) {
  sample c[4] = {p.get(i, j), p.get(i + size, j), p.get(i, j + size),
                 p.get(i + size, j + size)};
  bool split = false;
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b)
      split = split || encoded_distance(c[a], c[b]) > final_threshold;
  if (!split || level >= final_depth) return mean(c, 4);
  int h = size / 2;
  sample parts[4];
  for (int k = 0; k < 4; ++k) {
    parts[k] = square(p, i + (k % 2) * h, j + (k / 2) * h, h, level + 1);
  }
  return mean(parts, 4);
}

std::vector<sample> final_picture(const world& w, const view& v, int threads) {
  int cols = v.width + 1;
  auto corners = points(w, v, cols, v.height + 1, 0.0, threads);
  std::vector<sample> out(std::size_t(v.width) * v.height);
  each_row(v.height, threads, [&](int y) {
    for (int x = 0; x < v.width; ++x) {
      std::size_t i = std::size_t(y) * cols + x;
      lattice p{w, v, x, y, {}, {}};
      p.s[0][0] = corners[i];
      p.s[0][cells] = corners[i + 1];
      p.s[cells][0] = corners[i + cols];
      p.s[cells][cells] = corners[i + cols + 1];
      p.known[0][0] = p.known[0][cells] = true;
      p.known[cells][0] = p.known[cells][cells] = true;
      out[std::size_t(y) * v.width + x] = square(p, 0, 0, cells, 1);
    }
  });
  return out;
}

}  // namespace

std::vector<sample> sample_picture(const world& w, const view& v, quality q,
                                   int threads) {
  threads = std::max(1, threads);
  if (q == quality::normal) return normal_picture(w, v, threads);
  if (q == quality::final) return final_picture(w, v, threads);
  return points(w, v, v.width, v.height, 0.5, threads);
}

}  // namespace rodscene::render
