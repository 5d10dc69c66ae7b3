#include "read_warnings.hpp"

#include <cinttypes>
#include <cstdarg>

namespace rodscene {
namespace {

// What a kind's uncounted rest is called: "and 5 more <noun> not shown".
constexpr const char* rest_noun[warning_kinds] = {
    "bad numbers", "lines with skipped numbers", "records cut short",
    "short header records"};

// One line of standard error, built whole so that it goes out in one
// write; a line too long for it is cut.
struct line_text {
  char text[256];
  int used = 0;
};

[[gnu::format(printf, 2, 3)]] void add(line_text& line, const char* format,
                                       ...) {
  int room = static_cast<int>(sizeof line.text) - line.used;
  std::va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line.text + line.used, static_cast<std::size_t>(room),
                         format, args);
  va_end(args);
  if (n > 0) line.used += n < room ? n : room - 1;
}

void add_record(line_text& line, const warning& w) {
  if (w.record == 0) {
    add(line, "the header record");
  } else {
    add(line, "record %" PRId64, w.record);
  }
}

void add_token(line_text& line, const token_sample& token) {
  int n =
      token.length < sample_size ? static_cast<int>(token.length) : sample_size;
  add(line, "\"");
  for (int i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(token.head[i]);
    if (c == '\r') {
      add(line, "\\r");
    } else if (c == '"' || c == '\\') {
      add(line, "\\%c", c);
    } else if (c < 0x20 || c > 0x7e) {
      add(line, "\\x%02x", c);
    } else {
      add(line, "%c", c);
    }
  }
  add(line, "\"");
  if (token.length > sample_size) {
    add(line, "... (%" PRId64 " bytes)", token.length);
  }
}

void add_warning_text(line_text& line, const warning& w) {
  int values = w.record == 0 ? header_values : record_values;
  switch (w.kind) {
    case warning_kind::bad_number:
      add(line, "bad number ");
      add_token(line, w.token);
      if (w.record == 0) {
        add(line, " in the header record");
      } else {
        add(line, "; record %" PRId64 " keeps %" PRId64 " of its %d values",
            w.record, w.count, values);
      }
      break;
    case warning_kind::skipped:
      add(line, "skipped %" PRId64 " more %s after the %d values of ", w.count,
          w.count == 1 ? "number" : "numbers", values);
      add_record(line, w);
      break;
    case warning_kind::cut_short:
      add(line, "the file ends inside ");
      add_record(line, w);
      add(line, ", which keeps %" PRId64 " of its %d values", w.count, values);
      break;
    case warning_kind::short_header:
      add(line,
          "the header record takes its %d values from lines %" PRId64
          " to %" PRId64 ", so line %" PRId64 " is not read as data",
          values, w.line, w.other_line, w.other_line);
      break;
  }
}

}  // namespace

void add_warning(warning_log& log, const warning& w) {
  int kind = static_cast<int>(w.kind);
  if (log.total[kind]++ < shown_per_kind) log.shown[log.shown_count++] = w;
}

void print_warnings(std::FILE* err, const char* program, const char* file,
                    const warning_log& log) {
  for (int i = 0; i < log.shown_count; ++i) {
    const warning& w = log.shown[i];
    line_text line;
    add(line, "%s: %s:%" PRId64 ": ", program, file, w.line);
    add_warning_text(line, w);
    std::fprintf(err, "%.*s\n", line.used, line.text);
  }
  for (int kind = 0; kind < warning_kinds; ++kind) {
    if (log.total[kind] > shown_per_kind) {
      std::fprintf(err, "%s: %s: and %" PRId64 " more %s not shown\n", program,
                   file, log.total[kind] - shown_per_kind, rest_noun[kind]);
    }
  }
}

}  // namespace rodscene
