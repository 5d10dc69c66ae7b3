#include "dump_items.hpp"

#include <cmath>
#include <cstring>

namespace rodscene {
namespace {

// The largest whole number a timestep or count may be.
constexpr long double max_whole = 0x1p62L;

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// The end of the line at the cursor, made whole in the buffer as far as it
// holds it: its line feed, or the end of the unread bytes.
const char* line_end(config_reader& r) {
  auto find = [&r] {
    return static_cast<const char*>(std::memchr(
        r.cursor, '\n', static_cast<std::size_t>(r.end - r.cursor)));
  };
  const char* eol = find();
  if (eol == nullptr && !r.drained) {
    refill(r);
    eol = find();
  }
  return eol != nullptr ? eol : r.end;
}

void pass_line(config_reader& r, const char* eol) {
  r.cursor = eol;
  if (eol != r.end) {
    ++r.cursor;
    ++r.line;
  }
}

std::string_view trimmed(const char* first, const char* last) {
  while (first != last && blank(*first))
    ++first;
  while (last != first && blank(last[-1]))
    --last;
  return {first, static_cast<std::size_t>(last - first)};
}

}  // namespace

bool next_item(config_reader& r, std::string_view* text) {
  for (;;) {
    if (r.cursor == r.end) refill(r);
    if (r.cursor == r.end) return false;
    const char* eol = line_end(r);
    std::string_view line = trimmed(r.cursor, eol);
    if (line.empty()) {
      pass_line(r, eol);
      continue;
    }
    if (!line.starts_with(item_prefix)) return false;
    line.remove_prefix(item_prefix.size());
    *text = trimmed(line.data(), line.data() + line.size());
    pass_line(r, eol);
    return true;
  }
}

void skip_to_item(config_reader& r) {
  for (;;) {
    if (r.cursor == r.end) refill(r);
    if (r.cursor == r.end) return;
    const char* eol = line_end(r);
    if (trimmed(r.cursor, eol).starts_with(item_prefix)) return;
    pass_line(r, eol);
  }
}

bool item_named(std::string_view text, std::string_view name,
                std::string_view* rest) {
  if (!text.starts_with(name)) return false;
  text.remove_prefix(name.size());
  if (!text.empty() && !blank(text.front())) return false;
  *rest = text;
  return true;
}

bool read_whole(config_reader& r, std::int64_t* value) {
  long double v = NAN;
  long double* dest[1] = {&v};
  if (read_values(r, dest, 1) != 0) return false;
  if (!(std::fabs(v) <= max_whole) || std::floor(v) != v) return false;
  *value = static_cast<std::int64_t>(v);
  return true;
}

}  // namespace rodscene
