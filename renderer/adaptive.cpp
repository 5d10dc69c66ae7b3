// Final quality's adaptive sampling. Each thread takes a band of rows and
// goes down it: a row of pixels reuses the samples on the lattice line it
// shares with the row above, and a pixel those on its left edge, so that
// no point inside a band is traced twice. A sample depends on its point
// alone, so the picture does not depend on the bands or the threads.
#include <algorithm>

#include "sampling.hpp"

namespace rodscene::render {
namespace {

constexpr double final_threshold = 0.05;
constexpr int final_depth = 3;  // a pixel's levels of halving
constexpr int band = 32;        // the rows a thread takes at a time

// A pixel's samples on its finest lattice, a quarter pixel apart.
constexpr int cells = 1 << (final_depth - 1);

struct point {
  taken t;
  bool known = false;
};

// The lattice's points along a line of the picture: point k lies k / cells
// pixels from the left edge.
using line = std::vector<point>;

struct lattice {
  const sampler& p;
  int x, y;
  point s[cells + 1][cells + 1];  // [row][column]

  const taken& get(int i, int j) {
    point& q = s[j][i];
    if (!q.known) {
      q = {p.take(x + double(i) / cells, y + double(j) / cells), true};
    }
    return q.t;
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

// The pixels' corners along line y, nothing between them known yet.
void corners(const sampler& p, line& l, std::vector<taken>& row, int y) {
  p.take_row(0.0, y, int(row.size()), row.data());
  for (std::size_t k = 0; k < l.size(); ++k) {
    l[k].known = k % cells == 0;
    if (l[k].known) l[k].t = row[k / cells];
  }
}

// Row y of pixels between lattice lines top and bottom, whose samples it
// takes and adds to.
void pixel_row(const sampler& p, line& top, line& bottom, int y, sample* out) {
  lattice q{p, 0, y, {}};
  for (int x = 0; x < p.v.width; ++x) {
    // The left edge's samples are the last pixel's right edge's.
    for (int j = 0; j <= cells; ++j) {
      q.s[j][0] = q.s[j][cells];
      for (int i = 1; i <= cells; ++i)
        q.s[j][i].known = false;
    }
    std::size_t k = std::size_t(x) * cells;
    for (int i = 0; i <= cells; ++i) {
      q.s[0][i] = top[k + i];
      q.s[cells][i] = bottom[k + i];
    }
    q.x = x;
    out[x] = square(q, 0, 0, cells, 1);
    for (int i = 0; i <= cells; ++i)
      bottom[k + i] = q.s[cells][i];
  }
}

}  // namespace

std::vector<sample> final_picture(const sampler& p, int threads) {
  const view& v = p.v;
  std::vector<sample> out(std::size_t(v.width) * v.height);
  int bands = (v.height + band - 1) / band;
  each_row(bands, threads, p.stop, [&](int b) {
    line top(std::size_t(v.width) * cells + 1), bottom(top.size());
    std::vector<taken> row(std::size_t(v.width) + 1);
    int y = b * band, end = std::min(v.height, y + band);
    corners(p, top, row, y);
    for (; y < end && !p.stop.now(); ++y) {
      corners(p, bottom, row, y + 1);
      pixel_row(p, top, bottom, y, out.data() + std::size_t(y) * v.width);
      std::swap(top, bottom);
    }
  });
  return out;
}

}  // namespace rodscene::render
