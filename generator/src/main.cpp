// pelzak_initial: writes a random starting configuration of liquid argon to "ar_simulation.dat".
// It takes no input: arguments and environment are ignored, and every run writes the same bytes.
#include "generate.hpp"

int main() { return pelzak::initial::generate_configuration(); }
