// rodscene_split: glyphs of the sites with -38 < z < 28, teal above z = 0
// and blue at or below it.
#include "conversion_run.hpp"

int main(int argc, char**) {
  if (argc > 1) rodscene::note_ignored_arguments(rodscene::split_variant);
  return rodscene::run_conversion(rodscene::split_variant);
}
