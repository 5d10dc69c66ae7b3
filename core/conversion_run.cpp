#include "conversion_run.hpp"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>

#include "config_reader.hpp"
#include "glyph.hpp"
#include "io_failure.hpp"
#include "scene_writer.hpp"
#include "site_table.hpp"

namespace rodscene {
namespace {

constexpr int failure_status = 2;
constexpr char output_name[] = "standard output";

int report_failure(const char* program, const io_failure& f,
                   const char* subject) {
  std::fprintf(stderr, "%s: cannot %s %s: %s\n", program, f.action, subject,
               std::strerror(f.code));
  return failure_status;
}

cylinder_colour colour_of(colour_rule rule, long double z) {
  if (rule == colour_rule::split_at_zero && !(z > 0)) {
    return cylinder_colour::blue;
  }
  return cylinder_colour::teal;
}

}  // namespace

int run_conversion(const converter_variant& v) {
  auto table = std::make_unique<site_table>();
  read_report report = read_site_table(*table);
  if (failed(report.failure)) {
    return report_failure(v.program, report.failure, config_file_name);
  }
  if (report.ignored_records > 0) {
    std::fprintf(
        stderr, "%s: %s: ignored %" PRId64 " data records past the first %d\n",
        v.program, config_file_name, report.ignored_records, site_capacity);
  }

  auto w = std::make_unique_for_overwrite<scene_writer>();
  start_writer(*w, stdout);
  const site_table& t = *table;
  for (int k = 0; k < scan_count && !failed(w->failure); ++k) {
    long double z = t.z[k];
    if (!(z < v.z_upper && z > v.z_lower)) continue;
    const long double position[3] = {t.x[k], t.y[k], z};
    const long double direction[3] = {t.phi1[k], t.phi2[k], t.phi3[k]};
    write_glyph(*w, position, direction, colour_of(v.rule, z));
  }
  io_failure f = finish_writer(*w);
  if (failed(f)) return report_failure(v.program, f, output_name);
  return 0;
}

}  // namespace rodscene
