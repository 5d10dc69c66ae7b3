// rodscene_mono: glyphs of the sites with -38 < z < 38, all teal.
#include "conversion_run.hpp"

int main() {
  constexpr rodscene::converter_variant mono = {
      -38.0f, 38.0f, rodscene::colour_rule::fixed, "rodscene_mono"};
  return rodscene::run_conversion(mono);
}
