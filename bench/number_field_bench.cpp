// number_field against the platform's "%.20Le" on the same values, with a
// check that both give the same digits.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_inputs.hpp"
#include "number_field.hpp"

namespace rodscene {
namespace {

const std::vector<long double>& values() {
  static const std::vector<long double> v = glyph_values(30000);
  return v;
}

void BM_number_field(benchmark::State& state) {
  char out[field_width];
  for (auto _ : state) {
    for (long double v : values()) {
      number_field(v, out);
      benchmark::DoNotOptimize(out);
    }
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(values().size()));
}
BENCHMARK(BM_number_field);

void BM_snprintf_Le(benchmark::State& state) {
  char out[64];
  for (auto _ : state) {
    for (long double v : values()) {
      std::snprintf(out, sizeof out, "%.20Le", v);
      benchmark::DoNotOptimize(out);
    }
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(values().size()));
}
BENCHMARK(BM_snprintf_Le);

// Reports (once) any value whose 21 digits differ between the two.
int check_digits() {
  int differ = 0;
  for (long double v : values()) {
    char ours[field_width + 1] = {}, theirs[64];
    number_field(v, ours);
    std::snprintf(theirs, sizeof theirs, "%.20Le", v);
    const char* p = ours;
    while (*p == ' ' || *p == '-')
      ++p;
    std::string a, b;
    for (; *p && *p != 'E'; ++p)
      if (*p != '.') a += *p;
    for (const char* q = theirs; *q && *q != 'e'; ++q) {
      if (*q >= '0' && *q <= '9') b += *q;
    }
    a.erase(0, a.find_first_not_of('0'));
    if (a.compare(0, 21, b) != 0) ++differ;
  }
  std::printf("values: %zu, digits differing from snprintf: %d\n",
              values().size(), differ);
  return differ;
}

}  // namespace
}  // namespace rodscene

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (rodscene::check_digits() != 0) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
