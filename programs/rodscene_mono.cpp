// rodscene_mono: glyphs of the sites with -38 < z < 38, all teal.
#include "conversion_run.hpp"

int main() {
  return rodscene::run_conversion(rodscene::mono_variant);
}
