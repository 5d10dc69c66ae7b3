// rodscene_mono: glyphs of the sites with -38 < z < 38, all teal.
#include "conversion_run.hpp"

int main(int argc, char**) {
  if (argc > 1) rodscene::note_ignored_arguments(rodscene::mono_variant);
  return rodscene::run_conversion(rodscene::mono_variant);
}
