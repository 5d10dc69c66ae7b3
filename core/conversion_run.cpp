#include "conversion_run.hpp"

#include <cinttypes>
#include <cstdio>
#include <cstring>

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

// Fixed storage, zero at start as the table must be: the run allocates
// nothing, so it cannot fail for want of memory once it has started.
site_table table;
config_reader reader;
read_report report;
scene_writer writer;

void print_empty_slots(const char* program, std::int64_t records) {
  if (records >= scan_count) return;
  std::int64_t empty = scan_count - records;
  bool one = empty == 1;
  std::fprintf(stderr,
               "%s: %s: %" PRId64 " data record%s: %" PRId64
               " of the %d drawn slots %s no record and %s drawn as %s at "
               "the origin\n",
               program, config_file_name, records, plural(records), empty,
               scan_count, one ? "holds" : "hold", one ? "is" : "are",
               one ? "a zero glyph" : "zero glyphs");
}

void print_read_warnings(const char* program) {
  print_warnings(stderr, program, config_file_name, report.warnings);
  if (report.ignored_records > 0) {
    std::fprintf(
        stderr, "%s: %s: ignored %" PRId64 " data record%s past the first %d\n",
        program, config_file_name, report.ignored_records,
        plural(report.ignored_records), site_capacity);
  }
  print_empty_slots(program, report.data_records);
}

}  // namespace

int run_conversion(const converter_variant& v) {
  read_site_table(reader, table, report);
  if (failed(report.failure)) {
    return report_failure(v.program, report.failure, config_file_name);
  }
  print_read_warnings(v.program);

  // Reading is over: its buffer serves the writer, so the run touches no
  // fresh memory for it.
  scene_writer& w = writer;
  start_writer(w, stdout, reader.buffer, sizeof reader.buffer);
  for (int k = 0; k < scan_count && !failed(w.failure); ++k) {
    long double z = table.z[k];
    if (!(z < v.z_upper && z > v.z_lower)) continue;
    const long double* position[3] = {&table.x[k], &table.y[k], &table.z[k]};
    const long double* direction[3] = {&table.phi1[k], &table.phi2[k],
                                       &table.phi3[k]};
    write_glyph(w, position, direction, colour_of(v.rule, z));
  }
  io_failure f = finish_writer(w);
  if (failed(f)) return report_failure(v.program, f, output_name);
  return 0;
}

}  // namespace rodscene
