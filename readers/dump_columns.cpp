#include "dump_columns.hpp"

#include <string_view>

namespace rodscene {
namespace {

// The column names a rod is made from, in groups of three or four; the
// first group of positions found whole is taken.
constexpr std::string_view position_names[][3] = {{"x", "y", "z"},
                                                  {"xu", "yu", "zu"},
                                                  {"xs", "ys", "zs"},
                                                  {"xsu", "ysu", "zsu"}};
constexpr bool position_scaled[] = {false, false, true, true};
constexpr int position_groups = 4;
constexpr std::string_view dipole_names[] = {"mux", "muy", "muz"};
constexpr std::string_view quaternion_names[] = {"quatw", "quati", "quatj",
                                                 "quatk"};
constexpr std::string_view id_name = "id";
constexpr std::string_view type_name = "type";

bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// The column of `name` among the names, or -1.
int column_of(const char* first, const char* last, std::string_view name) {
  int k = 0;
  for (const char* p = first; p != last;) {
    if (blank(*p)) {
      ++p;
      continue;
    }
    const char* q = p;
    while (q != last && !blank(*q))
      ++q;
    if (std::string_view(p, static_cast<std::size_t>(q - p)) == name) return k;
    ++k;
    p = q;
  }
  return -1;
}

// Finds every name of a group; false unless all are there.
template <std::size_t n>
bool find_group(const char* first, const char* last,
                const std::string_view (&names)[n], int* at) {
  for (std::size_t i = 0; i < n; ++i) {
    at[i] = column_of(first, last, names[i]);
    if (at[i] < 0) return false;
  }
  return true;
}

int last_of(const int* at, int n, int last) {
  for (int i = 0; i < n; ++i)
    last = at[i] > last ? at[i] : last;
  return last;
}

}  // namespace

dump_refusal find_columns(const char* first, const char* last,
                          dump_columns& c) {
  int g = 0;
  while (g < position_groups &&
         !find_group(first, last, position_names[g], c.position))
    ++g;
  if (g == position_groups) return dump_refusal::no_position;
  c.scaled = position_scaled[g];
  c.direction[3] = -1;
  c.quaternion = !find_group(first, last, dipole_names, c.direction);
  if (c.quaternion && !find_group(first, last, quaternion_names, c.direction))
    return dump_refusal::no_direction;
  c.id = column_of(first, last, id_name);
  c.type = column_of(first, last, type_name);
  int top = last_of(c.position, 3, -1);
  top = last_of(c.direction, c.quaternion ? 4 : 3, top);
  top = c.id > top ? c.id : top;
  top = c.type > top ? c.type : top;
  c.needed = top + 1;
  return dump_refusal::none;
}

void rotate_axis(const long double* q, int axis, long double* d) {
  long double w = q[0], i = q[1], j = q[2], k = q[3];
  long double ww = w * w, ii = i * i, jj = j * j, kk = k * k;
  // The columns of the rotation matrix of q times |q|^2.
  switch (axis) {
    case 0:
      d[0] = ww + ii - jj - kk;
      d[1] = 2 * (i * j + w * k);
      d[2] = 2 * (i * k - w * j);
      break;
    case 1:
      d[0] = 2 * (i * j - w * k);
      d[1] = ww - ii + jj - kk;
      d[2] = 2 * (j * k + w * i);
      break;
    default:
      d[0] = 2 * (i * k + w * j);
      d[1] = 2 * (j * k - w * i);
      d[2] = ww - ii - jj + kk;
      break;
  }
}

}  // namespace rodscene
