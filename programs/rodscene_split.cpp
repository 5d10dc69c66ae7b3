// rodscene_split: glyphs of the sites with -38 < z < 28, teal above z = 0
// and blue at or below it.
#include "conversion_run.hpp"

int main() {
  return rodscene::run_conversion(rodscene::split_variant);
}
