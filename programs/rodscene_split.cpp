// rodscene_split: glyphs of the sites with -38 < z < 28, teal above z = 0
// and blue at or below it.
#include "conversion_run.hpp"

int main() {
  constexpr rodscene::converter_variant split = {
      -38.0f, 28.0f, rodscene::colour_rule::split_at_zero, "rodscene_split"};
  return rodscene::run_conversion(split);
}
