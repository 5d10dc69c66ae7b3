#include "bench_inputs.hpp"

#include <cstdio>
#include <random>
#include <sstream>

namespace rodscene {
namespace {

std::vector<long double> site_values(int sites) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> pos(-50, 50), dir(-1, 1);
  std::vector<long double> v;
  for (int i = 0; i < sites; ++i) {
    for (int j = 0; j < 3; ++j)
      v.push_back(pos(rng));
    for (int j = 0; j < 3; ++j)
      v.push_back(dir(rng));
  }
  return v;
}

}  // namespace

std::vector<long double> glyph_values(int n) {
  std::vector<long double> site = site_values(n / 6 + 1), v;
  const long double cap = 8.15f;
  for (std::size_t i = 0; v.size() < static_cast<std::size_t>(n); i += 6) {
    for (int j = 0; j < 3; ++j) {
      long double p = site[i + j], d = site[i + 3 + j];
      v.push_back(p - 8 * d);
      v.push_back(p + 8 * d);
      v.push_back(p - cap * d);
    }
  }
  v.resize(static_cast<std::size_t>(n));
  return v;
}

std::vector<std::string> config_tokens(int sites) {
  std::vector<std::string> tokens;
  char text[32];
  for (long double v : site_values(sites)) {
    std::snprintf(text, sizeof text, "%.8f", static_cast<double>(v));
    tokens.emplace_back(text);
  }
  return tokens;
}

std::string config_text(int sites) {
  std::string text = "    3370     160.0000      99.0000      92.0000\n";
  std::vector<std::string> tokens = config_tokens(sites);
  char field[32];
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    std::snprintf(field, sizeof field, "%14s", tokens[i].c_str());
    text += field;
    text += (i % 6 == 5) ? '\n' : ' ';
  }
  return text;
}

}  // namespace rodscene
