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

// A sample, and its channels as the picture writes them (by the sRGB
// curve), which anti-aliasing compares.
struct taken {
  sample s;
  double e[4];
};

double encoded(double c) {
  c = std::clamp(c, 0.0, 1.0);
  return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

taken take(const world& w, const view& v, double x, double y) {
  sample s = at(w, v, x, y);
  return {s, {encoded(s.r), encoded(s.g), encoded(s.b), s.a}};
}

// The distance between two samples as written, summed over the channels.
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

// f(x + shift, y + shift) for every point of a grid of the given size,
// point (0, 0) first.
template <class T, class F>
std::vector<T> points(int cols, int rows, double shift, int threads, F f) {
  std::vector<T> out(std::size_t(cols) * rows);
  each_row(rows, threads, [&](int y) {
    for (int x = 0; x < cols; ++x) {
      out[std::size_t(y) * cols + x] = f(x + shift, y + shift);
    }
  });
  return out;
}

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

std::vector<sample> normal_picture(const world& w, const view& v, int threads) {
  auto centres =
      points<taken>(v.width, v.height, 0.5, threads,
                    [&](double x, double y) { return take(w, v, x, y); });
  std::vector<sample> out(centres.size());
  each_row(v.height, threads, [&](int y) {
    for (int x = 0; x < v.width; ++x) {
      std::size_t i = std::size_t(y) * v.width + x;
      out[i] = centres[i].s;
      if (!differs(centres, v, x, y)) continue;
      // The grid's rays, and the centre's once more.
      sample s[grid * grid + 1];
      for (int k = 0; k < grid * grid; ++k) {
        s[k] =
            at(w, v, x + (k % grid + 0.5) / grid, y + (k / grid + 0.5) / grid);
      }
      s[grid * grid] = centres[i].s;
      out[i] = mean(s, grid * grid + 1);
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
  taken s[cells + 1][cells + 1];  // only those known are set
  bool known[cells + 1][cells + 1];

  lattice(const world& w, const view& v, int x, int y)
      : w(w), v(v), x(x), y(y) {
    std::fill(&known[0][0], &known[0][0] + (cells + 1) * (cells + 1), false);
  }

  const taken& get(int i, int j) {
    if (!known[j][i]) {
      s[j][i] = take(w, v, x + double(i) / cells, y + double(j) / cells);
      known[j][i] = true;
    }
    return s[j][i];
  }
};

// The mean over the square of side size (in lattice steps) at (i, j),
// halved while its corners differ.
sample square(lattice& p, int i, int j, int size, int level) {
  const taken* c[4] = {&p.get(i, j), &p.get(i + size, j), &p.get(i, j + size),
                       &p.get(i + size, j + size)};
  bool split = false;
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b)
      split = split || distance(*c[a], *c[b]) > final_threshold;
  if (!split || level >= final_depth) {
    sample corners[4] = {c[0]->s, c[1]->s, c[2]->s, c[3]->s};
    return mean(corners, 4);
  }
  int h = size / 2;
  sample parts[4];
  for (int k = 0; k < 4; ++k) {
    parts[k] = square(p, i + (k % 2) * h, j + (k / 2) * h, h, level + 1);
  }
  return mean(parts, 4);
}

std::vector<sample> final_picture(const world& w, const view& v, int threads) {
  int cols = v.width + 1;
  auto corners =
      points<taken>(cols, v.height + 1, 0.0, threads,
                    [&](double x, double y) { return take(w, v, x, y); });
  std::vector<sample> out(std::size_t(v.width) * v.height);
  each_row(v.height, threads, [&](int y) {
    lattice left(w, v, -1, y);
    for (int x = 0; x < v.width; ++x) {
      std::size_t i = std::size_t(y) * cols + x;
      lattice p(w, v, x, y);
      // The left edge's samples are the last pixel's right edge's.
      for (int j = 0; j <= cells; ++j) {
        p.s[j][0] = left.s[j][cells];
        p.known[j][0] = left.known[j][cells];
      }
      p.s[0][0] = corners[i];
      p.s[0][cells] = corners[i + 1];
      p.s[cells][0] = corners[i + cols];
      p.s[cells][cells] = corners[i + cols + 1];
      p.known[0][0] = p.known[0][cells] = true;
      p.known[cells][0] = p.known[cells][cells] = true;
      out[std::size_t(y) * v.width + x] = square(p, 0, 0, cells, 1);
      for (int j = 0; j <= cells; ++j) {
        left.s[j][cells] = p.s[j][cells];
        left.known[j][cells] = p.known[j][cells];
      }
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
  return points<sample>(v.width, v.height, 0.5, threads,
                        [&](double x, double y) { return at(w, v, x, y); });
}

}  // namespace rodscene::render
