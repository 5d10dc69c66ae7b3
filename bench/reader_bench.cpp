// The reader's number conversion against strtold on the same tokens.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_inputs.hpp"
#include "number_text.hpp"

namespace rodscene {
namespace {

const std::vector<std::string>& tokens() {
  static const std::vector<std::string> t = config_tokens(3370);
  return t;
}

void BM_parse_number(benchmark::State& state) {
  long double v;
  for (auto _ : state) {
    for (const std::string& t : tokens()) {
      parse_number(t.data(), t.data() + t.size(), &v);
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(tokens().size()));
}
BENCHMARK(BM_parse_number);

// The reader's path for the common shape, as it meets the tokens: one after
// another in a line of text, blanks between them.
void BM_parse_plain_prefix(benchmark::State& state) {
  std::string text;
  std::vector<std::size_t> starts;
  for (const std::string& t : tokens()) {
    starts.push_back(text.size());
    text += t + "  ";
  }
  text.append(plain_reach, ' ');
  for (auto _ : state) {
    for (std::size_t at : starts) {
      const char* end;
      long double v = parse_plain_prefix(text.data() + at, &end);
      benchmark::DoNotOptimize(v);
      benchmark::DoNotOptimize(end);
    }
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(starts.size()));
}
BENCHMARK(BM_parse_plain_prefix);

void BM_strtold(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& t : tokens()) {
      long double v = std::strtold(t.c_str(), nullptr);
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(tokens().size()));
}
BENCHMARK(BM_strtold);

int check_values() {
  int differ = 0;
  for (const std::string& t : tokens()) {
    long double ours = 0, theirs = std::strtold(t.c_str(), nullptr);
    parse_number(t.data(), t.data() + t.size(), &ours);
    if (std::memcmp(&ours, &theirs, 10) != 0) ++differ;
  }
  std::printf("tokens: %zu, values differing from strtold: %d\n",
              tokens().size(), differ);
  return differ;
}

}  // namespace
}  // namespace rodscene

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (rodscene::check_values() != 0) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
