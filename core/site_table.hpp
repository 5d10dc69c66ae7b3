// The table of sites filled from the configuration file.
#pragma once

#include <cstdint>

#include "extended.hpp"

namespace rodscene {

inline constexpr int site_capacity = 3370;

// Six parallel tables; index k holds the site of the (k+1)-th data record,
// and line[k] the line where that record's first item stands, as the reader
// counts lines (from 1, every line feed, blank lines included). A
// value-initialised table holds +0 everywhere, which is what a slot that no
// record reaches must show; its line stays 0.
struct site_table {
  long double x[site_capacity];
  long double y[site_capacity];
  long double z[site_capacity];
  long double phi1[site_capacity];
  long double phi2[site_capacity];
  long double phi3[site_capacity];
  std::int64_t line[site_capacity];
};

}  // namespace rodscene
