#include "read_messages.hpp"

#include <cinttypes>

namespace rodscene {
namespace {

// Why records were left out, in left_out's order.
constexpr const char* left_out_reason[left_out_kinds] = {
    "with values missing", "with a position that is not finite",
    "with a zero or non-finite direction"};

constexpr const char* item_texts[] = {
    "",
    "not a LAMMPS text dump: expected ITEM: TIMESTEP on its first line",
    "expected a whole-number timestep after ITEM: TIMESTEP",
    "expected a whole number of atoms after ITEM: NUMBER OF ATOMS",
    "expected ITEM: %s in the frame",
    "the box is tilted (xy xz yz): only orthogonal boxes are read",
    "expected atom columns x y z, xu yu zu, xs ys zs or xsu ysu zsu",
    "expected atom columns mux muy muz or quatw quati quatj quatk",
    "expected ITEM: TIMESTEP at byte %" PRId64 ", where a frame starts"};

void print_left_out(std::FILE* err, const char* program, const char* file,
                    const rod_tally& t, const char* noun) {
  for (int k = 0; k < left_out_kinds; ++k) {
    if (t.left[k] == 0) continue;
    std::fprintf(err,
                 "%s: %s:%" PRId64 ": left out %" PRId64
                 " %s%s %s (the first on this line)\n",
                 program, file, t.first_left_line[k], t.left[k], noun,
                 plural(t.left[k]), left_out_reason[k]);
  }
}

// A token's first bytes, those that are not printable ASCII escaped.
void print_token(std::FILE* err, const token_sample& token) {
  std::int64_t n = token.length < sample_size ? token.length : sample_size;
  std::fputc('"', err);
  for (std::int64_t i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(token.head[i]);
    if (c < 0x20 || c > 0x7e || c == '"' || c == '\\') {
      std::fprintf(err, "\\x%02x", c);
    } else {
      std::fputc(c, err);
    }
  }
  std::fputs(token.length > sample_size ? "...\"" : "\"", err);
}

}  // namespace

void print_rod_report(std::FILE* err, const char* program, const char* file,
                      const rod_report& report) {
  print_warnings(err, program, file, report.warnings);
  if (report.header_count >= 0 && report.header_count != report.records) {
    std::fprintf(err,
                 "%s: %s:%" PRId64 ": the header gives %" PRId64
                 " record%s, the file holds %" PRId64 "\n",
                 program, file, report.header_line, report.header_count,
                 plural(report.header_count), report.records);
  }
  const rod_tally& t = report.tally;
  if (t.not_unit > 0) {
    std::fprintf(err,
                 "%s: %s:%" PRId64 ": normalised %" PRId64
                 " direction%s not of unit length, the largest off by %.6g "
                 "(the first on this line)\n",
                 program, file, t.first_not_unit_line, t.not_unit,
                 plural(t.not_unit), t.max_deviation);
  }
  print_left_out(err, program, file, t, "record");
}

void print_dump_report(std::FILE* err, const char* program, const char* file,
                       const dump_frame& frame, const dump_report& report) {
  if (report.bad_tokens > 0) {
    std::fprintf(err, "%s: %s:%" PRId64 ": bad number ", program, file,
                 report.first_bad_line);
    print_token(err, report.first_bad);
    std::fprintf(err, " in an atom row (%" PRId64 " row%s with bad numbers)\n",
                 report.bad_tokens, plural(report.bad_tokens));
  }
  if (report.rows < frame.atoms) {
    std::fprintf(err,
                 "%s: %s: the file ends after %" PRId64 " of the %" PRId64
                 " atom rows of timestep %" PRId64 "\n",
                 program, file, report.rows, frame.atoms, frame.timestep);
  }
  print_left_out(err, program, file, report.tally, "atom row");
}

void print_dump_refusal(std::FILE* err, const char* program, const char* file,
                        dump_refusal why, std::int64_t line,
                        const char* missing, std::int64_t offset) {
  std::fprintf(err, "%s: %s:%" PRId64 ": ", program, file, line);
  const char* text = item_texts[static_cast<int>(why)];
  if (why == dump_refusal::missing_item) {
    std::fprintf(err, text, missing);
  } else if (why == dump_refusal::bad_offset) {
    std::fprintf(err, text, offset);
  } else {
    std::fputs(text, err);
  }
  std::fputc('\n', err);
}

}  // namespace rodscene
