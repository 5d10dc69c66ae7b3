// What the picture's qualities share: samples taken at points of the
// picture and compared as the picture writes them, and rows of work
// shared among threads.
#pragma once

#include <functional>
#include <vector>

#include "anti_aliasing.hpp"
#include "render_camera.hpp"
#include "shading.hpp"

namespace rodscene::render {

// A sample, and its channels as the picture writes them (by the sRGB
// curve), which anti-aliasing compares.
struct taken {
  sample s;
  double e[4];
};

// The rays of one picture. The background, which most rays of a picture
// meet, is written once.
struct sampler {
  const world& w;
  const view& v;
  stopper& stop;
  taken background;

  sampler(const world& w, const view& v, stopper& stop);
  sample at(double x, double y) const;
  taken take(double x, double y) const;
  // Samples at x0, x0 + 1, ... along y, n of them, the neighbours'
  // nearest solid surfaces traced together.
  void row(double x0, double y, int n, sample* out) const;
  void take_row(double x0, double y, int n, taken* out) const;
};

// The distance between two samples as written, summed over the channels.
double distance(const taken& p, const taken& q);
sample mean(const sample* s, int n);

// Runs row(y) for every y below rows on the given number of threads,
// until stop gives up.
void each_row(int rows, int threads, stopper& stop,
              const std::function<void(int)>& row);

// Final quality: rays at the pixels' corners, each pixel's square halved
// again where its corners differ by more than 0.05, at most twice.
std::vector<sample> final_picture(const sampler& s, int threads);

}  // namespace rodscene::render
