#include "read_warnings.hpp"

#include <cinttypes>
#include <cstddef>

namespace rodscene {
namespace {

// Characters a printed int64_t takes at most: "-9223372036854775808".
constexpr int int64_width = 20;

// What a kind's uncounted rest is called: "and 1 more <noun> not shown",
// "and 5 more <nouns> not shown".
constexpr const char* rest_noun[warning_kinds][2] = {
    {"bad number", "bad numbers"},
    {"line with skipped numbers", "lines with skipped numbers"},
    {"record cut short", "records cut short"},
    {"short header record", "short header records"}};

// The parts of a warning that vary in length are built in buffers sized for
// their worst case, and the line is written by one fprintf, which has no
// limit: nothing is ever cut.

// A token's first bytes in quotes, escaped, then its length when it is
// longer. A byte takes at most four characters (\x1b).
struct quoted_token {
  char text[2 + 4 * sample_size + sizeof "... ( bytes)" + int64_width];
};

quoted_token quote(const token_sample& token) {
  static constexpr char hex[] = "0123456789abcdef";
  quoted_token q;
  char* p = q.text;
  int n =
      token.length < sample_size ? static_cast<int>(token.length) : sample_size;
  *p++ = '"';
  for (int i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(token.head[i]);
    if (c == '\r') {
      *p++ = '\\';
      *p++ = 'r';
    } else if (c == '"' || c == '\\') {
      *p++ = '\\';
      *p++ = static_cast<char>(c);
    } else if (c < 0x20 || c > 0x7e) {
      *p++ = '\\';
      *p++ = 'x';
      *p++ = hex[c >> 4];
      *p++ = hex[c & 15];
    } else {
      *p++ = static_cast<char>(c);
    }
  }
  *p++ = '"';
  *p = '\0';
  if (token.length > sample_size) {
    std::snprintf(p, static_cast<std::size_t>(q.text + sizeof q.text - p),
                  "... (%" PRId64 " bytes)", token.length);
  }
  return q;
}

// "record 5" or "the header record", then ", lines 7-8" when the record
// runs over several lines.
struct record_name {
  char text[sizeof "record , lines -" + 3 * int64_width];
};
static_assert(sizeof "the header record, lines -" + 2 * int64_width <=
              sizeof record_name::text);

record_name name_record(const warning& w) {
  record_name r;
  int n =
      w.record == 0
          ? std::snprintf(r.text, sizeof r.text, "the header record")
          : std::snprintf(r.text, sizeof r.text, "record %" PRId64, w.record);
  if (w.last_line != w.first_line) {
    std::snprintf(r.text + n, sizeof r.text - static_cast<std::size_t>(n),
                  ", lines %" PRId64 "-%" PRId64, w.first_line, w.last_line);
  }
  return r;
}

// The lines after the first that a header record took: "line 2 is" or
// "lines 2-3 are".
struct later_lines {
  char text[sizeof "lines - are" + 2 * int64_width];
};

later_lines name_later_lines(const warning& w) {
  later_lines l;
  if (w.last_line == w.first_line + 1) {
    std::snprintf(l.text, sizeof l.text, "line %" PRId64 " is", w.last_line);
  } else {
    std::snprintf(l.text, sizeof l.text, "lines %" PRId64 "-%" PRId64 " are",
                  w.first_line + 1, w.last_line);
  }
  return l;
}

// Each warning's line starts with where its record starts.
#define RODSCENE_AT "%s: %s:%" PRId64 ": "

void print_warning(std::FILE* err, const char* program, const char* file,
                   const warning& w) {
  int values = w.record == 0 ? header_values : record_values;
  record_name record = name_record(w);
  switch (w.kind) {
    case warning_kind::bad_number:
      if (w.record == 0) {
        std::fprintf(err, RODSCENE_AT "bad number %s in %s\n", program, file,
                     w.first_line, quote(w.token).text, record.text);
      } else {
        std::fprintf(err,
                     RODSCENE_AT "bad number %s; %s%s keeps %" PRId64
                                 " of its %d values\n",
                     program, file, w.first_line, quote(w.token).text,
                     record.text, w.last_line != w.first_line ? "," : "",
                     w.count, values);
      }
      break;
    case warning_kind::skipped:
      std::fprintf(err,
                   RODSCENE_AT "skipped %" PRId64
                               " more number%s after the %d values of %s\n",
                   program, file, w.first_line, w.count, plural(w.count),
                   values, record.text);
      break;
    case warning_kind::cut_short:
      std::fprintf(err,
                   RODSCENE_AT "the file ends inside %s, which keeps %" PRId64
                               " of its %d values\n",
                   program, file, w.first_line, record.text, w.count, values);
      break;
    case warning_kind::short_header:
      // A header that has fewer than its values was ended by a slash.
      if (w.count == values) {
        std::fprintf(err,
                     RODSCENE_AT
                     "the header record takes its %d values from "
                     "lines %" PRId64 "-%" PRId64 ", so %s not read as data\n",
                     program, file, w.first_line, values, w.first_line,
                     w.last_line, name_later_lines(w).text);
      } else {
        std::fprintf(err,
                     RODSCENE_AT "the header record takes %" PRId64
                                 " value%s from lines %" PRId64 "-%" PRId64
                                 " before a slash ends it, so %s not read as "
                                 "data\n",
                     program, file, w.first_line, w.count, plural(w.count),
                     w.first_line, w.last_line, name_later_lines(w).text);
      }
      break;
  }
}

#undef RODSCENE_AT

}  // namespace

void add_warning(warning_log& log, const warning& w) {
  int kind = static_cast<int>(w.kind);
  if (log.total[kind]++ < shown_per_kind) log.shown[log.shown_count++] = w;
}

void print_warnings(std::FILE* err, const char* program, const char* file,
                    const warning_log& log) {
  for (int i = 0; i < log.shown_count; ++i) {
    print_warning(err, program, file, log.shown[i]);
  }
  for (int kind = 0; kind < warning_kinds; ++kind) {
    std::int64_t rest = log.total[kind] - shown_per_kind;
    if (rest > 0) {
      std::fprintf(err, "%s: %s: and %" PRId64 " more %s not shown\n", program,
                   file, rest, rest_noun[kind][rest == 1 ? 0 : 1]);
    }
  }
}

}  // namespace rodscene
