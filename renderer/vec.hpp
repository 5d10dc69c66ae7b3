// Three-component vectors in double precision for the renderer's rays,
// hits and colours.
#pragma once

#include <cmath>

namespace rodscene::render {

struct vec {
  double x = 0, y = 0, z = 0;
};

inline vec operator+(vec a, vec b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline vec operator-(vec a, vec b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline vec operator*(vec a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline vec operator*(vec a, vec b) {
  return {a.x * b.x, a.y * b.y, a.z * b.z};
}
inline double dot(vec a, vec b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline double length(vec a) {
  return std::sqrt(dot(a, a));
}
inline vec unit(vec a) {
  return a * (1.0 / length(a));
}

}  // namespace rodscene::render
