// A whole conversion of a full 3370-record file in process: reading from a
// stream, scanning and writing every glyph to /dev/null.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench_inputs.hpp"
#include "config_reader.hpp"
#include "glyph.hpp"
#include "scene_writer.hpp"

namespace rodscene {
namespace {

// The configuration text in a temporary file, as the programs read it.
std::FILE* config_file(const std::string& text) {
  std::FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  return f;
}

void BM_read_sites(benchmark::State& state) {
  const std::string text = config_text(3370);
  auto table = std::make_unique<site_table>();
  auto reader = std::make_unique<config_reader>();
  std::FILE* f = config_file(text);
  for (auto _ : state) {
    std::rewind(f);
    start_reader(*reader, f);
    read_report report;
    read_sites(*reader, *table, report);
    benchmark::DoNotOptimize(report);
  }
  std::fclose(f);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_read_sites)->Unit(benchmark::kMicrosecond);

void BM_write_glyphs(benchmark::State& state) {
  const std::string text = config_text(3370);
  auto table = std::make_unique<site_table>();
  std::FILE* f = config_file(text);
  std::rewind(f);
  auto reader = std::make_unique<config_reader>();
  start_reader(*reader, f);
  read_report report;
  read_sites(*reader, *table, report);
  std::fclose(f);
  auto w = std::make_unique<scene_writer>();
  static char buffer[1 << 16];
  start_writer(*w, std::fopen("/dev/null", "w"), buffer, sizeof buffer);
  const site_table& t = *table;
  for (auto _ : state) {
    for (int k = 0; k < 3360; ++k) {
      const long double* position[3] = {&t.x[k], &t.y[k], &t.z[k]};
      const long double* direction[3] = {&t.phi1[k], &t.phi2[k], &t.phi3[k]};
      write_glyph(*w, position, direction, cylinder_colour::teal);
    }
    flush(*w);
  }
  finish_writer(*w);
  state.SetBytesProcessed(state.iterations() * 3360 * 486);
}
BENCHMARK(BM_write_glyphs)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace rodscene

BENCHMARK_MAIN();
