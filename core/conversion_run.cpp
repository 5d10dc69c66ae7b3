#include "conversion_run.hpp"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "io_failure.hpp"

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

// Fixed storage, zero at start as the table must be: the run allocates
// nothing, so it cannot fail for want of memory once it has started.
site_table table;
config_reader reader;
read_report report;
scene_writer writer;

void print_empty_slots(std::FILE* err, const char* program, const char* file,
                       std::int64_t records) {
  if (records >= scan_count) return;
  std::int64_t empty = scan_count - records;
  bool one = empty == 1;
  std::fprintf(err,
               "%s: %s: %" PRId64 " data record%s: %" PRId64
               " of the %d drawn slots %s no record and %s drawn as %s at "
               "the origin\n",
               program, file, records, plural(records), empty, scan_count,
               one ? "holds" : "hold", one ? "is" : "are",
               one ? "a zero glyph" : "zero glyphs");
}

}  // namespace

void print_read_report(std::FILE* err, const char* program, const char* file,
                       const read_report& report, bool drawn_slots) {
  print_warnings(err, program, file, report.warnings);
  if (report.ignored_records > 0) {
    std::fprintf(
        err, "%s: %s: ignored %" PRId64 " data record%s past the first %d\n",
        program, file, report.ignored_records, plural(report.ignored_records),
        site_capacity);
  }
  if (drawn_slots) print_empty_slots(err, program, file, report.data_records);
}

namespace {

// The visit that writes each drawn glyph, stopping the scan once a write
// has failed; inlined into each scan that takes it.
auto glyph_writer(scene_writer& w) {
  return [&w](const long double* const* position,
              const long double* const* direction, cylinder_colour colour) {
    write_glyph(w, position, direction, colour);
    return !failed(w.failure);
  };
}

}  // namespace

void write_scene(scene_writer& w, const site_table& t,
                 const converter_variant& v) {
  for_each_drawn(t, v, glyph_writer(w));
}

// A writer without a stream whose buffer holds the whole scene: it never
// needs to write out.
std::size_t write_scene_text(char* text, const site_table& t,
                             const converter_variant& v) {
  scene_writer w;
  w.buffer = text;
  w.capacity = max_scene_size;
  write_scene(w, t, v);
  return w.used;
}

int draw_glyphs(drawn_glyph* glyphs, const site_table& t,
                const converter_variant& v) {
  int n = 0;
  // The visit gets pointers into the table's columns: the slot is the
  // position's offset in its column.
  for_each_drawn(t, v,
                 [glyphs, &n, &t](const long double* const* position,
                                  const long double* const* direction,
                                  cylinder_colour colour) {
                   glyph_coordinates(position, direction, glyphs[n].at);
                   glyphs[n].colour = colour;
                   glyphs[n++].line = t.line[position[0] - t.x];
                   return true;
                 });
  return n;
}

void note_ignored_arguments(const converter_variant& v) {
  std::fprintf(stderr,
               "%s: takes no arguments and ignores them: it reads %s in the "
               "working folder and writes the scene to standard output\n",
               v.program, config_file_name);
}

int run_conversion(const converter_variant& v) {
  read_site_table(reader, table, report, config_file_name);
  if (failed(report.failure)) {
    return report_failure(v.program, report.failure, config_file_name);
  }
  print_read_report(stderr, v.program, config_file_name, report, true);

  // Reading is over: its buffer serves the writer, so the run touches no
  // fresh memory for it. The scan is inlined here over the fixed storage:
  // calling write_scene, the optimiser folds the whole run into main, and
  // rodscene_mono measured 1% slower.
  scene_writer& w = writer;
  start_writer(w, stdout, reader.buffer, sizeof reader.buffer);
  for_each_drawn(table, v, glyph_writer(w));
  io_failure f = finish_writer(w);
  if (failed(f)) return report_failure(v.program, f, output_name);
  return 0;
}

}  // namespace rodscene
