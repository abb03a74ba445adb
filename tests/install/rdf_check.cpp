// pelzak_rdf_check RESULT REFERENCE: checks a g(r) file written by a driver against the reference liquid,
// as the driver's full-job test does (rdf_compare.hpp). Prints the figures; exit status 0 if they are
// within bounds, 1 if not, 2 if a file cannot be read.
#include <cstdio>
#include <string>

#include "rdf_compare.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pelzak_rdf_check RESULT REFERENCE\n");
    return 2;
  }
  pelzak::test::RdfCurve run, reference;
  std::string message;
  if (!pelzak::test::read_rdf_file(argv[1], run, &message) ||
      !pelzak::test::read_rdf_file(argv[2], reference, &message)) {
    std::fprintf(stderr, "pelzak_rdf_check: %s\n", message.c_str());
    return 2;
  }
  const bool ok = pelzak::test::rdf_matches_reference(run, reference, &message);
  std::printf("%s: %s\n", argv[1], message.c_str());
  return ok ? 0 : 1;
}
